// Shared by the Automerge fuzz targets: a mutated chunk almost never keeps a valid checksum, so
// without this the decoders behind the checksum would go untested.
#pragma once

#include <automerge/byte_reader.h>
#include <automerge/chunk.h>
#include <automerge/leb128.h>

#include <nettle/sha2.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace fuzz {

inline constexpr std::array<std::uint8_t, 4> chunk_magic { 0x85, 0x6f, 0x4a, 0x83 };

// Rewrites the checksum of each uncompressed chunk to match its contents, stopping at the first
// thing that is not a chunk frame.
inline std::vector<std::uint8_t> with_fixed_checksums(std::span<std::uint8_t const> input)
{
    std::vector<std::uint8_t> bytes(input.begin(), input.end());
    std::size_t at = 0;
    while (at + 9 <= bytes.size()
        && std::equal(chunk_magic.begin(), chunk_magic.end(), bytes.begin() + static_cast<long>(at))) {
        automerge::ByteReader length_in { std::span(bytes).subspan(at + 9) };
        auto const length = automerge::decode_uleb128(length_in);
        if (!length || *length > length_in.remaining())
            break;
        std::size_t const end = at + 9 + length_in.position() + static_cast<std::size_t>(*length);
        if (bytes[at + 8] != static_cast<std::uint8_t>(automerge::ChunkType::Compressed)) {
            sha256_ctx context;
            sha256_init(&context);
            sha256_update(&context, end - (at + 8), bytes.data() + at + 8);
            std::array<std::uint8_t, SHA256_DIGEST_SIZE> digest {};
            sha256_digest(&context, digest.size(), digest.data());
            std::copy(digest.begin(), digest.begin() + 4, bytes.begin() + static_cast<long>(at + 4));
        }
        at = end;
    }
    return bytes;
}

} // namespace fuzz
