#include "chunk_header.h"
#include "deflate.h"

#include <automerge/chunk.h>
#include <automerge/leb128.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace automerge;
using Buffer = std::vector<std::uint8_t>;

Buffer read_file(std::filesystem::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

ActorId actor(std::uint8_t fill) { return ActorId(16, fill); }

ChangeHash hash_of(std::uint8_t fill)
{
    ChangeHash hash;
    hash.bytes.fill(fill);
    return hash;
}

struct Case {
    char const* name;
    Change change;
};

std::vector<Case> cases()
{
    std::vector<Case> all;
    all.push_back({ "empty change", Change { .actors = { actor(1) }, .seq = 1, .start_op = 1 } });
    all.push_back({ "map set with metadata",
        Change { .actors = { actor(1) },
            .seq = 3,
            .start_op = 7,
            .time = 1700000000000,
            .message = "hello",
            .deps = { hash_of(2), hash_of(3) },
            .ops = { Op { .key = std::string("title"), .value = std::string("Vrel") } } } });
    all.push_back({ "list edits with preds across actors",
        Change { .actors = { actor(1), actor(9) },
            .seq = 2,
            .start_op = 10,
            .time = -5,
            .ops = {
                Op { .key = std::string("list"), .action = Action::MakeList, .pred = { OpId { 4, 1 } } },
                Op { .obj = OpId { 10, 0 }, .key = ElemId {}, .insert = true, .value = std::int64_t { -3 } },
                Op { .obj = OpId { 10, 0 }, .key = ElemId { OpId { 11, 0 } }, .insert = true, .value = 2.5 },
                Op { .obj = OpId { 10, 0 },
                    .key = ElemId { OpId { 11, 0 } },
                    .action = Action::Delete,
                    .pred = { OpId { 11, 0 } } },
                Op { .key = std::string("n"),
                    .action = Action::Increment,
                    .value = std::int64_t { 2 },
                    .pred = { OpId { 3, 0 }, OpId { 3, 1 } } },
            } } });
    all.push_back({ "every scalar type",
        Change { .actors = { actor(5) },
            .seq = 1,
            .start_op = 1,
            .ops = {
                Op { .key = std::string("null") },
                Op { .key = std::string("t"), .value = true },
                Op { .key = std::string("f"), .value = false },
                Op { .key = std::string("u"), .value = std::uint64_t { 1 } << 40 },
                Op { .key = std::string("bytes"), .value = std::vector<std::uint8_t> { 0, 1, 2 } },
                Op { .key = std::string("counter"), .value = Counter { 12 } },
                Op { .key = std::string("time"), .value = Timestamp { 1234 } },
                Op { .key = std::string("future"), .value = UnknownValue { 14, { 1, 2, 3 } } },
                Op { .key = std::string("nul\0key", 7), .value = std::string("nul\0value", 9) },
            } } });
    all.push_back({ "text with a mark",
        Change { .actors = { actor(7) },
            .seq = 1,
            .start_op = 1,
            .ops = {
                Op { .key = std::string("text"), .action = Action::MakeText },
                Op { .obj = OpId { 1, 0 }, .key = ElemId {}, .insert = true, .value = std::string("a") },
                Op { .obj = OpId { 1, 0 },
                    .key = ElemId { OpId { 2, 0 } },
                    .insert = true,
                    .action = Action::Mark,
                    .value = true,
                    .mark_name = "bold",
                    .expand = true },
                Op { .obj = OpId { 1, 0 },
                    .key = ElemId { OpId { 2, 0 } },
                    .insert = true,
                    .action = Action::Mark },
            } } });
    all.push_back({ "extra bytes from a future writer",
        Change { .actors = { actor(1) }, .seq = 1, .start_op = 1, .extra_bytes = { 0xde, 0xad } } });
    return all;
}

TEST(ChangeChunk, RoundTripsTable)
{
    for (Case const& c : cases()) {
        SCOPED_TRACE(c.name);
        Buffer const bytes = encode_change(c.change);
        auto decoded = decode_change(bytes);
        ASSERT_TRUE(decoded.has_value()) << to_string(decoded.error());
        EXPECT_EQ(decoded->change, c.change);
        EXPECT_EQ(decoded->bytes, bytes);
        EXPECT_EQ(decoded->hash, change_hash(c.change));
        // The hash is SHA-256 over everything after the checksum; the checksum is its start.
        Sha256Digest const digest = sha256(Bytes(bytes).subspan(8));
        EXPECT_TRUE(std::equal(digest.begin(), digest.end(), decoded->hash.bytes.begin()));
        EXPECT_TRUE(std::equal(bytes.begin() + 4, bytes.begin() + 8, digest.begin()));
    }
}

TEST(ChangeChunk, EncodesAnEmptyMessageAsNone)
{
    Change change { .actors = { actor(1) }, .seq = 1, .start_op = 1, .message = "" };
    auto decoded = decode_change(encode_change(change));
    EXPECT_EQ(decoded->change.message, std::nullopt);
}

TEST(ChangeChunk, CompressesLargeChangesAndKeepsTheirHash)
{
    Change change { .actors = { actor(3) }, .seq = 1, .start_op = 1 };
    for (int i = 0; i < 100; ++i)
        change.ops.push_back(Op { .key = "key " + std::to_string(i), .value = std::string(20, 'x') });
    Buffer const plain = encode_change(change);
    Buffer const compressed = compress_change_chunk(plain);
    ASSERT_LT(compressed.size(), plain.size());
    EXPECT_EQ(compressed[8], static_cast<std::uint8_t>(ChunkType::Compressed));
    EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 8, compressed.begin()));
    auto decoded = decode_change(compressed);
    ASSERT_TRUE(decoded.has_value()) << to_string(decoded.error());
    EXPECT_EQ(decoded->change, change);
    EXPECT_EQ(decoded->hash, change_hash(change));
    EXPECT_EQ(decoded->bytes, plain);

    Buffer const small = encode_change(cases()[1].change);
    EXPECT_EQ(compress_change_chunk(small), small);
}

