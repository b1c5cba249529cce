// The reasons a document operation fails.
#pragma once

#include <automerge/codec_error.h>

#include <cstdint>
#include <string>
#include <variant>

namespace automerge {

// A local read or write named something the document does not have in that shape.
enum class DocError : std::uint8_t {
    NoSuchObject, // the id names no object of this document
    WrongObjectType, // e.g. a map key on a list, a splice on a map
    IndexOutOfRange,
    NotACounter, // an increment of a key or element that holds no counter
    InvalidUtf8,
};

// A change from elsewhere does not fit this document's history; it is dropped.
enum class ApplyError : std::uint8_t {
    MalformedChange, // no author, or an actor index past the change's actor table
    SeqOutOfOrder, // seq is not one past the author's previous change
    OpIdReused, // start_op is not past the author's previous ops
    UnknownObject, // an op on an object the document does not have
    UnknownElement, // a list op on an element the object does not have
    UnknownPredecessor, // a pred names no op at that key or element
    InvalidOp, // e.g. a string key on a list, an insert into a map, a non-integer increment
};

// Bytes that did not load: they are not valid chunks, or their changes do not fit together.
using LoadError = std::variant<CodecError, ApplyError>;

// One readable phrase, such as "a change to an unknown object".
[[nodiscard]] std::string to_string(ApplyError error);
[[nodiscard]] std::string to_string(LoadError const& error);

} // namespace automerge
