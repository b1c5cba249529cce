// Change chunks: one change's metadata followed by its op columns and any extra bytes.
#include "chunk_fields.h"
#include "chunk_header.h"
#include "deflate.h"
#include "op_columns.h"
#include "op_references.h"

#include <automerge/byte_writer.h>
#include <automerge/chunk.h>
#include <automerge/leb128.h>

#include <base/verify.h>

#include <algorithm>

namespace automerge {

namespace {

std::vector<std::uint8_t> change_contents(Change const& change)
{
    VERIFY(!change.actors.empty());
    ByteWriter out;
    write_hashes(out, change.deps);
    write_sized(out, change.actors[0]);
    encode_uleb128(out, change.seq);
    encode_uleb128(out, change.start_op);
    encode_sleb128(out, change.time);
    write_sized(out, change.message ? bytes_of(*change.message) : Bytes {});
    encode_uleb128(out, change.actors.size() - 1);
    for (std::size_t i = 1; i < change.actors.size(); ++i)
        write_sized(out, change.actors[i]);
    OpColumnsEncoder ops { OpTable::Change };
    for (Op const& op : change.ops)
        ops.append(op);
    std::vector<std::uint8_t> const data = write_columns(out, std::move(ops).finish(), Compression::Never);
    out.append(data);
    out.append(change.extra_bytes);
    return out.take();
}

base::Result<std::vector<Op>, CodecError> read_ops(
    ColumnSet const& columns, Change const& change, DecodeLimits const& limits)
{
    OpColumnsDecoder decoder { columns, OpTable::Change, change.actors.size(), change.start_op };
    std::uint64_t ref_budget = limits.max_rows;
    std::vector<Op> ops;
    while (decoder.has_next()) {
        if (ops.size() >= limits.max_rows)
            return base::unexpected(CodecError { ErrorCode::TooManyRows, "ops" });
        OpRow row = TRY(decoder.next(ref_budget));
        ops.push_back(Op { .obj = row.obj,
            .key = std::move(row.key),
            .insert = row.insert,
            .action = row.action,
            .value = std::move(row.value),
            .pred = std::move(row.refs),
            .mark_name = std::move(row.mark_name),
            .expand = row.expand });
    }
    TRY(decoder.finish());
    return ops;
}

base::Result<Change, CodecError> read_change_contents(Bytes contents, DecodeLimits const& limits)
{
    ByteReader in { contents };
    Change change;
    change.deps = TRY(read_hashes(in, "dependencies"));
    Bytes const author = TRY(read_sized(in, "actor"));
    change.actors.emplace_back(author.begin(), author.end());
    change.seq = TRY(decode_uleb128(in));
    change.start_op = TRY(decode_uleb128(in));
    change.time = TRY(decode_sleb128(in));
    Bytes const message = TRY(read_sized(in, "message"));
    if (!message.empty())
        change.message = std::string(reinterpret_cast<char const*>(message.data()), message.size());
    TRY(read_actors(in, change.actors, "other actors"));
    std::vector<ColumnEntry> const entries = TRY(read_column_metadata(in, Compression::Never));
    std::size_t no_inflating = 0;
    ColumnSet const columns = TRY(read_column_data(in, entries, no_inflating));
    change.ops = TRY(read_ops(columns, change, limits));
    Bytes const extra = in.read_rest();
    change.extra_bytes.assign(extra.begin(), extra.end());
    return change;
}

// A document chunk keeps of a change only what our encoder writes back: its actor table becomes
// the author followed by the other actors its ops name, in id order, and its columns the known
// ones in their shortest encoding. A change chunk with more than that would get another hash once
// saved, and every change after it would name a change that is gone, so it is refused on the way
// in rather than corrupting the file on the way out.
bool survives_save(Change const& change, Bytes contents)
{
    std::vector<ActorId> used;
    auto const mark = [&](OpId id) {
        if (id.actor != 0 && id.actor < change.actors.size())
            used.push_back(change.actors[id.actor]);
    };
    for (Op const& op : change.ops)
        for_each_referenced_id(op, mark);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    std::erase(used, change.actors[0]);
    if (!std::equal(used.begin(), used.end(), change.actors.begin() + 1, change.actors.end()))
        return false;
    std::vector<std::uint8_t> const again = change_contents(change);
    return std::equal(again.begin(), again.end(), contents.begin(), contents.end());
}

base::Result<DecodedChange, CodecError> decode_change_contents(
    Checksum checksum, Bytes contents, DecodeLimits const& limits)
{
    Sha256Digest const digest = chunk_digest(ChunkType::Change, contents);
    if (checksum_of(digest) != checksum)
        return base::unexpected(CodecError { ErrorCode::BadChecksum, "change chunk" });
    auto change = read_change_contents(contents, limits);
    if (!change)
        return base::unexpected(inside_chunk(std::move(change).error()));
    if (!survives_save(*change, contents))
        return base::unexpected(CodecError { ErrorCode::NotReproducible, "change chunk" });
    DecodedChange decoded { std::move(change).value(), {},
        write_chunk(ChunkType::Change, checksum, contents) };
    std::copy(digest.begin(), digest.end(), decoded.hash.bytes.begin());
    return decoded;
}

base::Result<DecodedChange, CodecError> decode_compressed_change(
    RawChunk const& chunk, DecodeLimits const& limits)
{
    auto inflated = inflate_raw(chunk.contents, limits.max_inflated_bytes);
    if (!inflated)
        return base::unexpected(CodecError { inflated.error(), "compressed change" });
    // The checksum of a compressed chunk is that of the change inside, which is what names it.
    return decode_change_contents(chunk.checksum, inflated.value(), limits);
}

} // namespace

std::vector<std::uint8_t> encode_change(Change const& change)
{
    std::vector<std::uint8_t> const contents = change_contents(change);
    return write_chunk(ChunkType::Change, contents);
}

ChangeHash change_hash(Change const& change)
{
    Sha256Digest const digest = chunk_digest(ChunkType::Change, change_contents(change));
    ChangeHash hash;
    std::copy(digest.begin(), digest.end(), hash.bytes.begin());
    return hash;
}

std::vector<std::uint8_t> compress_change_chunk(std::span<std::uint8_t const> change_chunk)
{
    ByteReader in { change_chunk };
    auto chunk = read_chunk(in);
    VERIFY(chunk.has_value() && chunk->type == ChunkType::Change && in.empty());
    if (change_chunk.size() <= deflate_threshold)
        return { change_chunk.begin(), change_chunk.end() };
    std::vector<std::uint8_t> const compressed = deflate_raw(chunk->contents);
    return write_chunk(ChunkType::Compressed, chunk->checksum, compressed);
}

base::Result<DecodedChange, CodecError> decode_change(Bytes bytes, DecodeLimits const& limits)
{
    ByteReader in { bytes };
    RawChunk const chunk = TRY(read_chunk(in));
    if (!in.empty())
        return base::unexpected(CodecError { ErrorCode::TrailingBytes, "after the change chunk" });
    switch (chunk.type) {
    case ChunkType::Change:
        return decode_change_contents(chunk.checksum, chunk.contents, limits);
    case ChunkType::Compressed:
        return decode_compressed_change(chunk, limits);
    case ChunkType::Document:
        break;
    }
    return base::unexpected(
        CodecError { ErrorCode::UnknownChunkType, "a document chunk where a change was expected" });
}

} // namespace automerge
