// Splitting a file of concatenated chunks, and stopping cleanly where it stops being valid.
//
// Files grow by appending chunks, so a crash can leave a partly written chunk at the end. The loader
// keeps everything before the first chunk that does not decode and says whether the rest looks like
// an unfinished chunk (wait or truncate) or like damage.
#include "chunk_header.h"

#include <automerge/chunk.h>

namespace automerge {

namespace {

base::Result<std::vector<DecodedChange>, CodecError> decode_chunk(
    ChunkType type, Bytes bytes, DecodeLimits const& limits)
{
    if (type == ChunkType::Document)
        return decode_document(bytes, limits);
    std::vector<DecodedChange> changes;
    changes.push_back(TRY(decode_change(bytes, limits)));
    return changes;
}

} // namespace

LoadResult load_chunks(Bytes input, DecodeLimits const& limits)
{
    LoadResult result;
    ByteReader in { input };
    while (!in.empty()) {
        std::size_t const start = in.position();
        ByteReader after = in;
        auto raw = read_chunk(after);
        if (!raw) {
            result.tail = needs_more_bytes(raw.error()) ? TailState::Incomplete : TailState::Damaged;
            result.error = std::move(raw).error();
            break;
        }
        std::size_t const size = after.position() - start;
        auto changes = decode_chunk(raw->type, input.subspan(start, size), limits);
        if (!changes) {
            // The chunk is all there, so whatever is wrong with it will not improve with more bytes.
            result.tail = TailState::Damaged;
            result.error = std::move(changes).error();
            break;
        }
        result.chunks.push_back({ raw->type, start, size, std::move(changes).value() });
        in = after;
        result.valid_bytes = in.position();
    }
    return result;
}

} // namespace automerge
