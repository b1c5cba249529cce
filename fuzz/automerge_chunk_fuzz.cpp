// Feeds arbitrary bytes to the Automerge chunk loader: it must load a valid prefix and name what is
// wrong with the rest, never crash, hang or leak. Whatever decodes must also survive re-encoding.
//
// Each input is loaded twice: as it is, and with the checksums of its uncompressed chunks made
// right, since a mutated chunk almost never keeps a valid SHA-256 prefix and the decoders behind
// the checksum would otherwise go untested.
#include <automerge/byte_reader.h>
#include <automerge/chunk.h>
#include <automerge/leb128.h>

#include <base/verify.h>

#include <nettle/sha2.h>

#include <algorithm>
#include <array>
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

constexpr std::array<std::uint8_t, 4> magic { 0x85, 0x6f, 0x4a, 0x83 };

// Rewrites the checksum of each uncompressed chunk to match its contents, stopping at the first
// thing that is not a chunk frame.
std::vector<std::uint8_t> with_fixed_checksums(std::span<std::uint8_t const> input)
{
    std::vector<std::uint8_t> bytes(input.begin(), input.end());
    std::size_t at = 0;
    while (at + 9 <= bytes.size()
        && std::equal(magic.begin(), magic.end(), bytes.begin() + static_cast<long>(at))) {
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
    check_load(with_fixed_checksums(input));
    return 0;
}
