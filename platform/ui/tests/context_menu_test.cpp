#include <vrel_ui/context_menu.h>
#include <vrel_ui/text.h>
#include <vrel_ui/theme.h>
#include <vrel_ui/widget.h>

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace vrel_ui;

namespace {

constexpr Rect window { 0, 0, 800, 600 };

bool inside_with_margin(Rect r, Rect bounds, float margin)
{
    return r.x >= bounds.x + margin && r.y >= bounds.y + margin && r.right() <= bounds.right() - margin
        && r.bottom() <= bounds.bottom() - margin;
}

class ContextMenuTest : public testing::Test {
protected:
    ContextMenuTest()
    {
        m_menu.push("Edit message", Icon::Edit);
        m_menu.push("Pin to channel", Icon::Pin);
        m_menu.push("Delete message", Icon::Delete, true);
    }

    MenuResponse send(Event const& event) { return m_menu.handle_event(event, m_ctx); }
    MenuResponse key(Key k, Modifiers mods = ModNone) { return send(KeyDown { .key = k, .mods = mods }); }
    Point middle_of(std::size_t index) { return m_menu.item_rect(index)->center(); }

    TextRenderer m_text;
    Theme m_theme { Theme::light() };
    MemoryClipboard m_clipboard;
    NullTextInputHost m_input;
    EventContext m_ctx { m_text, m_theme, m_clipboard, m_input, 0 };
    ContextMenu m_menu;
};

TEST_F(ContextMenuTest, ClampedOpeningStaysInsideTheWindow)
{
    struct Case {
        char const* name;
        Point anchor;
        bool flips_left;
        bool flips_up;
    };
    Case const cases[] = {
        { "room everywhere", { 100, 100 }, false, false },
        { "near the right edge", { 790, 100 }, true, false },
        { "near the bottom edge", { 100, 590 }, false, true },
        { "near the bottom-right corner", { 780, 580 }, true, true },
        { "in the bottom-right margin", { 799, 599 }, true, true },
        { "outside the top-left", { -50, -50 }, false, false },
        { "outside the bottom-right", { 2000, 2000 }, true, true },
    };
    m_menu.layout(m_text, m_theme);
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        m_menu.open_at_clamped(c.anchor, window);
        ASSERT_TRUE(m_menu.is_open());
        Rect const r = m_menu.rect();
        EXPECT_TRUE(inside_with_margin(r, window, 8)) << r.x << "," << r.y << " " << r.w << "x" << r.h;
        if (c.flips_left && c.anchor.x <= window.right() - 8) {
            EXPECT_FLOAT_EQ(r.right(), c.anchor.x);
        }
        if (!c.flips_left && c.anchor.x >= 8) {
            EXPECT_FLOAT_EQ(r.x, c.anchor.x);
        }
        if (c.flips_up && c.anchor.y <= window.bottom() - 8) {
            EXPECT_FLOAT_EQ(r.bottom(), c.anchor.y);
        }
    }
}

TEST_F(ContextMenuTest, AnyAnchorInTheWindowKeepsTheMenuInside)
{
    m_menu.layout(m_text, m_theme);
    for (float x = 0; x <= window.w; x += 37) {
        for (float y = 0; y <= window.h; y += 29) {
            m_menu.open_at_clamped({ x, y }, window);
            ASSERT_TRUE(inside_with_margin(m_menu.rect(), window, 8)) << x << "," << y;
        }
    }
}

TEST_F(ContextMenuTest, WiderLabelsStayInsideAfterLayout)
{
    ContextMenu menu;
    menu.push(std::string(30, 'W'));
    menu.open_at_clamped({ 795, 300 }, window);
    float const before = menu.rect().w;
    menu.layout(m_text, m_theme);
    EXPECT_GT(menu.rect().w, before);
    EXPECT_LE(menu.rect().w, ContextMenu::max_width);
    EXPECT_TRUE(inside_with_margin(menu.rect(), window, 8));
}

TEST_F(ContextMenuTest, SizeFollowsTheItems)
{
    m_menu.open_at({ 10, 20 });
    Rect const r = m_menu.rect();
    EXPECT_EQ(r.x, 10);
    EXPECT_EQ(r.y, 20);
    EXPECT_GE(r.w, ContextMenu::min_width);
    EXPECT_FLOAT_EQ(r.h, 2 * ContextMenu::padding + 3 * ContextMenu::item_height);
    EXPECT_EQ(m_menu.item_rect(3), std::nullopt);
}

