// Feeds arbitrary bytes to the Automerge chunk loader: it must load a valid prefix and name what is
// wrong with the rest, never crash, hang or leak. Whatever decodes must also survive re-encoding.
//
// Each input is loaded twice: as it is, and with the checksums of its uncompressed chunks made
// right, since a mutated chunk almost never keeps a valid SHA-256 prefix and the decoders behind
// the checksum would otherwise go untested.
#include "fixed_checksums.h"

#include <automerge/chunk.h>

#include <base/verify.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

// Small enough that run-length bombs end quickly, large enough for the seed documents.
constexpr automerge::DecodeLimits limits { .max_rows = 1 << 16, .max_inflated_bytes = 1 << 22 };

// Encoding a decoded change and decoding that again is stable, byte for byte.
void check_change(automerge::DecodedChange const& decoded)
{
    std::vector<std::uint8_t> const bytes = automerge::encode_change(decoded.change);
    auto again = automerge::decode_change(bytes, limits);
    VERIFY(again.has_value());
    VERIFY(automerge::encode_change(again->change) == bytes);
    VERIFY(again->hash == automerge::change_hash(decoded.change));
}

void check_document(std::span<std::uint8_t const> chunk)
{
    auto data = automerge::decode_document_data(chunk, limits);
    VERIFY(data.has_value());
    std::vector<std::uint8_t> const bytes
        = automerge::encode_document(data.value(), automerge::Deflate::Never);
    auto again = automerge::decode_document_data(bytes, limits);
    VERIFY(again.has_value());
    VERIFY(automerge::encode_document(again.value(), automerge::Deflate::Never) == bytes);
}

void check_load(std::span<std::uint8_t const> input)
{
    std::size_t const size = input.size();
    automerge::LoadResult const result = automerge::load_chunks(input, limits);
    VERIFY(result.valid_bytes <= size);
    VERIFY((result.tail == automerge::TailState::Complete) == !result.error.has_value());
    VERIFY(result.tail != automerge::TailState::Complete || result.valid_bytes == size);
    std::size_t expected_offset = 0;
    for (automerge::LoadedChunk const& chunk : result.chunks) {
        VERIFY(chunk.offset == expected_offset);
        expected_offset += chunk.size;
        if (chunk.type == automerge::ChunkType::Document)
            check_document(input.subspan(chunk.offset, chunk.size));
        for (automerge::DecodedChange const& change : chunk.changes)
            check_change(change);
    }
    VERIFY(expected_offset == result.valid_bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::span<std::uint8_t const> const input(data, size);
    check_load(input);
    check_load(fuzz::with_fixed_checksums(input));
    return 0;
}
