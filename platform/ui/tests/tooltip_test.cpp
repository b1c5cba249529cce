#include <vrel_ui/text.h>
#include <vrel_ui/theme.h>
#include <vrel_ui/tooltip.h>
#include <vrel_ui/widget.h>

#include <gtest/gtest.h>

#include <string>

using namespace vrel_ui;

namespace {

constexpr double delay = TooltipHost::show_delay_seconds;

TEST(TooltipHost, ShowsAfterTheDelayOnTheSameLabel)
{
    TooltipHost host;
    host.on_pointer("Mute", { 10, 10 }, 1.0);
    EXPECT_FALSE(host.visible());
    EXPECT_TRUE(host.needs_frame(1.0));
    host.on_pointer("Mute", { 14, 12 }, 1.0 + delay / 2); // moving on the same label keeps the wait
    host.tick(1.0 + delay - 0.01);
    EXPECT_FALSE(host.visible());
    host.tick(1.0 + delay);
    ASSERT_TRUE(host.visible());
    EXPECT_EQ(*host.visible(), (Tooltip { "Mute", { 14, 12 } }));
    EXPECT_FALSE(host.needs_frame(1.0 + delay));
}

TEST(TooltipHost, LabelChangeHidesAtOnceAndWaitsAgain)
{
    TooltipHost host;
    host.on_pointer("Mute", { 10, 10 }, 0);
    host.tick(delay);
    ASSERT_TRUE(host.visible());
    host.on_pointer("Leave call", { 40, 10 }, 2.0);
    EXPECT_FALSE(host.visible());
    EXPECT_EQ(host.due_at(), 2.0 + delay);
    host.tick(2.0 + delay);
    ASSERT_TRUE(host.visible());
    EXPECT_EQ(host.visible()->text, "Leave call");
}

TEST(TooltipHost, NothingUnderThePointerHides)
{
    for (std::optional<std::string> const& none :
        { std::optional<std::string> {}, std::optional<std::string> { "" } }) {
        TooltipHost host;
        host.on_pointer("Mute", { 10, 10 }, 0);
        host.tick(delay);
        ASSERT_TRUE(host.visible());
        host.on_pointer(none, { 300, 10 }, 0.7);
        EXPECT_FALSE(host.visible());
        EXPECT_FALSE(host.needs_frame(0.7));
        host.tick(100);
        EXPECT_FALSE(host.visible());
    }
}

TEST(TooltipHost, ReturningToTheSameLabelStartsOver)
{
    TooltipHost host;
    host.on_pointer("Mute", { 10, 10 }, 0);
    host.on_pointer(std::nullopt, { 300, 10 }, 0.3);
    host.on_pointer("Mute", { 10, 10 }, 0.4);
    host.tick(0.6);
    EXPECT_FALSE(host.visible());
    host.tick(0.4 + delay);
    EXPECT_TRUE(host.visible());
}

TEST(TooltipHost, DismissHoldsUntilTheLabelChanges)
{
    TooltipHost host;
    host.on_pointer("Mute", { 10, 10 }, 0);
    host.tick(delay);
    host.dismiss();
    EXPECT_FALSE(host.visible());
    host.on_pointer("Mute", { 11, 10 }, 5);
    host.tick(10);
    EXPECT_FALSE(host.visible());
    EXPECT_FALSE(host.needs_frame(10));
    host.on_pointer("Deafen", { 40, 10 }, 10);
    host.tick(10 + delay);
    EXPECT_TRUE(host.visible());
}

TEST(TooltipBubble, PlacedBelowRightAndKeptInsideTheWindow)
{
    Rect const window { 0, 0, 400, 300 };
    Size const text { 60, 14 };
    Rect const free = tooltip_bubble_rect(text, { 100, 100 }, window);
    EXPECT_GT(free.x, 100);
    EXPECT_GT(free.y, 100);
    EXPECT_GT(free.w, text.w);
    EXPECT_GT(free.h, text.h);
    for (Point const anchor :
        { Point { 395, 100 }, Point { 100, 295 }, Point { 399, 299 }, Point { -20, -20 } }) {
        SCOPED_TRACE(testing::Message() << anchor.x << "," << anchor.y);
        Rect const r = tooltip_bubble_rect(text, anchor, window);
        EXPECT_EQ(r.w, free.w);
        EXPECT_GE(r.x, window.x);
        EXPECT_GE(r.y, window.y);
        EXPECT_LE(r.right(), window.right());
        EXPECT_LE(r.bottom(), window.bottom());
    }
}

class TooltipDraw : public testing::Test {
protected:
    TextRenderer m_text;
    Theme m_theme { Theme::dark_theme() };
    Scene m_scene;
    DrawContext m_ctx { m_scene, m_text, m_theme, 0 };
};

TEST_F(TooltipDraw, DrawsTheVisibleTooltipInsideTheWindow)
{
    Rect const window { 0, 0, 300, 200 };
    TooltipHost host;
    host.on_pointer(std::string(400, 'w'), { 290, 190 }, 0); // far wider than the window
    draw_hover_tooltip(m_ctx, host, window);
    EXPECT_EQ(m_scene.size(), 0u);

    host.tick(delay);
    draw_hover_tooltip(m_ctx, host, window);
    auto const& commands = m_scene.commands();
    ASSERT_EQ(commands.size(), 2u);
    auto const* bubble = std::get_if<cmd::FillRoundRect>(&commands[0]);
    auto const* text = std::get_if<cmd::Text>(&commands[1]);
    ASSERT_NE(bubble, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(bubble->color, m_theme.tooltip);
    EXPECT_EQ(text->color, m_theme.tooltip_text);
    EXPECT_GE(bubble->rect.x, 0);
    EXPECT_GE(bubble->rect.y, 0);
    EXPECT_LE(bubble->rect.right(), window.right());
    EXPECT_LE(bubble->rect.bottom(), window.bottom());
    EXPECT_GE(text->origin.x, bubble->rect.x);
    EXPECT_LE(text->origin.x + text->text->size().w, bubble->rect.right());
}

TEST_F(TooltipDraw, EmptyWindowDrawsNothing)
{
    TooltipHost host;
    host.on_pointer("Mute", { 10, 10 }, 0);
    host.tick(delay);
    draw_hover_tooltip(m_ctx, host, Rect {});
    EXPECT_EQ(m_scene.size(), 0u);
}

} // namespace
