#include "chunk_header.h"
#include "codec_files.h"

#include <automerge/chunk.h>

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace automerge;
using automerge::testing::hex;
using Buffer = std::vector<std::uint8_t>;

// The document chunks of a file, as separate byte strings.
std::vector<Buffer> document_chunks(Buffer const& file)
{
    std::vector<Buffer> chunks;
    ByteReader in { file };
    while (!in.empty()) {
        std::size_t const start = in.position();
        auto chunk = read_chunk(in);
        if (!chunk)
            break;
        if (chunk->type == ChunkType::Document)
            chunks.emplace_back(
                file.begin() + static_cast<long>(start), file.begin() + static_cast<long>(in.position()));
    }
    return chunks;
}

std::vector<std::string> head_strings(std::vector<ChangeHash> const& heads)
{
    std::vector<std::string> strings;
    for (ChangeHash const& head : heads)
        strings.push_back(hex(head));
    return strings;
}

TEST(DocChunk, DecodesTheEmptyDocument)
{
    // The smallest document: no actors, heads or columns.
    Buffer const empty { 0x85, 0x6f, 0x4a, 0x83, 0xb8, 0x1a, 0x95, 0x44, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00 };
    auto data = decode_document_data(empty);
    ASSERT_TRUE(data.has_value()) << to_string(data.error());
    EXPECT_EQ(data.value(), DocumentData {});
    EXPECT_EQ(encode_document(DocumentData {}), empty);
    EXPECT_TRUE(decode_document(empty)->empty());
}

// Every document chunk the reference wrote decodes, and its rebuilt changes hash to the heads it
// lists. Comparisons go through bytes, because NaN values are not equal to themselves.
TEST(DocChunk, ReadsEveryReferenceDocument)
{
    auto const files = automerge::testing::reference_files();
    if (files.empty())
        GTEST_SKIP() << "no reference fixtures";
    for (auto const& path : files) {
        SCOPED_TRACE(path.filename().string());
        for (Buffer const& chunk : document_chunks(automerge::testing::read_file(path))) {
            auto data = decode_document_data(chunk);
            ASSERT_TRUE(data.has_value()) << to_string(data.error());
            auto changes = document_changes(data.value());
            ASSERT_TRUE(changes.has_value()) << to_string(changes.error());
            EXPECT_EQ(changes->size(), data->changes.size());
            for (DecodedChange const& change : changes.value()) {
                auto again = decode_change(change.bytes);
                ASSERT_TRUE(again.has_value()) << to_string(again.error());
                EXPECT_EQ(encode_change(again->change), change.bytes);
            }
            Buffer const plain = encode_document(data.value(), Deflate::Never);
            auto round_trip = decode_document_data(encode_document(data.value()));
            ASSERT_TRUE(round_trip.has_value()) << to_string(round_trip.error());
            EXPECT_EQ(encode_document(round_trip.value(), Deflate::Never), plain);
        }
    }
}

// Without compression there is one way to write a document, so ours must be the reference's: the
// reference leaves small documents uncompressed, and one fixture is saved without compression.
TEST(DocChunk, ReproducesUncompressedReferenceDocuments)
{
    int reproduced = 0;
    for (auto const& path : automerge::testing::reference_files()) {
        SCOPED_TRACE(path.filename().string());
        for (Buffer const& chunk : document_chunks(automerge::testing::read_file(path))) {
            auto data = decode_document_data(chunk);
            ASSERT_TRUE(data.has_value()) << to_string(data.error());
            Buffer const ours = encode_document(data.value(), Deflate::Never);
            // Chunks with deflated columns differ in the DEFLATE streams, and only there.
            if (ours.size() == chunk.size()) {
                EXPECT_EQ(ours, chunk);
                ++reproduced;
            }
        }
    }
    if (reproduced == 0)
        GTEST_SKIP() << "no reference fixtures";
    EXPECT_GE(reproduced, 5);
}

ActorId const actor_a(16, 0x0a);
ActorId const actor_b(16, 0x0b);
constexpr OpId op(std::uint64_t counter, std::uint32_t actor) { return OpId { counter, actor }; }

// Two actors: A makes a list with one element and sets "title"; B, concurrently, sets "title" and
// deletes the element; A then deletes "title", overwriting both values.
DocumentData history()
{
    DocumentData document;
    document.actors = { actor_a, actor_b };
    document.changes = {
        DocumentChange { .actor = 0, .seq = 1, .max_op = 2, .time = 1000, .message = "start" },
        DocumentChange { .actor = 1, .seq = 1, .max_op = 4, .time = 2000, .deps = { 0 } },
        DocumentChange { .actor = 0, .seq = 2, .max_op = 3, .time = 2500, .deps = { 0 } },
        DocumentChange { .actor = 0, .seq = 3, .max_op = 5, .time = 3000, .deps = { 1, 2 } },
    };
    document.ops = {
        DocumentOp { .id = op(1, 0), .key = std::string("list"), .action = Action::MakeList },
        DocumentOp {
            .id = op(3, 0), .key = std::string("title"), .value = std::string("a"), .succ = { op(5, 0) } },
        DocumentOp {
            .id = op(3, 1), .key = std::string("title"), .value = std::string("b"), .succ = { op(5, 0) } },
        DocumentOp { .id = op(2, 0),
            .obj = op(1, 0),
            .key = ElemId {},
            .insert = true,
            .value = std::string("x"),
            .succ = { op(4, 1) } },
    };
    return document;
}

