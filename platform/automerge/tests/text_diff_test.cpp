// The smallest splice between two texts, and the UTF-8 splitting it counts scalars with.

#include "text_diff.h"
#include "utf8.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

using automerge::diff_text;
using automerge::split_scalars;
using automerge::TextSplice;

struct DiffCase {
    std::string_view name;
    std::string_view from;
    std::string_view to;
    std::optional<TextSplice> want;
};

DiffCase const kDiffs[] = {
    { "equal", "hello", "hello", std::nullopt },
    { "both empty", "", "", std::nullopt },
    { "append", "hello", "hello world", TextSplice { 5, 0, " world" } },
    { "prepend", "world", "hello world", TextSplice { 0, 0, "hello " } },
    { "middle replace", "the cat sat", "the dog sat", TextSplice { 4, 3, "dog" } },
    { "middle insert", "ac", "abc", TextSplice { 1, 0, "b" } },
    { "middle delete", "abc", "ac", TextSplice { 1, 1, "" } },
    { "delete all", "hello", "", TextSplice { 0, 5, "" } },
    { "from empty", "", "new", TextSplice { 0, 0, "new" } },
    { "replace all", "abc", "xyz", TextSplice { 0, 3, "xyz" } },
    { "repeated letter grows", "aa", "aaa", TextSplice { 2, 0, "a" } },
    { "repeated letter shrinks", "aaa", "a", TextSplice { 1, 2, "" } },
    { "emoji appended", "hi", "hi 👋", TextSplice { 2, 0, " 👋" } },
    { "emoji replaced", "a😀b", "a😎b", TextSplice { 1, 1, "😎" } },
    // Both emoji start with the same three bytes; the diff must not split them.
    { "emoji sharing a prefix", "😀", "😁", TextSplice { 0, 1, "😁" } },
    { "accent edit", "café", "cafe", TextSplice { 3, 1, "e" } },
    { "cjk insert", "日本", "日本語", TextSplice { 2, 0, "語" } },
    { "cjk middle", "東京都", "東北都", TextSplice { 1, 1, "北" } },
};

TEST(TextDiff, SmallestSplice)
{
    for (DiffCase const& c : kDiffs) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(diff_text(c.from, c.to), c.want);
    }
}

// Applying the splice to `from` by scalar position gives `to`, for every pair of a small alphabet.
TEST(TextDiff, SpliceTurnsOneTextIntoTheOther)
{
    std::vector<std::string> texts { "" };
    for (std::string_view const a : { "a", "é", "😀" }) {
        for (std::size_t i = 0, n = texts.size(); i < n; ++i) {
            if (texts[i].size() < 8)
                texts.push_back(texts[i] + std::string(a));
        }
        texts.push_back(std::string(a) + "a" + std::string(a));
    }
    for (std::string const& from : texts) {
        for (std::string const& to : texts) {
            auto const splice = diff_text(from, to);
            auto scalars = *split_scalars(from);
            if (!splice) {
                EXPECT_EQ(from, to);
                continue;
            }
            ASSERT_LE(splice->pos + splice->del, scalars.size());
            std::string result;
            for (std::size_t i = 0; i < splice->pos; ++i)
                result += scalars[i];
            result += splice->insert;
            for (std::size_t i = splice->pos + splice->del; i < scalars.size(); ++i)
                result += scalars[i];
            EXPECT_EQ(result, to) << from << " -> " << to;
        }
    }
}

struct Utf8Case {
    std::string_view name;
    std::string_view text;
    std::optional<std::size_t> scalars;
};

Utf8Case const kUtf8[] = {
    { "empty", "", 0 },
    { "ascii", "abc", 3 },
    { "two-byte", "é", 1 },
    { "three-byte", "語", 1 },
    { "four-byte", "😀", 1 },
    { "largest scalar", "\xF4\x8F\xBF\xBF", 1 },
    { "mixed", "aé語😀", 4 },
    { "lone continuation", "\x80", std::nullopt },
    { "truncated", "\xE8\xAA", std::nullopt },
    { "overlong two-byte", "\xC0\xAF", std::nullopt },
    { "overlong three-byte", "\xE0\x80\xAF", std::nullopt },
    { "overlong four-byte", "\xF0\x80\x80\xAF", std::nullopt },
    { "surrogate", "\xED\xA0\x80", std::nullopt },
    { "past U+10FFFF", "\xF4\x90\x80\x80", std::nullopt },
    { "bad continuation", "\xC3\x28", std::nullopt },
};

TEST(Utf8, SplitsIntoScalars)
{
    for (Utf8Case const& c : kUtf8) {
        SCOPED_TRACE(c.name);
        auto const scalars = split_scalars(c.text);
        ASSERT_EQ(scalars.has_value(), c.scalars.has_value());
        if (scalars) {
            EXPECT_EQ(scalars->size(), *c.scalars);
        }
    }
}

} // namespace
