#include <vrel_ui/text_input.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

using namespace vrel_ui;

namespace {

constexpr std::string_view family
    = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
constexpr std::string_view combining_acute = "\xCC\x81";
constexpr Rect field_rect { 10, 20, 320, 120 };

std::string cat(std::initializer_list<std::string_view> parts)
{
    std::string out;
    for (auto part : parts)
        out += part;
    return out;
}

// Records what the field asks of the input method.
class RecordingHost final : public TextInputHost {
public:
    void start_text_input(Rect caret) override { starts.push_back(caret); }
    void stop_text_input() override { ++stops; }
    std::vector<Rect> starts;
    int stops {};
};

Event key(Key k, Modifiers mods = ModNone, char32_t ch = 0) { return KeyDown { k, ch, mods, false }; }
Event ctrl(char32_t ch, Modifiers extra = ModNone)
{
    return KeyDown { Key::Character, ch, ModCtrl | extra, false };
}

class TextInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        input.apply_layout_external(field_rect);
        input.set_focused(true, &ctx);
    }

    TextInputResponse send(Event const& event) { return input.handle_event(event, ctx); }

    // The window point of the caret before `byte` on the field's current layout, mid-line.
    Point point_at(std::size_t byte)
    {
        TextStyle style = input.style();
        style.wrap_width = field_rect.w - 2 * input.padding();
        auto const shaped = renderer.shape(input.text(), style);
        Rect const caret = renderer.caret_rect(*shaped, byte);
        return { field_rect.x + input.padding() + caret.x + 0.5f,
            field_rect.y + input.padding() + caret.y + caret.h / 2 - input.scroll_offset() };
    }

    Scene drawn()
    {
        Scene scene;
        DrawContext draw_ctx { scene, renderer, theme, 0 };
        input.draw(draw_ctx);
        return scene;
    }

    static TextRenderer& shared_renderer()
    {
        // Loading fonts is the slow part of a test, so the tests share one renderer.
        static TextRenderer renderer;
        return renderer;
    }

    TextRenderer& renderer { shared_renderer() };
    Theme theme { Theme::light() };
    MemoryClipboard clipboard;
    RecordingHost host;
    EventContext ctx { renderer, theme, clipboard, host, 0 };
    TextInput input { TextInput::local() };
};

struct KeyCase {
    std::string_view name;
    std::string text;
    std::size_t anchor;
    std::size_t caret;
    Event event;
    std::string want_text;
    std::size_t want_anchor;
    std::size_t want_caret;
};

