#include <automerge/codec_error.h>

namespace automerge {

std::string_view describe(ErrorCode code) noexcept
{
    switch (code) {
    case ErrorCode::Truncated:
        return "input ends too early";
    case ErrorCode::Overlong:
        return "LEB128 longer than its shortest form";
    case ErrorCode::TooLarge:
        return "integer too large";
    case ErrorCode::BadMagic:
        return "not an Automerge chunk (bad magic bytes)";
    case ErrorCode::BadChecksum:
        return "checksum mismatch";
    case ErrorCode::UnknownChunkType:
        return "unknown chunk type";
    case ErrorCode::BadDeflate:
        return "bad DEFLATE data";
    case ErrorCode::InflateLimit:
        return "decompressed data larger than the limit";
    case ErrorCode::BadColumnMetadata:
        return "bad column metadata";
    case ErrorCode::ColumnOutOfBounds:
        return "column data runs past the chunk";
    case ErrorCode::UnexpectedCompression:
        return "compressed column in a change chunk";
    case ErrorCode::ColumnLengthMismatch:
        return "column lengths differ";
    case ErrorCode::BadColumnData:
        return "bad column data";
    case ErrorCode::MissingValue:
        return "required value missing";
    case ErrorCode::BadValueMetadata:
        return "bad value metadata";
    case ErrorCode::BadActorIndex:
        return "actor index out of range";
    case ErrorCode::UnsortedActors:
        return "actor table not sorted";
    case ErrorCode::TooManyRows:
        return "more rows than the limit";
    case ErrorCode::BadOpId:
        return "bad operation id";
    case ErrorCode::BadKey:
        return "bad key";
    case ErrorCode::BadAction:
        return "bad action";
    case ErrorCode::DeleteInDocument:
        return "explicit delete op in a document chunk";
    case ErrorCode::OpCounterGap:
        return "ops do not match the change's counter range";
    case ErrorCode::BadDependency:
        return "bad change dependency";
    case ErrorCode::DependencyCycle:
        return "change dependencies form a cycle";
    case ErrorCode::BadSequenceNumber:
        return "bad sequence number";
    case ErrorCode::BadMaxOp:
        return "max op does not increase";
    case ErrorCode::HeadsMismatch:
        return "heads do not match the changes";
    case ErrorCode::TrailingBytes:
        return "unexpected trailing bytes";
    case ErrorCode::ShortContents:
        return "field runs past the end of the chunk";
    case ErrorCode::NotReproducible:
        return "change that would not survive a save unchanged";
    }
    return "unknown error";
}

std::string to_string(CodecError const& error)
{
    std::string text(describe(error.code));
    if (!error.context.empty()) {
        text += " (";
        text += error.context;
        text += ')';
    }
    return text;
}

} // namespace automerge
