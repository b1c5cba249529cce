// Document chunks as tables: the actor table, the heads, a change metadata table, an op table in
// document order and an index from heads to changes. Rebuilding changes from these tables lives in
// doc_chunk_history.cpp.
#include "chunk_fields.h"
#include "chunk_header.h"
#include "doc_chunk_columns.h"
#include "op_columns.h"

#include <automerge/chunk.h>
#include <automerge/leb128.h>

#include <algorithm>

namespace automerge {

namespace {

std::vector<ColumnData> change_columns(std::vector<DocumentChange> const& changes)
{
    RleEncoder<UlebValue> actor, deps_group;
    DeltaEncoder seq, max_op, time, deps_index;
    RleEncoder<StringValue> message;
    ValueEncoder extra;
    for (DocumentChange const& change : changes) {
        actor.append(change.actor);
        seq.append(static_cast<std::int64_t>(change.seq));
        max_op.append(static_cast<std::int64_t>(change.max_op));
        time.append(change.time);
        message.append(change.message);
        deps_group.append(change.deps.size());
        for (std::uint64_t const dep : change.deps)
            deps_index.append(static_cast<std::int64_t>(dep));
        // The reference writes a bytes value even when there are none (older writers wrote nulls).
        extra.append(ScalarValue { change.extra_bytes });
    }
    std::vector<ColumnData> columns;
    columns.reserve(9);
    columns.push_back({ change_column::actor, std::move(actor).finish() });
    columns.push_back({ change_column::seq, std::move(seq).finish() });
    columns.push_back({ change_column::max_op, std::move(max_op).finish() });
    columns.push_back({ change_column::time, std::move(time).finish() });
    columns.push_back({ change_column::message, std::move(message).finish() });
    columns.push_back({ change_column::deps_group, std::move(deps_group).finish() });
    columns.push_back({ change_column::deps_index, std::move(deps_index).finish() });
    ValueColumns extra_columns = std::move(extra).finish();
    columns.push_back({ change_column::extra_metadata, std::move(extra_columns.metadata) });
    columns.push_back({ change_column::extra, std::move(extra_columns.raw) });
    return columns;
}

std::vector<ColumnData> op_columns(std::vector<DocumentOp> const& ops)
{
    OpColumnsEncoder encoder { OpTable::Document };
    for (DocumentOp const& op : ops)
        encoder.append(op);
    return std::move(encoder).finish();
}

base::Result<std::vector<DocumentOp>, CodecError> read_ops(
    ColumnSet const& columns, std::size_t actor_count, DecodeLimits const& limits)
{
    OpColumnsDecoder decoder { columns, OpTable::Document, actor_count, 0 };
    std::uint64_t succ_budget = limits.max_rows;
    std::vector<DocumentOp> ops;
    while (decoder.has_next()) {
        if (ops.size() >= limits.max_rows)
            return base::unexpected(CodecError { ErrorCode::TooManyRows, "ops" });
        OpRow row = TRY(decoder.next(succ_budget));
        if (row.action == Action::Delete)
            return base::unexpected(CodecError { ErrorCode::DeleteInDocument });
        ops.push_back(DocumentOp { .id = row.id,
            .obj = row.obj,
            .key = std::move(row.key),
            .insert = row.insert,
            .action = row.action,
            .value = std::move(row.value),
            .succ = std::move(row.refs),
            .mark_name = std::move(row.mark_name),
            .expand = row.expand });
    }
    TRY(decoder.finish());
    return ops;
}

base::Result<std::vector<std::uint64_t>, CodecError> read_heads_index(ByteReader& in, std::size_t head_count)
{
    std::vector<std::uint64_t> index;
    // Documents from before the index existed end after their columns.
    if (in.empty())
        return index;
    for (std::size_t i = 0; i < head_count; ++i)
        index.push_back(TRY(decode_uleb128(in)));
    if (!in.empty())
        return base::unexpected(CodecError { ErrorCode::TrailingBytes, "after the heads index" });
    return index;
}

base::Result<void, CodecError> check_sorted(std::vector<ActorId> const& actors)
{
    for (std::size_t i = 1; i < actors.size(); ++i) {
        if (!(actors[i - 1] < actors[i]))
            return base::unexpected(CodecError { ErrorCode::UnsortedActors, "actor " + std::to_string(i) });
    }
    return {};
}

base::Result<DocumentData, CodecError> read_document_contents(Bytes contents, DecodeLimits const& limits)
{
    ByteReader in { contents };
    DocumentData document;
    TRY(read_actors(in, document.actors, "actors"));
    TRY(check_sorted(document.actors));
    document.heads = TRY(read_hashes(in, "heads"));
    std::vector<ColumnEntry> const change_entries = TRY(read_column_metadata(in, Compression::LargeColumns));
    std::vector<ColumnEntry> const op_entries = TRY(read_column_metadata(in, Compression::LargeColumns));
    std::size_t inflate_budget = limits.max_inflated_bytes;
    ColumnSet const change_set = TRY(read_column_data(in, change_entries, inflate_budget));
    ColumnSet const op_set = TRY(read_column_data(in, op_entries, inflate_budget));
    document.changes = TRY(read_change_rows(change_set, document.actors.size(), limits));
    document.ops = TRY(read_ops(op_set, document.actors.size(), limits));
    document.heads_index = TRY(read_heads_index(in, document.heads.size()));
    return document;
}

} // namespace

std::vector<std::uint8_t> encode_document(DocumentData const& document, Deflate deflate)
{
    Compression const compression
        = deflate == Deflate::Never ? Compression::Never : Compression::LargeColumns;
    ByteWriter out;
    write_actors(out, document.actors);
    write_hashes(out, document.heads);
    std::vector<std::uint8_t> const change_data
        = write_columns(out, change_columns(document.changes), compression);
    std::vector<std::uint8_t> const op_data = write_columns(out, op_columns(document.ops), compression);
    out.append(change_data);
    out.append(op_data);
    for (std::uint64_t const index : document.heads_index)
        encode_uleb128(out, index);
    return write_chunk(ChunkType::Document, out.bytes());
}

base::Result<DocumentData, CodecError> decode_document_data(Bytes bytes, DecodeLimits const& limits)
{
    ByteReader in { bytes };
    RawChunk const chunk = TRY(read_chunk(in));
    if (!in.empty())
        return base::unexpected(CodecError { ErrorCode::TrailingBytes, "after the document chunk" });
    if (chunk.type != ChunkType::Document)
        return base::unexpected(
            CodecError { ErrorCode::UnknownChunkType, "a change chunk where a document was expected" });
    if (checksum_of(chunk_digest(chunk.type, chunk.contents)) != chunk.checksum)
        return base::unexpected(CodecError { ErrorCode::BadChecksum, "document chunk" });
    auto document = read_document_contents(chunk.contents, limits);
    if (!document)
        return base::unexpected(inside_chunk(std::move(document).error()));
    return std::move(document).value();
}

} // namespace automerge