TEST_F(TextInputTest, KeysEditTable)
{
    std::string const emoji = cat({ "ab", family, "cd" }); // family at [2, 20)
    std::string const accent = cat({ "cafe", combining_acute, "!" }); // e + mark at [3, 6)
    std::string const accent_words = cat({ "cafe", combining_acute, " bar" });
    std::string const flag = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7x";
    KeyCase const cases[] = {
        { "backspace removes a whole ZWJ sequence", emoji, 20, 20, key(Key::Backspace), "abcd", 2, 2 },
        { "delete removes a whole ZWJ sequence", emoji, 2, 2, key(Key::Delete), "abcd", 2, 2 },
        { "right steps over a ZWJ sequence", emoji, 2, 2, key(Key::Right), emoji, 20, 20 },
        { "left steps over a ZWJ sequence", emoji, 20, 20, key(Key::Left), emoji, 2, 2 },
        { "backspace removes a letter with its mark", accent, 6, 6, key(Key::Backspace), "caf!", 3, 3 },
        { "right steps over a letter with its mark", accent, 3, 3, key(Key::Right), accent, 6, 6 },
        { "left steps over a flag", flag, 8, 8, key(Key::Left), flag, 0, 0 },
        { "backspace at the start does nothing", "ab", 0, 0, key(Key::Backspace), "ab", 0, 0 },
        { "delete at the end does nothing", "ab", 2, 2, key(Key::Delete), "ab", 2, 2 },
        { "ctrl+left to the word start", "hello, world", 12, 12, key(Key::Left, ModCtrl), "hello, world", 7,
            7 },
        { "ctrl+left skips punctuation", "hello, world", 7, 7, key(Key::Left, ModCtrl), "hello, world", 0,
            0 },
        { "ctrl+right to the word end", "hello, world", 0, 0, key(Key::Right, ModCtrl), "hello, world", 5,
            5 },
        { "ctrl+right skips punctuation", "hello, world", 5, 5, key(Key::Right, ModCtrl), "hello, world", 12,
            12 },
        { "ctrl+left keeps a mark in its word", accent_words, 7, 7, key(Key::Left, ModCtrl), accent_words, 0,
            0 },
        { "ctrl+right keeps a mark in its word", accent_words, 0, 0, key(Key::Right, ModCtrl), accent_words,
            6, 6 },
        { "ctrl+backspace removes a word", "hello, world", 12, 12, key(Key::Backspace, ModCtrl), "hello, ", 7,
            7 },
        { "ctrl+backspace takes the punctuation too", "hello, world", 7, 7, key(Key::Backspace, ModCtrl),
            "world", 0, 0 },
        { "ctrl+delete removes to the word end", "hello, world", 5, 5, key(Key::Delete, ModCtrl), "hello", 5,
            5 },
        { "shift+right extends", "hello", 0, 0, key(Key::Right, ModShift), "hello", 0, 1 },
        { "shift+ctrl+right extends by a word", "hello you", 0, 0, key(Key::Right, ModShift | ModCtrl),
            "hello you", 0, 5 },
        { "shift+left shrinks a selection", "hello", 0, 3, key(Key::Left, ModShift), "hello", 0, 2 },
        { "left collapses a selection to its start", "hello", 1, 4, key(Key::Left), "hello", 1, 1 },
        { "right collapses a selection to its end", "hello", 4, 1, key(Key::Right), "hello", 4, 4 },
        { "backspace removes the selection", "hello", 1, 4, key(Key::Backspace), "ho", 1, 1 },
        { "delete removes the selection", "hello", 4, 1, key(Key::Delete), "ho", 1, 1 },
        { "home goes to the line start", "one\ntwo", 5, 5, key(Key::Home), "one\ntwo", 4, 4 },
        { "end goes to the line end", "one\ntwo", 1, 1, key(Key::End), "one\ntwo", 3, 3 },
        { "shift+home selects to the line start", "one\ntwo", 6, 6, key(Key::Home, ModShift), "one\ntwo", 6,
            4 },
        { "ctrl+home goes to the text start", "one\ntwo", 5, 5, key(Key::Home, ModCtrl), "one\ntwo", 0, 0 },
        { "ctrl+end goes to the text end", "one\ntwo", 1, 1, key(Key::End, ModCtrl), "one\ntwo", 7, 7 },
        { "ctrl+a selects all", "hello", 2, 2, ctrl('a'), "hello", 0, 5 },
        { "shift+enter inserts a newline", "ab", 1, 1, key(Key::Enter, ModShift), "a\nb", 2, 2 },
        { "typing replaces the selection", "hello", 1, 4, TextEntered { "EY" }, "hEYo", 3, 3 },
        { "typed invalid UTF-8 is replaced", "", 0, 0, TextEntered { "a\xFF" }, "a\xEF\xBF\xBD", 4, 4 },
        { "alt chords are left to the application", "ab", 1, 1, key(Key::Backspace, ModAlt), "ab", 1, 1 },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        input.set_text(c.text);
        input.set_selection(c.anchor, c.caret);
        send(c.event);
        EXPECT_EQ(input.text(), c.want_text);
        EXPECT_EQ(input.edit().anchor(), c.want_anchor);
        EXPECT_EQ(input.cursor_pos(), c.want_caret);
    }
}

TEST_F(TextInputTest, SelectionRangeIsOrderedAndOnlyWhenNotEmpty)
{
    input.set_text("hello");
    input.set_selection(4, 1);
    EXPECT_EQ(input.selection_range_public(), (std::pair<std::size_t, std::size_t> { 1, 4 }));
    input.set_cursor_pos(2);
    EXPECT_FALSE(input.selection_range_public());
    input.set_cursor_pos(1000);
    EXPECT_EQ(input.cursor_pos(), 5u);
}

