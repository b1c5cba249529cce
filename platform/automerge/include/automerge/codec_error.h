// What can be wrong with Automerge bytes, for every decoder in the binary format codec.
//
// Decoders return a CodecError: a code saying what kind of problem it is and, where one layer knows
// more than the layer that found the problem, a short note naming the field or column concerned.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace automerge {

enum class ErrorCode : std::uint8_t {
    // The input ends before the value does: more bytes may make it whole.
    Truncated,
    // LEB128 longer than the shortest form of its value.
    Overlong,
    // LEB128 whose value does not fit in 64 bits (or in the type the field needs).
    TooLarge,
    BadMagic,
    BadChecksum,
    UnknownChunkType,
    // A DEFLATE stream that zlib refuses, that ends early or that is followed by other bytes.
    BadDeflate,
    // Inflating would pass the caller's limit on decompressed bytes.
    InflateLimit,
    // Column metadata that is unsorted, duplicated, or has a column of the wrong type.
    BadColumnMetadata,
    // Column lengths that run past the end of the chunk.
    ColumnOutOfBounds,
    // Compressed columns where the format allows none (change chunks).
    UnexpectedCompression,
    // Columns of one table that hold different numbers of rows.
    ColumnLengthMismatch,
    // A column's bytes that do not decode as its type says.
    BadColumnData,
    // A row without a value that the format requires (an op without an action, for instance).
    MissingValue,
    BadValueMetadata,
    BadActorIndex,
    UnsortedActors,
    // More rows than the caller's limit allows.
    TooManyRows,
    BadOpId,
    BadKey,
    BadAction,
    // An explicit delete op in a document chunk, which stores deletes as successors.
    DeleteInDocument,
    // The ops of a change do not cover its counter range exactly.
    OpCounterGap,
    BadDependency,
    DependencyCycle,
    // Sequence numbers of an actor's changes that do not count 1, 2, 3, ...
    BadSequenceNumber,
    // An actor's changes whose largest op counters do not increase.
    BadMaxOp,
    // The heads written in a document chunk differ from the heads of its changes.
    HeadsMismatch,
    // Bytes left over where a structure should have ended.
    TrailingBytes,
    // A field of a chunk runs past the end of the chunk's contents.
    ShortContents,
    // A change chunk that a saved document could not give back byte for byte (unknown columns,
    // actors no op names, encodings other than the shortest): once saved it would hash otherwise.
    NotReproducible,
};

struct CodecError {
    ErrorCode code { ErrorCode::Truncated };
    std::string context; // the field or column concerned, if known

    CodecError() = default;
    CodecError(ErrorCode c, std::string where = {})
        : code(c)
        , context(std::move(where))
    {
    }
    friend bool operator==(CodecError const&, CodecError const&) = default;
};

// A short English phrase for the code, e.g. "checksum mismatch".
[[nodiscard]] std::string_view describe(ErrorCode code) noexcept;

// The code's phrase followed by the context, e.g. "column lengths differ (op column 0x22)".
[[nodiscard]] std::string to_string(CodecError const& error);

// True if the bytes so far are a valid prefix: waiting for more input may resolve the error.
[[nodiscard]] constexpr bool needs_more_bytes(CodecError const& error) noexcept
{
    return error.code == ErrorCode::Truncated;
}

// Adds context to an error that has none yet, so the innermost layer that knows a name wins.
[[nodiscard]] inline CodecError with_context(CodecError error, std::string_view where)
{
    if (error.context.empty())
        error.context = where;
    return error;
}

} // namespace automerge