TEST_F(ContextMenuTest, NothingToShowStaysClosed)
{
    ContextMenu empty;
    empty.open_at({ 10, 10 });
    EXPECT_FALSE(empty.is_open());
    float const nan = std::numeric_limits<float>::quiet_NaN();
    m_menu.open_at({ nan, 10 });
    EXPECT_FALSE(m_menu.is_open());
    m_menu.open_at_clamped({ 10, std::numeric_limits<float>::infinity() }, window);
    EXPECT_FALSE(m_menu.is_open());
    // An unusable window opens the menu unclamped rather than at a broken place.
    m_menu.open_at_clamped({ 10, 10 }, Rect { 0, 0, nan, 10 });
    EXPECT_TRUE(m_menu.is_open());
    EXPECT_EQ(m_menu.rect().x, 10);
}

TEST_F(ContextMenuTest, KeyboardHighlightWraps)
{
    struct Step {
        Key key;
        Modifiers mods;
        std::size_t want;
    };
    // Down from nothing takes the first item, Up from the first the last, and both wrap.
    Step const steps[] = { { Key::Down, ModNone, 0 }, { Key::Down, ModNone, 1 }, { Key::Down, ModNone, 2 },
        { Key::Down, ModNone, 0 }, { Key::Up, ModNone, 2 }, { Key::Up, ModNone, 1 },
        { Key::Home, ModNone, 0 }, { Key::Up, ModNone, 2 }, { Key::Tab, ModNone, 0 },
        { Key::Tab, ModShift, 2 }, { Key::End, ModNone, 2 } };
    m_menu.open_at({ 10, 10 });
    for (Step const& s : steps) {
        MenuResponse const r = key(s.key, s.mods);
        EXPECT_EQ(r, (MenuResponse { .consumed = true }));
        EXPECT_EQ(m_menu.highlighted(), s.want);
    }
    m_menu.open_at({ 10, 10 });
    key(Key::Up);
    EXPECT_EQ(m_menu.highlighted(), 2u);
}

TEST_F(ContextMenuTest, EnterAndSpaceChooseTheHighlightedItem)
{
    for (Key const choose : { Key::Enter, Key::Space }) {
        m_menu.open_at({ 10, 10 });
        EXPECT_EQ(key(choose), (MenuResponse { .consumed = true })); // nothing highlighted yet
        EXPECT_TRUE(m_menu.is_open());
        key(Key::Down);
        key(Key::Down);
        EXPECT_EQ(key(choose), (MenuResponse { .chosen = 1, .closed = true, .consumed = true }));
        EXPECT_FALSE(m_menu.is_open());
    }
}

TEST_F(ContextMenuTest, EscapeCloses)
{
    m_menu.open_at({ 10, 10 });
    EXPECT_EQ(key(Key::Escape), (MenuResponse { .closed = true, .consumed = true }));
    EXPECT_FALSE(m_menu.is_open());
}

TEST_F(ContextMenuTest, PointerHighlightsAndChooses)
{
    m_menu.open_at({ 10, 10 });
    EXPECT_EQ(send(PointerMove { middle_of(1) }), (MenuResponse { .consumed = true }));
    EXPECT_EQ(m_menu.highlighted(), 1u);
    EXPECT_TRUE(send(PointerDown { middle_of(2), PointerButton::Primary }).consumed);
    EXPECT_TRUE(m_menu.is_open());
    EXPECT_EQ(send(PointerUp { middle_of(2), PointerButton::Primary }),
        (MenuResponse { .chosen = 2, .closed = true, .consumed = true }));
    EXPECT_FALSE(m_menu.is_open());
}

TEST_F(ContextMenuTest, ReleaseWithoutPressInsideChoosesNothing)
{
    // The release of the right click that opened the menu may land on an item.
    m_menu.open_at({ 10, 10 });
    EXPECT_EQ(
        send(PointerUp { middle_of(0), PointerButton::Secondary }), (MenuResponse { .consumed = true }));
    EXPECT_EQ(send(PointerUp { middle_of(0), PointerButton::Primary }), (MenuResponse { .consumed = true }));
    EXPECT_TRUE(m_menu.is_open());
    // A press inside released outside any item chooses nothing either.
    send(PointerDown { middle_of(0), PointerButton::Primary });
    EXPECT_EQ(send(PointerUp { { 500, 500 }, PointerButton::Primary }), (MenuResponse { .consumed = true }));
    EXPECT_TRUE(m_menu.is_open());
}

TEST_F(ContextMenuTest, PressOutsideClosesAndIsConsumed)
{
    for (PointerButton const button : { PointerButton::Primary, PointerButton::Secondary }) {
        m_menu.open_at({ 10, 10 });
        EXPECT_EQ(
            send(PointerDown { { 500, 500 }, button }), (MenuResponse { .closed = true, .consumed = true }));
        EXPECT_FALSE(m_menu.is_open());
    }
}

