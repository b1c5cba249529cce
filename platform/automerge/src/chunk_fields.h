// The small fields chunks are built from: length-prefixed bytes, hash arrays and actor arrays.
#pragma once

#include <automerge/byte_reader.h>
#include <automerge/byte_writer.h>
#include <automerge/change.h>
#include <automerge/codec_error.h>
#include <base/result.h>

#include <string>
#include <vector>

namespace automerge {

void write_sized(ByteWriter& out, Bytes bytes);
void write_hashes(ByteWriter& out, std::vector<ChangeHash> const& hashes);
void write_actors(ByteWriter& out, std::vector<ActorId> const& actors);

[[nodiscard]] inline Bytes bytes_of(std::string const& text) noexcept
{
    return { reinterpret_cast<std::uint8_t const*>(text.data()), text.size() };
}

// A uLEB128 length and that many bytes; `what` names the field in errors.
[[nodiscard]] base::Result<Bytes, CodecError> read_sized(ByteReader& in, char const* what);
// A uLEB128 count and that many 32-byte hashes.
[[nodiscard]] base::Result<std::vector<ChangeHash>, CodecError> read_hashes(ByteReader& in, char const* what);
// A uLEB128 count and that many length-prefixed actor ids, appended to `actors`.
[[nodiscard]] base::Result<void, CodecError> read_actors(
    ByteReader& in, std::vector<ActorId>& actors, char const* what);

// Inside a chunk whose length is known, running out of bytes is damage, not a reason to wait.
[[nodiscard]] inline CodecError inside_chunk(CodecError error)
{
    if (error.code == ErrorCode::Truncated)
        error.code = ErrorCode::ShortContents;
    return error;
}

} // namespace automerge