TEST(DocChunk, RebuildsChangesFromSuccessors)
{
    auto changes = document_changes(history());
    ASSERT_TRUE(changes.has_value()) << to_string(changes.error());
    ASSERT_EQ(changes->size(), 4u);
    Change const& first = (*changes)[0].change;
    EXPECT_EQ(first.actors, std::vector<ActorId> { actor_a });
    EXPECT_EQ(first.start_op, 1u);
    EXPECT_EQ(first.message, "start");
    ASSERT_EQ(first.ops.size(), 2u);
    EXPECT_EQ(
        first.ops[1], (Op { .obj = op(1, 0), .key = ElemId {}, .insert = true, .value = std::string("x") }));

    // B's change names A as its second actor; its delete targets A's element.
    Change const& from_b = (*changes)[1].change;
    EXPECT_EQ(from_b.actors, (std::vector<ActorId> { actor_b, actor_a }));
    EXPECT_EQ(from_b.start_op, 3u);
    EXPECT_EQ(from_b.deps, std::vector<ChangeHash> { (*changes)[0].hash });
    ASSERT_EQ(from_b.ops.size(), 2u);
    EXPECT_EQ(from_b.ops[1],
        (Op { .obj = op(1, 1), .key = ElemId { op(2, 1) }, .action = Action::Delete, .pred = { op(2, 1) } }));

    // The last change deletes the conflicting values: one delete with both as predecessors.
    Change const& last = (*changes)[3].change;
    EXPECT_EQ(last.actors, (std::vector<ActorId> { actor_a, actor_b }));
    ASSERT_EQ(last.ops.size(), 1u);
    EXPECT_EQ(last.ops[0],
        (Op { .key = std::string("title"), .action = Action::Delete, .pred = { op(3, 0), op(3, 1) } }));
    std::vector<ChangeHash> deps { (*changes)[1].hash, (*changes)[2].hash };
    std::sort(deps.begin(), deps.end());
    EXPECT_EQ(last.deps, deps);

    for (DecodedChange const& change : changes.value())
        EXPECT_EQ(decode_change(change.bytes).value(), change);
}

TEST(DocChunk, ChecksHeadsAndTheHeadsIndex)
{
    DocumentData document = history();
    ChangeHash const head = document_changes(document).value()[3].hash;
    document.heads = { head };
    document.heads_index = { 3 };
    Buffer const bytes = encode_document(document);
    EXPECT_EQ(decode_document_data(bytes).value(), document);
    EXPECT_EQ(decode_document(bytes).value().size(), 4u);

    DocumentData wrong_head = document;
    wrong_head.heads[0].bytes[0] ^= 1;
    EXPECT_EQ(decode_document(encode_document(wrong_head)).error().code, ErrorCode::HeadsMismatch);
    DocumentData wrong_index = document;
    wrong_index.heads_index = { 2 };
    EXPECT_EQ(decode_document(encode_document(wrong_index)).error().code, ErrorCode::HeadsMismatch);
}

// Re-frames a chunk's contents with something appended, keeping the checksum right.
Buffer with_contents_suffix(Buffer const& chunk, std::uint8_t byte)
{
    ByteReader in { chunk };
    RawChunk const raw = read_chunk(in).value();
    Buffer contents(raw.contents.begin(), raw.contents.end());
    contents.push_back(byte);
    return write_chunk(raw.type, contents);
}

