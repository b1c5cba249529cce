#include "codec_files.h"

#include <automerge/chunk.h>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using namespace automerge;
using automerge::testing::hex;
using Buffer = std::vector<std::uint8_t>;

// The heads of everything loaded: changes that no loaded change depends on.
std::vector<std::string> heads_of(LoadResult const& result)
{
    std::set<std::string> all;
    std::set<std::string> depended_on;
    for (LoadedChunk const& chunk : result.chunks) {
        for (DecodedChange const& change : chunk.changes) {
            all.insert(hex(change.hash));
            for (ChangeHash const& dep : change.change.deps)
                depended_on.insert(hex(dep));
        }
    }
    std::vector<std::string> heads;
    for (std::string const& hash : all) {
        if (!depended_on.contains(hash))
            heads.push_back(hash);
    }
    return heads;
}

TEST(ChunkLoader, LoadsNothingFromNothing)
{
    LoadResult const result = load_chunks({});
    EXPECT_TRUE(result.chunks.empty());
    EXPECT_EQ(result.tail, TailState::Complete);
    EXPECT_EQ(result.valid_bytes, 0u);
}

// Every reference file loads whole, and the changes in it have the heads the reference reports.
TEST(ChunkLoader, LoadsEveryReferenceFile)
{
    auto const files = automerge::testing::reference_files();
    if (files.empty())
        GTEST_SKIP() << "no reference fixtures";
    for (auto const& path : files) {
        SCOPED_TRACE(path.filename().string());
        Buffer const bytes = automerge::testing::read_file(path);
        LoadResult const result = load_chunks(bytes);
        ASSERT_EQ(result.tail, TailState::Complete) << to_string(result.error.value());
        EXPECT_EQ(result.valid_bytes, bytes.size());
        auto json_path = path;
        json_path.replace_extension(".json");
        std::string const dump = automerge::testing::read_text(json_path);
        EXPECT_EQ(heads_of(result), automerge::testing::json_strings(dump, "heads"));
    }
}

Buffer fixture(char const* name)
{
    return automerge::testing::read_file(automerge::testing::fixtures_dir() / "reference" / name);
}

// Cutting a file anywhere keeps every whole chunk before the cut and reports the rest as unfinished.
TEST(ChunkLoader, KeepsWholeChunksOfATruncatedFile)
{
    Buffer const file = fixture("incremental.automerge");
    if (file.empty())
        GTEST_SKIP() << "no reference fixtures";
    LoadResult const whole = load_chunks(file);
    ASSERT_EQ(whole.tail, TailState::Complete);
    ASSERT_GE(whole.chunks.size(), 3u);
    std::map<std::size_t, std::size_t> chunks_ending_by; // end offset -> chunks up to it
    for (std::size_t i = 0; i < whole.chunks.size(); ++i)
        chunks_ending_by[whole.chunks[i].offset + whole.chunks[i].size] = i + 1;
    for (std::size_t cut = 0; cut <= file.size(); ++cut) {
        SCOPED_TRACE(cut);
        LoadResult const result = load_chunks(Bytes(file).first(cut));
        auto const last = chunks_ending_by.upper_bound(cut);
        std::size_t const expected_chunks = last == chunks_ending_by.begin() ? 0 : std::prev(last)->second;
        std::size_t const expected_valid = last == chunks_ending_by.begin() ? 0 : std::prev(last)->first;
        ASSERT_EQ(result.chunks.size(), expected_chunks);
        ASSERT_EQ(result.valid_bytes, expected_valid);
        ASSERT_EQ(result.tail, cut == expected_valid ? TailState::Complete : TailState::Incomplete);
        if (result.tail == TailState::Incomplete) {
            ASSERT_TRUE(needs_more_bytes(result.error.value()));
        }
    }
}

