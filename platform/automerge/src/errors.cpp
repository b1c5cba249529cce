// Errors as one readable phrase, for messages that name what went wrong.

#include <automerge/errors.h>

namespace automerge {

std::string to_string(ApplyError error)
{
    switch (error) {
    case ApplyError::MalformedChange:
        return "a change without an author or with a bad actor index";
    case ApplyError::SeqOutOfOrder:
        return "a change out of its author's sequence";
    case ApplyError::OpIdReused:
        return "a change reusing its author's op ids";
    case ApplyError::UnknownObject:
        return "a change to an unknown object";
    case ApplyError::UnknownElement:
        return "a change to an unknown list element";
    case ApplyError::UnknownPredecessor:
        return "a change overwriting an unknown value";
    case ApplyError::InvalidOp:
        return "an invalid operation";
    }
    return "a change that does not apply";
}

std::string to_string(LoadError const& error)
{
    if (auto const* codec = std::get_if<CodecError>(&error))
        return to_string(*codec);
    return to_string(std::get<ApplyError>(error));
}

} // namespace automerge