TEST(DocChunk, RejectsInconsistentHistoriesTable)
{
    struct Case {
        char const* name;
        DocumentData document;
        ErrorCode want;
    };
    std::vector<Case> cases;
    auto add = [&](char const* name, auto edit, ErrorCode want) {
        DocumentData document = history();
        edit(document);
        cases.push_back({ name, std::move(document), want });
    };
    add(
        "sequence gap", [](DocumentData& d) { d.changes[3].seq = 4; }, ErrorCode::BadSequenceNumber);
    add(
        "duplicate sequence number", [](DocumentData& d) { d.changes[3].seq = 2; },
        ErrorCode::BadSequenceNumber);
    add(
        "max op going back", [](DocumentData& d) { d.changes[2].max_op = 1; }, ErrorCode::BadMaxOp);
    add(
        "op of no change",
        [](DocumentData& d) { d.ops.push_back(DocumentOp { .id = op(9, 1), .key = std::string("z") }); },
        ErrorCode::OpCounterGap);
    add(
        "counter range with a hole",
        [](DocumentData& d) {
            d.changes[1].max_op = 5;
            d.ops[3].succ = { op(5, 1) };
        },
        ErrorCode::OpCounterGap);
    add(
        "dependency cycle", [](DocumentData& d) { d.changes[0].deps = { 3 }; }, ErrorCode::DependencyCycle);
    add(
        "dependency out of range", [](DocumentData& d) { d.changes[0].deps = { 9 }; },
        ErrorCode::BadDependency);
    add(
        "delete stored as an op", [](DocumentData& d) { d.ops[0].action = Action::Delete; },
        ErrorCode::DeleteInDocument);
    add(
        "unsorted actors", [](DocumentData& d) { std::swap(d.actors[0], d.actors[1]); },
        ErrorCode::UnsortedActors);
    add(
        "author out of range", [](DocumentData& d) { d.changes[0].actor = 2; }, ErrorCode::BadActorIndex);
    add(
        "successor actor out of range", [](DocumentData& d) { d.ops[1].succ = { op(5, 7) }; },
        ErrorCode::BadActorIndex);
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        auto decoded = decode_document(encode_document(c.document));
        ASSERT_FALSE(decoded.has_value());
        EXPECT_EQ(decoded.error().code, c.want) << to_string(decoded.error());
    }
    Buffer const trailing = with_contents_suffix(encode_document(history()), 0x01);
    EXPECT_EQ(decode_document_data(trailing).error().code, ErrorCode::TrailingBytes);
    DocumentData indexed = history();
    indexed.heads = { document_changes(indexed).value()[3].hash };
    indexed.heads_index = { 3 };
    Buffer const after_index = with_contents_suffix(encode_document(indexed), 0x00);
    EXPECT_EQ(decode_document_data(after_index).error().code, ErrorCode::TrailingBytes);
    indexed.heads.push_back(indexed.heads[0]);
    indexed.heads[1].bytes[0] ^= 1;
    Buffer const short_index = encode_document(indexed); // two heads, one index entry
    EXPECT_EQ(decode_document_data(short_index).error().code, ErrorCode::ShortContents);
}

TEST(DocChunk, LimitsRowsAndInflatedBytes)
{
    DocumentData document = history();
    for (std::uint64_t counter = 6; counter < 2000; ++counter)
        document.ops.push_back(DocumentOp { .id = op(counter, 1), .key = "k" + std::to_string(counter) });
    document.changes[1].max_op = 1999;
    Buffer const bytes = encode_document(document);
    EXPECT_EQ(decode_document_data(bytes, { .max_rows = 100 }).error().code, ErrorCode::TooManyRows);
    EXPECT_EQ(
        decode_document_data(bytes, { .max_inflated_bytes = 100 }).error().code, ErrorCode::InflateLimit);
    EXPECT_TRUE(decode_document_data(bytes).has_value());
}

struct PerfFile {
    char const* name;
    std::size_t changes;
};

// Documents written by other programs decode, with the heads the reference reports for them.
TEST(DocChunk, ReadsPerfDocuments)
{
    std::string const perf
        = automerge::testing::read_text(automerge::testing::fixtures_dir() / "reference" / "perf.json");
    for (PerfFile const& file :
        { PerfFile { "text-doc-50k.amrg", 50001 }, PerfFile { "text-doc.amrg", 0 } }) {
        SCOPED_TRACE(file.name);
        auto const path = automerge::testing::perf_dir() / file.name;
        if (!std::filesystem::exists(path)) {
            GTEST_SKIP() << "no perf documents";
        }
        Buffer const bytes = automerge::testing::read_file(path);
        auto data = decode_document_data(bytes);
        ASSERT_TRUE(data.has_value()) << to_string(data.error());
        auto changes = document_changes(data.value());
        ASSERT_TRUE(changes.has_value()) << to_string(changes.error());
        if (file.changes != 0) {
            EXPECT_EQ(changes->size(), file.changes);
        }
        std::size_t const entry = perf.find(std::string("\"") + file.name + "\"");
        ASSERT_NE(entry, std::string::npos);
        EXPECT_EQ(head_strings(data->heads),
            automerge::testing::json_strings(std::string_view(perf).substr(entry), "heads"));
    }
}

// The reference refuses this one ("max_op is lower than start_op"); so must we, with a reason.
TEST(DocChunk, RefusesTheDocumentTheReferenceRefuses)
{
    auto const path = automerge::testing::perf_dir() / "paper.doc.crdt";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "no perf documents";
    auto changes = decode_document(automerge::testing::read_file(path));
    ASSERT_FALSE(changes.has_value());
    EXPECT_FALSE(to_string(changes.error()).empty());
    std::cout << "paper.doc.crdt: " << to_string(changes.error()) << "\n";
}

} // namespace