TEST_F(TextInputTest, ClipboardCopyCutPaste)
{
    input.set_text("hello world");
    input.set_selection(0, 5);
    EXPECT_EQ(send(ctrl('c')), TextInputResponse::Handled);
    EXPECT_EQ(clipboard.text(), "hello");
    EXPECT_EQ(input.text(), "hello world");

    input.set_selection(5, 11);
    send(ctrl('x'));
    EXPECT_EQ(clipboard.text(), " world");
    EXPECT_EQ(input.text(), "hello");

    input.set_cursor_pos(0);
    send(ctrl('v'));
    EXPECT_EQ(input.text(), " worldhello");
    EXPECT_EQ(input.cursor_pos(), 6u);
}

TEST_F(TextInputTest, PasteSanitizesClipboardText)
{
    clipboard.set_text("a\xFF\r\nb\x01");
    send(ctrl('v'));
    EXPECT_EQ(input.text(), "a\xEF\xBF\xBD\nb");
}

TEST_F(TextInputTest, CopyWithoutSelectionLeavesClipboardAlone)
{
    clipboard.set_text("keep");
    input.set_text("hello");
    EXPECT_EQ(send(ctrl('c')), TextInputResponse::Handled);
    send(ctrl('x'));
    EXPECT_EQ(clipboard.text(), "keep");
    EXPECT_EQ(input.text(), "hello");
}

TEST_F(TextInputTest, UndoAndRedoShortcuts)
{
    for (char c : std::string_view("hi there"))
        send(TextEntered { std::string(1, c) });
    send(ctrl('z'));
    EXPECT_EQ(input.text(), "hi");
    send(ctrl('z', ModShift));
    EXPECT_EQ(input.text(), "hi there");
    send(ctrl('z'));
    send(ctrl('y'));
    EXPECT_EQ(input.text(), "hi there");
}

TEST_F(TextInputTest, EnterSubmitsAndShiftEnterInsertsNewline)
{
    input.set_text("send me");
    EXPECT_EQ(send(key(Key::Enter)), TextInputResponse::Submitted);
    EXPECT_EQ(input.text(), "send me");
    EXPECT_EQ(send(key(Key::Enter, ModCtrl)), TextInputResponse::Submitted);
    EXPECT_EQ(send(KeyDown { Key::Enter, 0, ModNone, true }), TextInputResponse::Handled) << "held Enter";
    EXPECT_EQ(send(key(Key::Enter, ModShift)), TextInputResponse::Handled);
    EXPECT_EQ(input.text(), "send me\n");
}

TEST_F(TextInputTest, CompositionIsShownButNotTextUntilCommitted)
{
    input.set_text("ab");
    input.set_cursor_pos(1);
    EXPECT_EQ(send(TextComposition { "\xE3\x81\xAB\xE3\x81\xBB", 1, 0 }), TextInputResponse::Handled);
    EXPECT_EQ(input.text(), "ab");
    EXPECT_EQ(input.composition(), "\xE3\x81\xAB\xE3\x81\xBB");
    EXPECT_FALSE(input.take_dirty());
    EXPECT_EQ(send(key(Key::Enter)), TextInputResponse::Handled) << "Enter belongs to the input method";

    send(TextComposition { "", 0, 0 });
    EXPECT_EQ(input.composition(), "");
    EXPECT_EQ(input.text(), "ab");

    send(TextComposition { "\xE3\x81\xAB", 1, 0 });
    send(TextEntered { "\xE6\x97\xA5" });
    EXPECT_EQ(input.composition(), "");
    EXPECT_EQ(input.text(),
        "a\xE6\x97\xA5"
        "b");
    EXPECT_EQ(input.cursor_pos(), 4u);
    EXPECT_TRUE(input.take_dirty());
}

TEST_F(TextInputTest, CompositionOverSelectionReplacesItOnlyOnCommit)
{
    input.set_text("hello");
    input.set_selection(1, 4);
    send(TextComposition { "x", 1, 0 });
    EXPECT_EQ(input.text(), "hello");
    send(TextEntered { "x" });
    EXPECT_EQ(input.text(), "hxo");
}