TEST_F(ContextMenuTest, EventsPassThroughAClosedMenu)
{
    Event const events[] = { PointerMove { { 20, 20 } }, PointerDown { { 20, 20 } },
        KeyDown { .key = Key::Escape }, TextEntered { "a" } };
    for (Event const& event : events)
        EXPECT_EQ(send(event), MenuResponse {});
}

TEST_F(ContextMenuTest, OpenMenuHoldsTheKeyboard)
{
    m_menu.open_at({ 10, 10 });
    EXPECT_TRUE(send(TextEntered { "x" }).consumed);
    EXPECT_TRUE(send(KeyDown { .key = Key::Character, .ch = 'x' }).consumed);
    EXPECT_FALSE(send(PointerMove { { 700, 500 } }).consumed);
    EXPECT_EQ(send(FocusChange { false }), (MenuResponse { .closed = true }));
    EXPECT_FALSE(m_menu.is_open());
}

TEST_F(ContextMenuTest, AccessibilityTree)
{
    EXPECT_TRUE(m_menu.accessibility().empty());
    m_menu.open_at({ 10, 10 });
    key(Key::Down);
    auto const nodes = m_menu.accessibility();
    ASSERT_EQ(nodes.size(), 1u);
    AccessNode const& menu = nodes[0];
    EXPECT_EQ(menu.role, Role::Menu);
    EXPECT_EQ(menu.rect, m_menu.rect());
    ASSERT_EQ(menu.children.size(), 3u);
    char const* const labels[] = { "Edit message", "Pin to channel", "Delete message" };
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        AccessNode const& item = menu.children[i];
        EXPECT_EQ(item.id, "context-menu:item:" + std::to_string(i));
        EXPECT_EQ(item.role, Role::MenuItem);
        EXPECT_EQ(item.label, labels[i]);
        EXPECT_EQ(item.destructive, i == 2);
        EXPECT_EQ(item.focused, i == 0);
        EXPECT_EQ(item.rect, *m_menu.item_rect(i));
    }
}

TEST_F(ContextMenuTest, SemanticActionChoosesTheNamedItem)
{
    struct Case {
        std::string_view id;
        std::optional<std::size_t> want;
    };
    Case const cases[] = {
        { "context-menu:item:0", 0 },
        { "context-menu:item:2", 2 },
        { "context-menu:item:3", std::nullopt },
        { "context-menu:item:", std::nullopt },
        { "context-menu:item:-1", std::nullopt },
        { "context-menu:item:+1", std::nullopt },
        { "context-menu:item:01", std::nullopt },
        { "context-menu:item:1x", std::nullopt },
        { "context-menu:item: 1", std::nullopt },
        { "context-menu:item:99999999999999999999999999", std::nullopt },
        { "context-menu", std::nullopt },
        { "other:item:1", std::nullopt },
        { "", std::nullopt },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.id);
        m_menu.open_at({ 10, 10 });
        EXPECT_EQ(m_menu.perform_semantic_action(c.id), c.want);
        EXPECT_EQ(m_menu.is_open(), !c.want.has_value());
    }
    m_menu.close();
    EXPECT_EQ(m_menu.perform_semantic_action("context-menu:item:0"), std::nullopt);
}

TEST_F(ContextMenuTest, DrawShowsHighlightAndDestructiveItems)
{
    Scene scene;
    DrawContext draw { scene, m_text, m_theme, 0 };
    m_menu.draw(draw);
    EXPECT_EQ(scene.size(), 0u);

    m_menu.open_at_clamped({ 100, 100 }, window);
    send(PointerMove { middle_of(1) });
    m_menu.draw(draw);
    bool surface = false, highlight = false;
    int error_texts = 0, plain_texts = 0;
    for (auto const& command : scene.commands()) {
        if (auto const* fill = std::get_if<cmd::FillRoundRect>(&command)) {
            surface = surface || (fill->rect == m_menu.rect() && fill->color == m_theme.surface);
            highlight = highlight || (fill->rect == *m_menu.item_rect(1) && fill->color == m_theme.hover);
        }
        if (auto const* text = std::get_if<cmd::Text>(&command)) {
            EXPECT_TRUE(m_menu.rect().contains(text->origin));
            error_texts += text->color == m_theme.error;
            plain_texts += text->color == m_theme.text;
        }
    }
    EXPECT_TRUE(surface);
    EXPECT_TRUE(highlight);
    EXPECT_EQ(error_texts, 2); // the destructive item's icon and label
    EXPECT_EQ(plain_texts, 2); // the other labels
}

} // namespace
