// The Automerge binary format: change chunks, document chunks and files made of both.
//
// A file (or a sync message's payload) is a sequence of chunks. Each starts with the magic bytes
// 85 6f 4a 83, four bytes of checksum, a type byte and a LEB128 length. A change chunk holds one
// Change; its SHA-256 (over type, length and contents) is the change's hash, which other changes
// name as a dependency. A document chunk holds a whole history in columns, ops in document order
// with successors instead of predecessors; decoding it rebuilds every Change and checks the
// rebuilt hashes against the heads the chunk lists.
//
// Decoders never trust counts: everything they allocate is bounded by the input's size or by
// DecodeLimits, and every failure is a CodecError naming the problem.
#pragma once

#include <automerge/byte_reader.h>
#include <automerge/change.h>
#include <automerge/codec_error.h>
#include <base/result.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace automerge {

enum class ChunkType : std::uint8_t { Document = 0, Change = 1, Compressed = 2 };

// Bounds on what one chunk may make the decoder produce. Run-length encoding and DEFLATE let a few
// bytes describe millions of rows, so these, not the input size, bound memory and time.
struct DecodeLimits {
    std::uint64_t max_rows { std::uint64_t { 1 } << 24 }; // ops, changes or preds/succs per chunk
    std::size_t max_inflated_bytes { std::size_t { 1 } << 30 }; // DEFLATE output per chunk
};

// A change with the identity the bytes give it.
struct DecodedChange {
    Change change;
    ChangeHash hash;
    std::vector<std::uint8_t> bytes; // the uncompressed change chunk that `hash` is taken over
    friend bool operator==(DecodedChange const&, DecodedChange const&) = default;
};

// ---- Change chunks -------------------------------------------------------------------------------
//
// NOTE: An empty message and no message encode the same way and decode as no message. Ops carry the
// change's own actor table (actors[0] is the author); op i gets the id (start_op + i, 0).

// The change chunk for the change. The change must have an author (actors is not empty).
[[nodiscard]] std::vector<std::uint8_t> encode_change(Change const& change);

// The hash of the change's chunk, as encode_change would write it.
[[nodiscard]] ChangeHash change_hash(Change const& change);

// The compressed form (type 2) of a change chunk if the change is larger than 256 bytes, otherwise
// the chunk unchanged. The checksum stays that of the uncompressed change, which names it.
[[nodiscard]] std::vector<std::uint8_t> compress_change_chunk(std::span<std::uint8_t const> change_chunk);

// Decodes one change chunk, compressed or not, which must fill `chunk` exactly.
[[nodiscard]] base::Result<DecodedChange, CodecError> decode_change(
    Bytes chunk, DecodeLimits const& limits = {});

// ---- Document chunks -----------------------------------------------------------------------------
//
// Everything in a document chunk indexes one actor table, sorted by actor id bytes. The op set
// builds a DocumentData from its state and the codec writes it; decoding gives the same back.

// One change's metadata; its ops are the author's ops with counters in (previous max_op, max_op].
struct DocumentChange {
    std::uint32_t actor {}; // index into DocumentData::actors
    std::uint64_t seq {};
    std::uint64_t max_op {}; // the largest op counter in the change (start_op - 1 if it has no ops)
    std::int64_t time {};
    std::optional<std::string> message;
    std::vector<std::uint64_t> deps; // indices of earlier entries of DocumentData::changes
    std::vector<std::uint8_t> extra_bytes;
    friend bool operator==(DocumentChange const&, DocumentChange const&) = default;
};

// One op as a document stores it: its own id, and the ids of the ops that overwrote or deleted it.
// Deletes are not stored as ops; they exist only as successors.
struct DocumentOp {
    OpId id;
    OpId obj { root_id };
    Key key;
    bool insert {};
    Action action { Action::Set };
    ScalarValue value { Null {} };
    std::vector<OpId> succ; // sorted by (counter, actor id)
    std::optional<std::string> mark_name;
    bool expand {};
    friend bool operator==(DocumentOp const&, DocumentOp const&) = default;
};

struct DocumentData {
    std::vector<ActorId> actors; // sorted, no duplicates
    std::vector<ChangeHash> heads; // sorted
    std::vector<DocumentChange> changes; // every change after all of its dependencies
    // In document order: by object (root first, then by op id), then within an object by key
    // (maps: key bytes; lists and text: element order), then by op id. Op ids compare by counter,
    // then by actor id.
    std::vector<DocumentOp> ops;
    // For each head, the index of its change in `changes`; written after the columns.
    std::vector<std::uint64_t> heads_index;
    friend bool operator==(DocumentData const&, DocumentData const&) = default;
};

enum class Deflate : std::uint8_t {
    Never,
    LargeColumns, // columns over 256 bytes, as the reference's save does
};

// The document chunk for the data.
[[nodiscard]] std::vector<std::uint8_t> encode_document(
    DocumentData const& document, Deflate deflate = Deflate::LargeColumns);

// Decodes one document chunk into its tables, checking structure but not hashes.
[[nodiscard]] base::Result<DocumentData, CodecError> decode_document_data(
    Bytes chunk, DecodeLimits const& limits = {});

// Rebuilds the changes of a document (predecessors from successors, deletes from successors
// without ops, hashes in dependency order) and checks them against the listed heads. The result is
// in the order of `document.changes`.
[[nodiscard]] base::Result<std::vector<DecodedChange>, CodecError> document_changes(
    DocumentData const& document);

// decode_document_data followed by document_changes.
[[nodiscard]] base::Result<std::vector<DecodedChange>, CodecError> decode_document(
    Bytes chunk, DecodeLimits const& limits = {});

// ---- Files ---------------------------------------------------------------------------------------

struct LoadedChunk {
    ChunkType type {}; // as written: a compressed change stays Compressed
    std::size_t offset {}; // where the chunk starts in the input
    std::size_t size {}; // its length in the input, header included
    std::vector<DecodedChange> changes; // one for a change chunk, the history for a document
};

enum class TailState : std::uint8_t {
    Complete, // every byte belongs to a valid chunk
    Incomplete, // the bytes after valid_bytes begin a chunk that has not been fully written
    Damaged, // the bytes after valid_bytes are not a valid chunk
};

struct LoadResult {
    std::vector<LoadedChunk> chunks;
    std::size_t valid_bytes {}; // the input up to here is whole, valid chunks
    TailState tail { TailState::Complete };
    std::optional<CodecError> error; // why the tail is not a valid chunk
};

// Splits a concatenation of chunks (what save and incremental saves append to a file) and decodes
// each. A bad chunk ends the load: the result keeps every chunk before it and says where it is.
[[nodiscard]] LoadResult load_chunks(Bytes input, DecodeLimits const& limits = {});

} // namespace automerge
