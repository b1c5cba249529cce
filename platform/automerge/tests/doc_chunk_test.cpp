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
            chunks.emplace_back(file.begin() + static_cast<long>(start), file.begin() + static_cast<long>(in.position()));
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

// Every document chunk the reference wrote decodes, its rebuilt changes hash to the heads it lists,
// and encoding the decoded tables gives back tables that are equal.
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
                EXPECT_EQ(again->change, change.change);
            }
            auto round_trip = decode_document_data(encode_document(data.value()));
            ASSERT_TRUE(round_trip.has_value()) << to_string(round_trip.error());
            EXPECT_EQ(round_trip.value(), data.value());
        }
    }
}

// Without compression there is one way to write a document, so ours must be the reference's.
TEST(DocChunk, ReproducesAnUncompressedReferenceDocument)
{
    auto const path = automerge::testing::fixtures_dir() / "reference" / "long-uncompressed.automerge";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "no reference fixture";
    Buffer const file = automerge::testing::read_file(path);
    auto const chunks = document_chunks(file);
    ASSERT_EQ(chunks.size(), 1u);
    auto data = decode_document_data(chunks[0]);
    ASSERT_TRUE(data.has_value()) << to_string(data.error());
    EXPECT_EQ(encode_document(data.value(), Deflate::Never), chunks[0]);
}

struct PerfFile {
    char const* name;
    std::size_t changes;
};

// Documents written by other programs decode, with the heads the reference reports for them.
TEST(DocChunk, ReadsPerfDocuments)
{
    std::string const perf = automerge::testing::read_text(automerge::testing::fixtures_dir() / "reference" / "perf.json");
    for (PerfFile const& file : { PerfFile { "text-doc-50k.amrg", 50001 }, PerfFile { "text-doc.amrg", 0 } }) {
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
        if (file.changes != 0)
            EXPECT_EQ(changes->size(), file.changes);
        std::size_t const entry = perf.find(std::string("\"") + file.name + "\"");
        ASSERT_NE(entry, std::string::npos);
        EXPECT_EQ(head_strings(data->heads), automerge::testing::json_strings(std::string_view(perf).substr(entry), "heads"));
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