TEST_F(TextInputTest, CompositionIsDrawnUnderlinedInline)
{
    input.set_text("ab");
    input.set_cursor_pos(1);
    send(TextComposition { "zz", 2, 0 });
    Scene const scene = drawn();
    auto const& commands = scene.commands();
    auto const text = std::find_if(commands.begin(), commands.end(),
        [](Command const& c) { return std::holds_alternative<cmd::Text>(c); });
    ASSERT_NE(text, commands.end());
    EXPECT_GT(std::get<cmd::Text>(*text).text->size().w, renderer.shape("ab", input.style())->size().w)
        << "the preedit widens the drawn text";
    EXPECT_TRUE(std::any_of(commands.begin(), commands.end(), [](Command const& c) {
        return std::holds_alternative<cmd::Line>(c);
    })) << "the preedit is underlined";
}

TEST_F(TextInputTest, CompositionEndsWhenFocusIsLost)
{
    send(TextComposition { "zz", 2, 0 });
    input.set_focused(false, &ctx);
    EXPECT_EQ(input.composition(), "");
    EXPECT_EQ(host.stops, 1);
}

struct DirtyCase {
    std::string_view name;
    std::function<void(TextInput&, EventContext&)> act;
    bool want_dirty;
};

TEST_F(TextInputTest, TakeDirtyTable)
{
    DirtyCase const cases[] = {
        { "set_text is programmatic", [](TextInput& t, EventContext&) { t.set_text("x"); }, false },
        { "typing", [](TextInput& t, EventContext& c) { t.handle_event(TextEntered { "x" }, c); }, true },
        { "erasing", [](TextInput& t, EventContext& c) { t.handle_event(key(Key::Backspace), c); }, true },
        { "erasing nothing", [](TextInput& t, EventContext& c) { t.handle_event(key(Key::Delete), c); },
            false },
        { "moving the caret", [](TextInput& t, EventContext& c) { t.handle_event(key(Key::Left), c); },
            false },
        { "submitting", [](TextInput& t, EventContext& c) { t.handle_event(key(Key::Enter), c); }, false },
        { "insert_at_cursor", [](TextInput& t, EventContext&) { t.insert_at_cursor("!"); }, true },
        { "assistive SetText",
            [](TextInput& t, EventContext&) {
                t.perform_action({ SemanticAction::SetText, "y" });
            },
            true },
        { "select all", [](TextInput& t, EventContext& c) { t.handle_event(ctrl('a'), c); }, false },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        input.set_text("abc");
        (void)input.take_dirty();
        c.act(input, ctx);
        EXPECT_EQ(input.take_dirty(), c.want_dirty);
        EXPECT_FALSE(input.take_dirty()) << "reported once";
    }
}

TEST_F(TextInputTest, PerformActions)
{
    EXPECT_TRUE(input.perform_action({ SemanticAction::SetText, "hello world" }));
    EXPECT_EQ(input.text(), "hello world");
    EXPECT_TRUE(input.perform_action({ SemanticAction::SelectAll, {} }));
    EXPECT_EQ(input.selection_range_public(), (std::pair<std::size_t, std::size_t> { 0, 11 }));
    EXPECT_TRUE(input.perform_action({ SemanticAction::Copy, {} }, clipboard));
    EXPECT_EQ(clipboard.text(), "hello world");
    EXPECT_TRUE(input.perform_action({ SemanticAction::ReplaceSelection, "bye" }));
    EXPECT_EQ(input.text(), "bye");

    clipboard.set_text(" now");
    EXPECT_TRUE(input.perform_action({ SemanticAction::Paste, {} }, clipboard));
    EXPECT_EQ(input.text(), "bye now");
    EXPECT_FALSE(input.perform_action({ SemanticAction::Paste, {} })) << "no clipboard to paste from";
    EXPECT_FALSE(input.perform_action({ SemanticAction::Cut, {} }, clipboard)) << "nothing selected";
    EXPECT_FALSE(input.perform_action({ SemanticAction::Focus, {} }));
    clipboard.set_text("");
    EXPECT_FALSE(input.perform_action({ SemanticAction::Paste, {} }, clipboard));
    EXPECT_EQ(input.text(), "bye now");
}