Buffer with_byte(Buffer bytes, std::size_t at, std::uint8_t value)
{
    bytes.at(at) = value;
    return bytes;
}

Buffer prefix(Buffer const& bytes, std::size_t size)
{
    return { bytes.begin(), bytes.begin() + static_cast<long>(size) };
}

// Builds a chunk around contents, with a correct checksum, so the contents' own checks are reached.
Buffer framed(ChunkType type, Buffer const& contents) { return write_chunk(type, contents); }

TEST(ChangeChunk, RejectsBadChunksTable)
{
    Buffer const good = encode_change(cases()[2].change);
    Buffer trailing = good;
    trailing.push_back(0);
    // Contents of a change whose single op column claims more bytes than the chunk has.
    Buffer const short_column { 0, 1, 1, 1, 1, 0, 0, 0, 1, 0x42, 5, 0x7f };
    // The same op column marked as DEFLATE-compressed, which change chunks never are.
    Buffer const deflated_column { 0, 1, 1, 1, 1, 0, 0, 0, 1, 0x4a, 2, 0x7f, 1 };
    // An op whose object names actor 1 of a change with only its author.
    Buffer const bad_actor { 0, 1, 1, 1, 1, 0, 0, 0, 3, 1, 2, 2, 2, 0x42, 2, 0x7f, 1, 0x7f, 1, 0x7f, 5 };
    // Two ops in the key and action columns, one in the insert column.
    Buffer const mismatch { 0, 1, 1, 1, 1, 0, 0, 0, 3, 0x15, 3, 0x34, 1, 0x42, 2, 2, 1, 'a', 1, 2, 1 };
    // Changes a saved document could not give back as they came, so their hash would change.
    Buffer const unused_actor = encode_change(Change { .actors = { actor(1), actor(9) },
        .seq = 1,
        .start_op = 1,
        .ops = { Op { .key = std::string("k"), .value = true } } });
    Buffer const actors_out_of_order = encode_change(Change { .actors = { actor(1), actor(9), actor(5) },
        .seq = 1,
        .start_op = 1,
        .ops = { Op { .key = std::string("k"), .value = true, .pred = { OpId { 3, 1 }, OpId { 4, 2 } } } } });
    struct Bad {
        char const* name;
        Buffer bytes;
        ErrorCode want;
    };
    Bad const bad[] = {
        { "an actor no op names", unused_actor, ErrorCode::NotReproducible },
        { "other actors out of id order", actors_out_of_order, ErrorCode::NotReproducible },
        { "empty", {}, ErrorCode::Truncated },
        { "header only", prefix(good, 8), ErrorCode::Truncated },
        { "truncated contents", prefix(good, good.size() - 1), ErrorCode::Truncated },
        { "bad magic", with_byte(good, 0, 0x86), ErrorCode::BadMagic },
        { "bad checksum", with_byte(good, 5, good[5] ^ 1), ErrorCode::BadChecksum },
        { "damaged contents", with_byte(good, good.size() - 1, good.back() ^ 0x40), ErrorCode::BadChecksum },
        { "unknown chunk type", with_byte(good, 8, 7), ErrorCode::UnknownChunkType },
        { "trailing bytes", trailing, ErrorCode::TrailingBytes },
        { "document chunk", framed(ChunkType::Document, { 0, 0, 0, 0 }), ErrorCode::UnknownChunkType },
        { "contents end in the header fields", framed(ChunkType::Change, { 0, 1 }),
            ErrorCode::ShortContents },
        { "too many dependencies", framed(ChunkType::Change, { 5, 0 }), ErrorCode::ShortContents },
        { "column past the chunk", framed(ChunkType::Change, short_column), ErrorCode::ColumnOutOfBounds },
        { "compressed column", framed(ChunkType::Change, deflated_column), ErrorCode::UnexpectedCompression },
        { "actor index out of range", framed(ChunkType::Change, bad_actor), ErrorCode::BadActorIndex },
        { "columns of different lengths", framed(ChunkType::Change, mismatch),
            ErrorCode::ColumnLengthMismatch },
        { "compressed garbage", framed(ChunkType::Compressed, { 0xff, 0xff }), ErrorCode::BadDeflate },
    };
    for (Bad const& c : bad) {
        SCOPED_TRACE(c.name);
        auto decoded = decode_change(c.bytes);
        ASSERT_FALSE(decoded.has_value());
        EXPECT_EQ(decoded.error().code, c.want) << to_string(decoded.error());
    }
}

