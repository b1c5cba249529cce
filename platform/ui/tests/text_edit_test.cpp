#include <vrel_ui/text.h>
#include <vrel_ui/text_edit.h>

#include <gtest/gtest.h>

#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

using namespace vrel_ui;
using namespace std::string_view_literals;

namespace {

using Extend = TextEdit::Extend;
using InsertKind = TextEdit::InsertKind;
using EraseUnit = TextEdit::EraseUnit;

// Man, ZWJ, woman, ZWJ, girl: five code points, 18 bytes, one grapheme.
constexpr std::string_view family
    = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
constexpr std::string_view combining_acute = "\xCC\x81";
constexpr std::string_view replacement = "\xEF\xBF\xBD";

std::string cat(std::initializer_list<std::string_view> parts)
{
    std::string out;
    for (auto part : parts)
        out += part;
    return out;
}

bool is_valid_utf8(std::string const& s)
{
    return g_utf8_validate(s.data(), static_cast<gssize>(s.size()), nullptr);
}

struct SanitizeCase {
    std::string_view name;
    std::string input;
    std::string want;
};

TEST(SanitizeEditorText, CleansTable)
{
    SanitizeCase const cases[] = {
        { "valid text is kept", "h\xC3\xA9llo", "h\xC3\xA9llo" },
        { "an emoji sequence is kept", std::string(family), std::string(family) },
        { "a lone continuation byte", "a\x80z", cat({ "a", replacement, "z" }) },
        { "a truncated sequence at the end", "a\xE2\x82", cat({ "a", replacement }) },
        { "a truncated sequence before ASCII", "\xE2\x82z", cat({ replacement, "z" }) },
        { "an overlong slash", "\xC0\xAF", cat({ replacement, replacement }) },
        { "a UTF-16 surrogate", "\xED\xA0\x80", cat({ replacement, replacement, replacement }) },
        { "beyond U+10FFFF", "\xF4\x90\x80\x80",
            cat({ replacement, replacement, replacement, replacement }) },
        { "an invalid lead byte", "\xFFz", cat({ replacement, "z" }) },
        { "CR LF and a lone CR become LF", "a\r\nb\rc\r", "a\nb\nc\n" },
        { "controls are dropped, tab and LF kept", std::string("a\x01\tb\x7f\0c\n", 8), "a\tbc\n" },
        { "a C1 control is dropped", "a\xC2\x85z", "az" },
        { "U+00A0 is not a control", "a\xC2\xA0z", "a\xC2\xA0z" },
        { "empty", "", "" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sanitize_editor_text(c.input), c.want);
    }
}

TEST(SanitizeEditorText, AnyBytesBecomeValidAndStable)
{
    std::uint32_t state = 12345;
    auto const next_byte = [&] {
        state = state * 1664525u + 1013904223u;
        return static_cast<char>(state >> 24);
    };
    for (int round = 0; round < 500; ++round) {
        std::string bytes(static_cast<std::size_t>(round % 40), '\0');
        std::generate(bytes.begin(), bytes.end(), next_byte);
        std::string const clean = sanitize_editor_text(bytes);
        ASSERT_TRUE(is_valid_utf8(clean)) << "round " << round;
        ASSERT_EQ(sanitize_editor_text(clean), clean) << "round " << round;
    }
}

TEST(TextEdit, ConstructsSanitizedWithCaretAtEnd)
{
    TextEdit const edit("a\xFF");
    EXPECT_EQ(edit.text(), cat({ "a", replacement }));
    EXPECT_EQ(edit.caret(), edit.text().size());
    EXPECT_EQ(edit.anchor(), edit.caret());
    EXPECT_FALSE(edit.selection());
}

TEST(TextEdit, SnapsPositionsToGraphemeBoundaries)
{
    TextEdit edit(cat({ "a", family, "e", combining_acute }));
    struct Case {
        std::size_t asked;
        std::size_t want;
    };
    for (auto const [asked, want] : { Case { 0, 0 }, Case { 1, 1 }, Case { 5, 1 }, Case { 18, 1 },
             Case { 19, 19 }, Case { 21, 19 }, Case { 22, 22 }, Case { 1000, 22 } }) {
        SCOPED_TRACE(asked);
        edit.set_caret(asked, Extend::No);
        EXPECT_EQ(edit.caret(), want);
        EXPECT_EQ(edit.anchor(), want);
    }
}

TEST(TextEdit, SelectionIsOrderedAndExtends)
{
    TextEdit edit("hello world");
    edit.set_caret(8, Extend::No);
    edit.set_caret(2, Extend::Yes);
    EXPECT_EQ(edit.selection(), (ByteRange { 2, 8 }));
    EXPECT_EQ(edit.selected_text(), "llo wo");
    EXPECT_EQ(edit.anchor(), 8u);
    edit.set_selection(3, 3);
    EXPECT_FALSE(edit.selection());
    EXPECT_EQ(edit.selected_text(), "");
}

// An inserted base letter joins a combining mark after it into one grapheme: the caret has to
// land after the whole cluster, not inside it.
TEST(TextEdit, InsertBeforeCombiningMarkLeavesCaretOnBoundary)
{
    TextEdit edit(combining_acute);
    edit.set_caret(0, Extend::No);
    ASSERT_TRUE(edit.insert("e"));
    EXPECT_EQ(edit.text(), cat({ "e", combining_acute }));
    EXPECT_EQ(edit.caret(), 3u);
}

TEST(TextEdit, InsertSanitizesAndReportsChange)
{
    TextEdit edit("ab");
    edit.set_caret(1, Extend::No);
    EXPECT_TRUE(edit.insert("x\r\ny\xC0"));
    EXPECT_EQ(edit.text(), cat({ "ax\ny", replacement, "b" }));
    EXPECT_EQ(edit.caret(), 7u);
    EXPECT_FALSE(edit.insert("\x01\x02")) << "nothing left to insert";
    EXPECT_FALSE(edit.insert(""));
}

TEST(TextEdit, OnlyEmptyInsertErasesSelection)
{
    TextEdit edit("hello");
    edit.set_selection(1, 4);
    EXPECT_FALSE(edit.insert("\x01"));
    EXPECT_EQ(edit.text(), "hello");
    EXPECT_TRUE(edit.insert(""));
    EXPECT_EQ(edit.text(), "ho");
}

struct SelectCase {
    std::string_view name;
    std::string text;
    std::size_t at;
    ByteRange want; // anchor, caret
};

TEST(TextEdit, SelectsWordAtTable)
{
    SelectCase const cases[] = {
        { "inside a word", "hello, world", 2, { 0, 5 } },
        { "on punctuation", "hello, world", 5, { 5, 6 } },
        { "on a space run", "a   b", 2, { 1, 4 } },
        { "at the text end takes the word before", "hello, world", 12, { 7, 12 } },
        { "at a line end takes the word before", "one two\nthree", 7, { 4, 7 } },
        { "on an empty line selects nothing", "a\n\nb", 2, { 2, 2 } },
        { "a word with a combining mark", cat({ "cafe", combining_acute, " bar" }), 1, { 0, 6 } },
        { "digits are word characters", "call 911 now", 6, { 5, 8 } },
        { "an emoji on its own", cat({ "hi", family, "yo" }), 5, { 2, 20 } },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        TextEdit edit(c.text);
        edit.select_word_at(c.at);
        EXPECT_EQ(edit.anchor(), c.want.first);
        EXPECT_EQ(edit.caret(), c.want.second);
    }
}

TEST(TextEdit, SelectsLogicalLine)
{
    TextEdit edit("one\ntwo\nthree");
    edit.select_line_at(5);
    EXPECT_EQ(edit.selected_text(), "two");
    edit.select_line_at(13);
    EXPECT_EQ(edit.selected_text(), "three");
}

void type(TextEdit& edit, std::string_view text)
{
    for (char c : text)
        edit.insert(std::string_view(&c, 1), InsertKind::Typed);
}

TEST(TextEdit, UndoTakesBackTypedWordsOneAtATime)
{
    TextEdit edit;
    type(edit, "hello wo");
    ASSERT_EQ(edit.text(), "hello wo");
    ASSERT_TRUE(edit.undo());
    EXPECT_EQ(edit.text(), "hello");
    EXPECT_EQ(edit.caret(), 5u);
    ASSERT_TRUE(edit.undo());
    EXPECT_EQ(edit.text(), "");
    EXPECT_FALSE(edit.undo());
    ASSERT_TRUE(edit.redo());
    EXPECT_EQ(edit.text(), "hello");
    ASSERT_TRUE(edit.redo());
    EXPECT_EQ(edit.text(), "hello wo");
    EXPECT_FALSE(edit.redo());
}

TEST(TextEdit, CaretMovePasteAndEraseStartNewUndoSteps)
{
    TextEdit edit;
    type(edit, "ab");
    edit.set_caret(1, Extend::No);
    type(edit, "c");
    edit.insert("PASTE", InsertKind::Pasted);
    edit.erase_backward(EraseUnit::Grapheme);
    edit.erase_backward(EraseUnit::Grapheme);
    ASSERT_EQ(edit.text(), "acPASb");

    for (std::string_view want : { "acPASTEb", "acb", "ab", "" }) {
        ASSERT_TRUE(edit.undo());
        EXPECT_EQ(edit.text(), want);
    }
}

TEST(TextEdit, NewEditClearsRedoAndResetClearsHistory)
{
    TextEdit edit;
    type(edit, "abc");
    ASSERT_TRUE(edit.undo());
    type(edit, "x");
    EXPECT_FALSE(edit.can_redo());
    edit.reset("fresh");
    EXPECT_FALSE(edit.can_undo());
    EXPECT_FALSE(edit.undo());
    EXPECT_EQ(edit.text(), "fresh");
}

TEST(TextEdit, ReplaceAllIsOneUndoableStep)
{
    TextEdit edit("draft");
    EXPECT_FALSE(edit.replace_all("draft")) << "same text is no edit";
    EXPECT_TRUE(edit.replace_all("new\xFF"));
    EXPECT_EQ(edit.text(), cat({ "new", replacement }));
    EXPECT_EQ(edit.caret(), edit.text().size());
    ASSERT_TRUE(edit.undo());
    EXPECT_EQ(edit.text(), "draft");
}

// Every operation keeps the model's invariants on text mixing emoji, marks and lines: valid
// UTF-8, and caret and anchor inside the text on grapheme boundaries.
TEST(TextEdit, RandomOperationsKeepInvariants)
{
    std::string const seed
        = cat({ "ab ", family, " e", combining_acute, "\n\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7, x" });
    std::vector<std::function<void(TextEdit&, std::size_t)>> const ops = {
        [](TextEdit& e, std::size_t n) { e.set_caret(n, Extend::No); },
        [](TextEdit& e, std::size_t n) { e.set_caret(n, Extend::Yes); },
        [](TextEdit& e, std::size_t n) { e.move(static_cast<TextEdit::Motion>(n % 8), Extend::No); },
        [](TextEdit& e, std::size_t n) { e.move(static_cast<TextEdit::Motion>(n % 8), Extend::Yes); },
        [](TextEdit& e, std::size_t) { e.erase_backward(EraseUnit::Grapheme); },
        [](TextEdit& e, std::size_t) { e.erase_forward(EraseUnit::Word); },
        [](TextEdit& e, std::size_t) { e.erase_backward(EraseUnit::Word); },
        [&](TextEdit& e, std::size_t) { e.insert(combining_acute, InsertKind::Typed); },
        [&](TextEdit& e, std::size_t) { e.insert(seed, InsertKind::Pasted); },
        [](TextEdit& e, std::size_t n) { e.select_word_at(n); },
        [](TextEdit& e, std::size_t) { e.undo(); },
        [](TextEdit& e, std::size_t) { e.redo(); },
    };
    TextEdit edit(seed);
    std::uint32_t state = 7;
    for (int step = 0; step < 2000; ++step) {
        state = state * 1664525u + 1013904223u;
        std::size_t const pick = state >> 8;
        ops[pick % ops.size()](edit, (pick / ops.size()) % (edit.text().size() + 2));
        auto const bounds = grapheme_boundaries(edit.text());
        ASSERT_TRUE(is_valid_utf8(edit.text())) << "step " << step;
        ASSERT_TRUE(std::binary_search(bounds.begin(), bounds.end(), edit.caret())) << "step " << step;
        ASSERT_TRUE(std::binary_search(bounds.begin(), bounds.end(), edit.anchor())) << "step " << step;
    }
}

} // namespace