TEST(ChunkLoader, StopsAtADamagedChunk)
{
    Buffer file = fixture("incremental.automerge");
    if (file.empty())
        GTEST_SKIP() << "no reference fixtures";
    LoadResult const whole = load_chunks(file);
    LoadedChunk const& second = whole.chunks.at(1);
    file[second.offset + second.size / 2] ^= 0x10;
    LoadResult const result = load_chunks(file);
    EXPECT_EQ(result.tail, TailState::Damaged);
    EXPECT_EQ(result.valid_bytes, second.offset);
    ASSERT_EQ(result.chunks.size(), 1u);
    EXPECT_EQ(result.error->code, ErrorCode::BadChecksum);
}

TEST(ChunkLoader, StopsAtBytesThatAreNoChunk)
{
    Buffer file = fixture("text.automerge");
    if (file.empty())
        GTEST_SKIP() << "no reference fixtures";
    std::size_t const size = file.size();
    for (std::uint8_t const byte : { 0x00, 0x00, 0x00, 0x00 })
        file.push_back(byte);
    LoadResult const result = load_chunks(file);
    EXPECT_EQ(result.tail, TailState::Damaged);
    EXPECT_EQ(result.valid_bytes, size);
    EXPECT_EQ(result.chunks.size(), 1u);
    EXPECT_EQ(result.error->code, ErrorCode::BadMagic);
}

// A compressed change is listed as such, and carries the hash of the change inside it.
TEST(ChunkLoader, LoadsCompressedChanges)
{
    Change change { .actors = { ActorId(16, 1) }, .seq = 1, .start_op = 1 };
    for (int i = 0; i < 50; ++i)
        change.ops.push_back(Op { .key = "key " + std::to_string(i), .value = std::string(30, 'y') });
    Buffer const plain = encode_change(change);
    Buffer file = compress_change_chunk(plain);
    file.insert(file.end(), plain.begin(), plain.end());
    LoadResult const result = load_chunks(file);
    ASSERT_EQ(result.tail, TailState::Complete);
    ASSERT_EQ(result.chunks.size(), 2u);
    EXPECT_EQ(result.chunks[0].type, ChunkType::Compressed);
    EXPECT_EQ(result.chunks[1].type, ChunkType::Change);
    EXPECT_EQ(result.chunks[0].changes, result.chunks[1].changes);
}

// Reference-written marks and multi-actor changes re-encode to exactly their bytes: the mark
// columns appear only when used, and a change lists its other actors in id order.
TEST(ChunkLoader, ReencodesCodecFixturesByteForByte)
{
    char const* const names[] = { "marks.automerge", "marks.changes", "actors.automerge", "actors.changes" };
    for (char const* name : names) {
        SCOPED_TRACE(name);
        Buffer const file
            = automerge::testing::read_file(automerge::testing::fixtures_dir() / "codec" / name);
        ASSERT_FALSE(file.empty());
        LoadResult const result = load_chunks(file);
        ASSERT_EQ(result.tail, TailState::Complete) << to_string(result.error.value());
        for (LoadedChunk const& chunk : result.chunks) {
            Bytes const bytes = Bytes(file).subspan(chunk.offset, chunk.size);
            Buffer const original(bytes.begin(), bytes.end());
            if (chunk.type == ChunkType::Change) {
                ASSERT_EQ(chunk.changes.size(), 1u);
                EXPECT_EQ(encode_change(chunk.changes[0].change), original);
            } else {
                EXPECT_EQ(encode_document(decode_document_data(bytes).value(), Deflate::Never), original);
            }
        }
    }
    // The mark ops came through with their names and expand flags.
    LoadResult const marks = load_chunks(
        automerge::testing::read_file(automerge::testing::fixtures_dir() / "codec" / "marks.changes"));
    ASSERT_EQ(marks.chunks.size(), 4u);
    std::vector<Op> const& bold = marks.chunks[1].changes[0].change.ops;
    ASSERT_EQ(bold.size(), 2u);
    EXPECT_EQ(bold[0].action, Action::Mark);
    EXPECT_EQ(bold[0].mark_name, "bold");
    EXPECT_TRUE(bold[0].expand);
    EXPECT_EQ(bold[0].value, ScalarValue { true });
    EXPECT_EQ(bold[1].mark_name, std::nullopt);
}

} // namespace