TEST_F(TextInputTest, AccessibilityNode)
{
    input.set_text("draft");
    AccessNode const node = input.accessibility_node("composer", "Message #general");
    EXPECT_EQ(node.id, "composer");
    EXPECT_EQ(node.role, Role::TextField);
    EXPECT_EQ(node.label, "Message #general");
    EXPECT_EQ(node.description, "draft");
    EXPECT_EQ(node.rect, field_rect);
    EXPECT_TRUE(node.focusable);
    EXPECT_TRUE(node.focused);
}

TEST_F(TextInputTest, ClickPlacesCaretAndDragSelects)
{
    input.set_text("hello world");
    EXPECT_EQ(send(PointerDown { point_at(3) }), TextInputResponse::Handled);
    EXPECT_EQ(input.cursor_pos(), 3u);
    EXPECT_FALSE(input.selection_range_public());

    EXPECT_EQ(send(PointerMove { point_at(8) }), TextInputResponse::Handled);
    EXPECT_EQ(input.selection_range_public(), (std::pair<std::size_t, std::size_t> { 3, 8 }));
    EXPECT_EQ(send(PointerUp { point_at(8) }), TextInputResponse::Handled);

    EXPECT_EQ(send(PointerMove { point_at(10) }), TextInputResponse::Ignored) << "the drag ended";
    EXPECT_EQ(input.selection_range_public(), (std::pair<std::size_t, std::size_t> { 3, 8 }));

    send(PointerDown { point_at(1), PointerButton::Primary, 1, ModShift });
    EXPECT_EQ(input.selection_range_public(), (std::pair<std::size_t, std::size_t> { 1, 3 }))
        << "shift+click";
}

TEST_F(TextInputTest, DragPastTheFieldSelectsToTheEdgeLine)
{
    input.set_text("hello world");
    send(PointerDown { point_at(5) });
    send(PointerMove { { field_rect.right() + 200, point_at(5).y } });
    EXPECT_EQ(input.selection_range_public(), (std::pair<std::size_t, std::size_t> { 5, 11 }));
    send(PointerMove { { field_rect.x - 50, field_rect.y - 50 } });
    EXPECT_EQ(input.selection_range_public(), (std::pair<std::size_t, std::size_t> { 0, 5 }));
}

TEST_F(TextInputTest, DoubleAndTripleClickSelectWordAndLine)
{
    input.set_text("hello big world\nnext");
    send(PointerDown { point_at(7), PointerButton::Primary, 2 });
    EXPECT_EQ(input.selection_range_public(), (std::pair<std::size_t, std::size_t> { 6, 9 }));
    send(PointerUp { point_at(7) });
    send(PointerDown { point_at(7), PointerButton::Primary, 3 });
    EXPECT_EQ(input.selection_range_public(), (std::pair<std::size_t, std::size_t> { 0, 15 }));
}

TEST_F(TextInputTest, ClickOnUnfocusedFieldFocusesIt)
{
    input.set_focused(false, &ctx);
    input.set_text("hello");
    host.starts.clear();
    EXPECT_EQ(send(TextEntered { "x" }), TextInputResponse::Ignored);
    EXPECT_EQ(send(key(Key::Backspace)), TextInputResponse::Ignored);
    EXPECT_EQ(send(PointerDown { { field_rect.x - 5, field_rect.y + 5 } }), TextInputResponse::Ignored);
    EXPECT_EQ(send(PointerDown { point_at(2), PointerButton::Secondary }), TextInputResponse::Ignored);
    EXPECT_FALSE(input.focused());
    EXPECT_EQ(input.text(), "hello");

    EXPECT_EQ(send(PointerDown { point_at(2) }), TextInputResponse::Handled);
    EXPECT_TRUE(input.focused());
    EXPECT_EQ(input.cursor_pos(), 2u);
    ASSERT_FALSE(host.starts.empty());
    EXPECT_TRUE(intersection(host.starts.back(), field_rect)) << "the input method is placed at the caret";
}

