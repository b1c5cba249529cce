// The frame around every chunk: magic bytes, checksum, type, length.
#pragma once

#include "sha256.h"

#include <automerge/byte_reader.h>
#include <automerge/chunk.h>
#include <automerge/codec_error.h>
#include <base/result.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace automerge {

inline constexpr std::array<std::uint8_t, 4> chunk_magic { 0x85, 0x6f, 0x4a, 0x83 };
using Checksum = std::array<std::uint8_t, 4>;

struct RawChunk {
    Checksum checksum {};
    ChunkType type {};
    Bytes contents;
};

// Reads one chunk's frame and contents without judging the checksum. Truncated means `in` holds
// the start of a chunk whose end has not arrived; BadMagic means it is not a chunk at all.
[[nodiscard]] base::Result<RawChunk, CodecError> read_chunk(ByteReader& in);

// SHA-256 over the type byte, the LEB128 length and the contents: the change hash of a change chunk,
// and the source of every chunk's checksum.
[[nodiscard]] Sha256Digest chunk_digest(ChunkType type, Bytes contents);

[[nodiscard]] inline Checksum checksum_of(Sha256Digest const& digest) noexcept
{
    return { digest[0], digest[1], digest[2], digest[3] };
}

// Frames the contents with the given checksum.
[[nodiscard]] std::vector<std::uint8_t> write_chunk(ChunkType type, Checksum checksum, Bytes contents);

// Frames the contents with their own checksum.
[[nodiscard]] std::vector<std::uint8_t> write_chunk(ChunkType type, Bytes contents);

} // namespace automerge