TEST(ChangeChunk, LimitsRowsDescribedByHugeRuns)
{
    // Runs of 2^40 keys and 2^40 sets cost a few bytes each.
    Buffer const contents { 0, 1, 1, 1, 1, 0, 0, 0, 2, 0x15, 8, 0x42, 7, 0x80, 0x80, 0x80, 0x80, 0x80, 0x20,
        1, 'a', 0x80, 0x80, 0x80, 0x80, 0x80, 0x20, 1 };
    DecodeLimits const limits { .max_rows = 1000 };
    auto decoded = decode_change(framed(ChunkType::Change, contents), limits);
    ASSERT_FALSE(decoded.has_value());
    EXPECT_EQ(decoded.error().code, ErrorCode::TooManyRows);
}

TEST(ChangeChunk, LimitsInflatedSize)
{
    Buffer const zeros(1 << 20, 0);
    Buffer const bomb = framed(ChunkType::Compressed, deflate_raw(zeros));
    DecodeLimits const limits { .max_inflated_bytes = 1 << 16 };
    EXPECT_EQ(decode_change(bomb, limits).error().code, ErrorCode::InflateLimit);
}

// Change chunks the reference wrote (incremental saves after a document chunk) decode, and
// re-encoding what was decoded reproduces them byte for byte.
TEST(ChangeChunk, ReadsAndReproducesReferenceChanges)
{
    Buffer const file
        = read_file(std::filesystem::path(FIXTURES_DIR) / "reference" / "incremental.automerge");
    ASSERT_FALSE(file.empty());
    ByteReader in { file };
    int changes = 0;
    while (!in.empty()) {
        std::size_t const start = in.position();
        auto chunk = read_chunk(in);
        ASSERT_TRUE(chunk.has_value()) << to_string(chunk.error());
        if (chunk->type != ChunkType::Change)
            continue;
        Buffer const bytes(
            file.begin() + static_cast<long>(start), file.begin() + static_cast<long>(in.position()));
        auto decoded = decode_change(bytes);
        ASSERT_TRUE(decoded.has_value()) << to_string(decoded.error());
        EXPECT_EQ(encode_change(decoded->change), bytes) << "change " << changes;
        ++changes;
    }
    EXPECT_GE(changes, 4);
}

} // namespace
