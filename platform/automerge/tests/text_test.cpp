// Text objects: splices by Unicode scalar position and the diffing splice.

#include <automerge/document.h>

#include <gtest/gtest.h>

#include <string_view>

namespace {

using namespace automerge;

struct SpliceCase {
    std::string_view name;
    std::string_view start;
    std::size_t pos;
    std::size_t del;
    std::string_view insert;
    std::string_view want;
};

SpliceCase const kSplices[] = {
    { "insert into empty", "", 0, 0, "héllo", "héllo" },
    { "after an accent", "héllo", 2, 0, "X", "héXllo" },
    { "delete the accent", "héllo", 1, 1, "", "hllo" },
    { "replace the accent", "héllo", 1, 1, "e", "hello" },
    { "after an emoji", "a😀b", 2, 0, "c", "a😀cb" },
    { "delete an emoji", "a😀b", 1, 1, "", "ab" },
    { "emoji for emoji", "a😀b", 1, 1, "🎉👍", "a🎉👍b" },
    { "cjk", "日本語", 1, 1, "本本", "日本本語" },
    { "append to cjk", "日本", 2, 0, "語", "日本語" },
    { "delete everything", "é😀語", 0, 3, "", "" },
    { "no-op splice", "abc", 1, 0, "", "abc" },
    { "combining mark is its own scalar", "e\xCC\x81x", 1, 1, "", "ex" },
};

TEST(Text, SpliceCountsUnicodeScalars)
{
    for (SpliceCase const& c : kSplices) {
        SCOPED_TRACE(c.name);
        Document doc;
        auto const text = doc.put_object(root_obj, "t", ObjType::Text).value();
        ASSERT_TRUE(doc.splice_text(text, 0, 0, c.start));
        ASSERT_TRUE(doc.splice_text(text, c.pos, c.del, c.insert));
        EXPECT_EQ(doc.text(text), c.want);
    }
}

TEST(Text, LengthAndElementsAreScalars)
{
    Document doc;
    auto const text = doc.put_object(root_obj, "t", ObjType::Text).value();
    ASSERT_TRUE(doc.splice_text(text, 0, 0, "aé語😀"));
    EXPECT_EQ(doc.length(text), 4u);
    EXPECT_EQ(doc.get(text, 3), (Value { ScalarValue { std::string("😀") } }));
}

struct DiffedCase {
    std::string_view name;
    std::string_view start;
    std::string_view target;
    std::size_t ops; // in the change the diff makes; 0 means no change at all
};

DiffedCase const kDiffed[] = {
    { "equal makes no change", "hello", "hello", 0 },
    { "append", "hello", "hello!", 1 },
    { "prepend", "world", "hello world", 6 },
    { "middle replace", "the cat sat", "the dog sat", 6 },
    { "delete all", "héllo", "", 5 },
    { "emoji swap", "a😀b", "a😎b", 2 },
    { "emoji appended", "hi", "hi 👋", 2 },
    { "cjk edit", "東京都", "東北都", 2 },
};

TEST(Text, SpliceTextDiffedMakesTheSmallestChange)
{
    for (DiffedCase const& c : kDiffed) {
        SCOPED_TRACE(c.name);
        Document doc;
        auto const text = doc.put_object(root_obj, "t", ObjType::Text).value();
        ASSERT_TRUE(doc.splice_text(text, 0, 0, c.start));
        auto const before = doc.heads();
        ASSERT_TRUE(doc.splice_text_diffed(text, c.target));
        EXPECT_EQ(doc.text(text), c.target);
        auto const made = doc.get_changes(before);
        if (c.ops == 0) {
            EXPECT_TRUE(made.empty());
            continue;
        }
        ASSERT_EQ(made.size(), 1u);
        EXPECT_EQ(made[0].ops.size(), c.ops);
    }
}

// Two replicas editing one text concurrently keep both edits, in the same order on both.
TEST(Text, ConcurrentSplicesMerge)
{
    Document a(ActorId { 1 });
    auto const text = a.put_object(root_obj, "t", ObjType::Text).value();
    ASSERT_TRUE(a.splice_text(text, 0, 0, "Hello world"));
    Document b = a.fork(ActorId { 2 });
    ASSERT_TRUE(a.splice_text(text, 5, 0, ", dear"));
    ASSERT_TRUE(b.splice_text(text, 11, 0, "!"));
    ASSERT_TRUE(b.splice_text(text, 0, 5, "Goodbye"));
    ASSERT_TRUE(a.merge(b));
    ASSERT_TRUE(b.merge(a));
    EXPECT_EQ(a.text(text), "Goodbye, dear world!");
    EXPECT_EQ(b.text(text), a.text(text));
}

} // namespace