TEST_F(TextInputTest, InputMethodFollowsTheCaretAndStopsOnce)
{
    ASSERT_FALSE(host.starts.empty()) << "focusing starts text input";
    Rect const first = host.starts.back();
    send(TextEntered { "wide text" });
    ASSERT_GT(host.starts.size(), 1u);
    EXPECT_GT(host.starts.back().x, first.x);
    EXPECT_EQ(host.starts.back().y, first.y);

    input.set_focused(false, &ctx);
    input.set_focused(false, &ctx);
    EXPECT_EQ(host.stops, 1) << "an unfocused field must not stop another field's input";
}

TEST_F(TextInputTest, UpAndDownKeepTheColumn)
{
    input.set_text("aaaa\na\naaaa");
    input.set_cursor_pos(3);
    send(key(Key::Down));
    EXPECT_EQ(input.cursor_pos(), 6u) << "the short line's end";
    send(key(Key::Down));
    EXPECT_EQ(input.cursor_pos(), 10u) << "back in column 3";
    send(key(Key::Up, ModShift));
    EXPECT_EQ(input.selection_range_public(), (std::pair<std::size_t, std::size_t> { 6, 10 }));
    send(key(Key::Up));
    EXPECT_EQ(input.cursor_pos(), 3u);
    send(key(Key::Up));
    EXPECT_EQ(input.cursor_pos(), 0u) << "up from the first line goes to the start";
    send(key(Key::Down, ModCtrl));
    send(key(Key::PageDown));
    EXPECT_EQ(input.cursor_pos(), input.text().size()) << "down past the last line goes to the end";
}

TEST_F(TextInputTest, UpAndDownMoveBetweenWrappedLines)
{
    std::string long_line;
    for (int i = 0; i < 40; ++i)
        long_line += "word ";
    input.set_text(long_line);
    input.set_cursor_pos(0);
    send(key(Key::Down));
    std::size_t const second_line = input.cursor_pos();
    EXPECT_GT(second_line, 0u);
    EXPECT_LT(second_line, long_line.size()) << "a wrapped line, not the text end";
    send(key(Key::Up));
    EXPECT_EQ(input.cursor_pos(), 0u);
}

template <class T> std::vector<T> commands_of(Scene const& scene)
{
    std::vector<T> out;
    for (auto const& c : scene.commands())
        if (auto const* p = std::get_if<T>(&c))
            out.push_back(*p);
    return out;
}

TEST_F(TextInputTest, DrawsPlaceholderWhenEmpty)
{
    input.set_placeholder("Message #general");
    Scene const scene = drawn();
    ASSERT_TRUE(std::holds_alternative<cmd::PushClip>(scene.commands().front()));
    ASSERT_TRUE(std::holds_alternative<cmd::PopClip>(scene.commands().back()));
    auto const texts = commands_of<cmd::Text>(scene);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].color, theme.text_muted);
    EXPECT_GT(texts[0].text->size().w, 0);
    EXPECT_EQ(texts[0].origin, (Point { field_rect.x + input.padding(), field_rect.y + input.padding() }));

    input.set_text("hi");
    auto const typed = commands_of<cmd::Text>(drawn());
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_EQ(typed[0].color, theme.text);
}

TEST_F(TextInputTest, DrawsSelectionAndCaret)
{
    input.set_text("hello\nworld");
    auto const caret_only = commands_of<cmd::FillRect>(drawn());
    ASSERT_EQ(caret_only.size(), 1u) << "the caret";
    EXPECT_FLOAT_EQ(caret_only[0].rect.w, 1.5f);
    EXPECT_EQ(caret_only[0].color, theme.text);

    input.set_selection(2, 9);
    auto const fills = commands_of<cmd::FillRect>(drawn());
    Color const selection = theme.accent.with_alpha(0.3f);
    auto const selected
        = std::count_if(fills.begin(), fills.end(), [&](auto const& f) { return f.color == selection; });
    EXPECT_EQ(selected, 2) << "one rect per selected line";

    input.set_focused(false, &ctx);
    EXPECT_TRUE(commands_of<cmd::FillRect>(drawn()).empty()) << "no caret or selection without focus";
}

