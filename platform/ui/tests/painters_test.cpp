#include <vrel_ui/painters.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string_view>

using namespace vrel_ui;
using namespace vrel_ui::painters;

namespace {

template <class T> std::vector<T> commands_of(Scene const& scene)
{
    std::vector<T> out;
    for (Command const& c : scene.commands())
        if (auto const* typed = std::get_if<T>(&c))
            out.push_back(*typed);
    return out;
}

// The area a stroke covers, from its path rect and width.
Rect stroke_outer(cmd::StrokeRoundRect const& s) { return inset(s.rect, -s.width / 2); }

bool inside(Rect inner, Rect outer)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.right() <= outer.right()
        && inner.bottom() <= outer.bottom();
}

constexpr Rect kRect { 10, 20, 200, 100 };

} // namespace

TEST(Painters, CardDrawsShadowUnderSurfaceWithHairlineInside)
{
    for (Theme const& theme : { Theme::light(), Theme::dark_theme() }) {
        Scene scene;
        card(scene, theme, kRect, 8);
        ASSERT_EQ(scene.size(), 3u);
        auto const* shadow_cmd = std::get_if<cmd::Shadow>(&scene.commands()[0]);
        auto const* fill = std::get_if<cmd::FillRoundRect>(&scene.commands()[1]);
        auto const* outline = std::get_if<cmd::StrokeRoundRect>(&scene.commands()[2]);
        ASSERT_TRUE(shadow_cmd && fill && outline);
        EXPECT_EQ(fill->rect, kRect);
        EXPECT_EQ(fill->color, theme.surface);
        EXPECT_GT(shadow_cmd->blur, 0.f);
        EXPECT_GT(shadow_cmd->color.a, 0.f);
        EXPECT_EQ(stroke_outer(*outline), kRect);
        EXPECT_EQ(outline->color, theme.hairline);
    }
}

TEST(Painters, EdgeOnDrawsOnePixelAlongTheEdge)
{
    struct Case {
        std::string_view name;
        Edge edge;
        Rect want;
    };
    constexpr Case kCases[] {
        { "top", Edge::Top, { 10, 20, 200, 1 } },
        { "right", Edge::Right, { 209, 20, 1, 100 } },
        { "bottom", Edge::Bottom, { 10, 119, 200, 1 } },
        { "left", Edge::Left, { 10, 20, 1, 100 } },
    };
    Theme const theme = Theme::light();
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        Scene scene;
        edge_on(scene, theme, kRect, c.edge, colors::white);
        auto const fills = commands_of<cmd::FillRect>(scene);
        ASSERT_EQ(fills.size(), 1u);
        EXPECT_EQ(fills[0].rect, c.want);
    }
}

TEST(Painters, EdgeOnContrastsWithTheGivenSurface)
{
    Theme const theme = Theme::light();
    for (Color const surface : { colors::white, Color::rgb(0x1A1B1F) }) {
        Scene scene;
        edge_on(scene, theme, kRect, Edge::Top, surface);
        auto const fills = commands_of<cmd::FillRect>(scene);
        ASSERT_EQ(fills.size(), 1u);
        Color const line = fills[0].color;
        EXPECT_GT(line.a, 0.f);
        EXPECT_LT(line.a, 0.5f);
        // Darker on the light surface, lighter on the dark one, whatever the theme.
        bool const light_surface = surface == colors::white;
        EXPECT_EQ(line.r > 0.5f, !light_surface);
    }
}

TEST(Painters, OutlinesStayInsideTheirRect)
{
    Theme const theme = Theme::dark_theme();
    struct Case {
        std::string_view name;
        void (*paint)(Scene&, Theme const&, Rect, float);
        std::size_t strokes;
    };
    Case const cases[] {
        { "edge_outline", edge_outline, 1 },
        { "panel_border", panel_border, 2 },
        { "soft_outline", soft_outline, 1 },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Scene scene;
        c.paint(scene, theme, kRect, 10);
        auto const strokes = commands_of<cmd::StrokeRoundRect>(scene);
        ASSERT_EQ(strokes.size(), c.strokes);
        EXPECT_EQ(stroke_outer(strokes[0]), kRect);
        for (auto const& s : strokes) {
            EXPECT_TRUE(inside(stroke_outer(s), kRect));
            EXPECT_LE(s.radius, 10.f);
            EXPECT_GT(s.color.a, 0.f);
        }

        Scene tiny;
        c.paint(tiny, theme, { 0, 0, 0.5f, 40 }, 4);
        EXPECT_EQ(tiny.size(), 0u) << "a rect thinner than the stroke has no inside to outline";
    }
}

TEST(Painters, SoftOutlineIsFaintWhite)
{
    Scene scene;
    soft_outline(scene, Theme::light(), kRect, 6);
    auto const strokes = commands_of<cmd::StrokeRoundRect>(scene);
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_EQ(strokes[0].color.with_alpha(1), colors::white);
    EXPECT_LE(strokes[0].color.a, 0.25f);
}

TEST(Painters, SeparatorIsAHorizontalHairline)
{
    Theme const theme = Theme::light();
    Scene scene;
    separator(scene, theme, { 5, 40 }, 120);
    auto const fills = commands_of<cmd::FillRect>(scene);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].rect, (Rect { 5, 40, 120, 1 }));
    EXPECT_EQ(fills[0].color, theme.hairline);

    for (float const width : { 0.f, -3.f, NAN }) {
        Scene none;
        separator(none, theme, { 5, 40 }, width);
        EXPECT_EQ(none.size(), 0u);
    }
}

TEST(Painters, ShadowIsTheThemeShadowBelowTheRect)
{
    for (Theme const& theme : { Theme::light(), Theme::dark_theme() }) {
        Scene scene;
        shadow(scene, theme, kRect, 12);
        auto const shadows = commands_of<cmd::Shadow>(scene);
        ASSERT_EQ(shadows.size(), 1u);
        EXPECT_EQ(shadows[0].rect, kRect);
        EXPECT_EQ(shadows[0].color, theme.shadow);
        EXPECT_GT(shadows[0].blur, 0.f);
        // Light falls from above: the shadow drops downwards, not sideways.
        EXPECT_GT(shadows[0].offset.y, 0.f);
        EXPECT_EQ(shadows[0].offset.x, 0.f);
    }
}

TEST(Painters, DragGripIsACentredPill)
{
    Theme const theme = Theme::light();
    struct Case {
        std::string_view name;
        Rect grip;
    };
    constexpr Case kCases[] {
        { "wide", { 0, 0, 400, 20 } },
        { "offset", { 100, 50, 80, 12 } },
        { "smaller than the pill", { 0, 0, 20, 3 } },
    };
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        Scene scene;
        floating_drag_grip(scene, theme, c.grip);
        auto const pills = commands_of<cmd::FillRoundRect>(scene);
        ASSERT_EQ(pills.size(), 1u);
        Rect const pill = pills[0].rect;
        EXPECT_NEAR(pill.center().x, c.grip.center().x, 1e-4);
        EXPECT_NEAR(pill.center().y, c.grip.center().y, 1e-4);
        EXPECT_TRUE(inside(pill, c.grip));
        EXPECT_GT(pill.w, pill.h * 3) << "a grip reads as a bar";
        EXPECT_FLOAT_EQ(pills[0].radius, pill.h / 2);
    }
    Scene none;
    floating_drag_grip(none, theme, { 0, 0, 0, 10 });
    EXPECT_EQ(none.size(), 0u);
}
