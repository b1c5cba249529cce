// The stock painters, as scene commands, so every surface gets the same edges and elevation.
//
// Hairlines are one logical pixel. Outlines are stroked on a rect inset by half a pixel so the
// stroke lies just inside the shape and stays crisp on whole-pixel rects.
#include <vrel_ui/painters.h>

#include <algorithm>
#include <cmath>

namespace vrel_ui::painters {

namespace {

// The theme's size scale, or 1 when the theme carries a broken one.
float scale_of(Theme const& theme) noexcept
{
    return std::isfinite(theme.scale) && theme.scale > 0 ? theme.scale : 1.f;
}

// A one-pixel stroke whose outer edge follows `rect`.
void inner_stroke(Scene& scene, Rect rect, float radius, float inset_by, Color color)
{
    if (rect.w <= 2 * inset_by || rect.h <= 2 * inset_by)
        return;
    scene.stroke_round_rect(inset(rect, inset_by), std::max(0.f, radius - inset_by), 1, color);
}

} // namespace

void card(Scene& scene, Theme const& theme, Rect rect, float radius)
{
    if (rect.empty())
        return;
    float const s = scale_of(theme);
    // Cards sit in content, so their shadow is a tight contact shadow rather than the deeper
    // elevation shadow of floating panels.
    scene.shadow(rect, radius, 6 * s, { 0, 1 * s }, theme.shadow.with_alpha(theme.shadow.a * 0.6f));
    scene.fill_round_rect(rect, radius, theme.surface);
    edge_outline(scene, theme, rect, radius);
}

void edge_on(Scene& scene, Theme const&, Rect rect, Edge edge, Color surface)
{
    if (rect.empty())
        return;
    Color const color = Colors::hairline_on(surface, 28);
    switch (edge) {
    case Edge::Top:
        scene.fill_rect({ rect.x, rect.y, rect.w, 1 }, color);
        return;
    case Edge::Right:
        scene.fill_rect({ rect.right() - 1, rect.y, 1, rect.h }, color);
        return;
    case Edge::Bottom:
        scene.fill_rect({ rect.x, rect.bottom() - 1, rect.w, 1 }, color);
        return;
    case Edge::Left:
        scene.fill_rect({ rect.x, rect.y, 1, rect.h }, color);
        return;
    }
}

void edge_outline(Scene& scene, Theme const& theme, Rect rect, float radius)
{
    inner_stroke(scene, rect, radius, 0.5f, theme.hairline);
}

void separator(Scene& scene, Theme const& theme, Point from, float width)
{
    if (!(width > 0))
        return;
    scene.fill_rect({ from.x, from.y, width, 1 }, theme.hairline);
}

void shadow(Scene& scene, Theme const& theme, Rect rect, float radius)
{
    if (rect.empty())
        return;
    float const s = scale_of(theme);
    scene.shadow(rect, radius, 18 * s, { 0, 6 * s }, theme.shadow);
}

void panel_border(Scene& scene, Theme const& theme, Rect rect, float radius)
{
    inner_stroke(scene, rect, radius, 0.5f, theme.hairline);
    // On a dark panel over dark content the hairline alone vanishes; a faint light line inside
    // it catches the eye the way a lit bevel would. On light panels it only softens the edge.
    Color const highlight = colors::white.with_alpha(theme.dark ? 0.06f : 0.5f);
    inner_stroke(scene, rect, radius, 1.5f, highlight);
}

void soft_outline(Scene& scene, Theme const&, Rect rect, float radius)
{
    inner_stroke(scene, rect, radius, 0.5f, colors::white.with_alpha(0.14f));
}

void floating_drag_grip(Scene& scene, Theme const& theme, Rect grip)
{
    if (grip.empty())
        return;
    float const s = scale_of(theme);
    float const w = std::min(36 * s, grip.w);
    float const h = std::min(4 * s, grip.h);
    Point const c = grip.center();
    scene.fill_round_rect({ c.x - w / 2, c.y - h / 2, w, h }, h / 2, theme.text_muted.with_alpha(0.55f));
}

} // namespace vrel_ui::painters