TEST_F(TextInputTest, ScrollsToKeepTheCaretVisible)
{
    std::string lines;
    for (int i = 0; i < 30; ++i)
        lines += "line " + std::to_string(i) + "\n";
    input.set_text(lines);
    auto const caret = commands_of<cmd::FillRect>(drawn());
    ASSERT_EQ(caret.size(), 1u);
    EXPECT_GT(input.scroll_offset(), 0);
    EXPECT_GE(caret[0].rect.y, field_rect.y);
    EXPECT_LE(caret[0].rect.bottom(), field_rect.bottom());

    send(key(Key::Home, ModCtrl));
    EXPECT_EQ(input.scroll_offset(), 0);
    EXPECT_EQ(send(Wheel { field_rect.center(), 0, -2, true }), TextInputResponse::Handled);
    EXPECT_GT(input.scroll_offset(), 0);
    send(Wheel { field_rect.center(), 0, 1000, true });
    EXPECT_EQ(input.scroll_offset(), 0) << "clamped at the top";
}

TEST_F(TextInputTest, WheelOverShortTextIsLeftToTheOwner)
{
    input.set_text("short");
    EXPECT_EQ(send(Wheel { field_rect.center(), 0, -2, true }), TextInputResponse::Ignored);
}

// Hostile input from the window, the owner or an input method must leave a usable field.
TEST_F(TextInputTest, BadInputIsHandledCalmly)
{
    float const nan = std::numeric_limits<float>::quiet_NaN();
    float const inf = std::numeric_limits<float>::infinity();
    input.set_text("abc\xF0\x9F");
    EXPECT_EQ(input.text(), "abc\xEF\xBF\xBD");
    std::vector<Event> const events = {
        PointerDown { { nan, nan } },
        PointerDown { { field_rect.x + 5, field_rect.y + 5 }, PointerButton::Primary, 99 },
        PointerMove { { inf, -inf } },
        PointerUp {},
        Wheel { field_rect.center(), 0, nan, true },
        Wheel { field_rect.center(), inf, inf, false },
        TextComposition { "\xFF\xFE", -5, -5 },
        TextComposition { "ok", 1000, 1000 },
        TextComposition { "", 0, 0 },
        KeyDown { static_cast<Key>(0x7777), 0xFFFFFFFF, 0xFFFFFFFF, true },
        KeyDown { Key::Character, 0x10FFFF, ModCtrl, false },
        TextEntered { std::string("\0\0", 2) },
        key(Key::Up),
        key(Key::PageUp),
        key(Key::PageDown, ModShift),
        FocusChange { false },
    };
    for (auto const& event : events)
        send(event);
    input.set_cursor_pos(std::numeric_limits<std::size_t>::max());
    input.set_selection(std::numeric_limits<std::size_t>::max(), 1);
    input.set_style(TextStyle { nan });
    input.set_padding(-inf);
    input.apply_layout_external({ nan, 0, inf, 10 });
    (void)drawn();
    input.apply_layout_external({ 0, 0, 4, 4 });
    (void)drawn();
    EXPECT_EQ(input.text(), "abc\xEF\xBF\xBD");
    EXPECT_LE(input.cursor_pos(), input.text().size());
}

TEST_F(TextInputTest, PreferredHeightGrowsWithLines)
{
    input.set_text("one");
    float const one = input.preferred_height(renderer, field_rect.w);
    input.set_text("one\ntwo\nthree");
    float const three = input.preferred_height(renderer, field_rect.w);
    EXPECT_GT(one, 2 * input.padding());
    EXPECT_GT(three, one * 2 - 2 * input.padding());
}

TEST_F(TextInputTest, KeepsLocalAuthor)
{
    input.set_local_author("peer:7f3a");
    EXPECT_EQ(input.local_author(), "peer:7f3a");
}

} // namespace
