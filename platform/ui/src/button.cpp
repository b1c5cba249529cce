#include <vrel_ui/button.h>
#include <vrel_ui/text.h>
#include <vrel_ui/theme.h>
#include <vrel_ui/widget.h>

#include <algorithm>
#include <cmath>

namespace vrel_ui {

namespace {

constexpr Weight label_weight = Weight::Medium;
constexpr float hover_lift = 0.08f;
constexpr float active_darken = 0.15f;
constexpr float toggle_tint = 0.25f;
constexpr float toggle_darken = 0.1f;
constexpr float focus_ring_width = 2;

struct Look {
    Color fill;
    Color label;
    bool outline {};
};

Look base_look(Theme const& theme, ButtonKind kind)
{
    switch (kind) {
    case ButtonKind::Primary:
        return { theme.accent, theme.on_accent };
    case ButtonKind::Destructive:
        return { theme.error, theme.on_surface(theme.error) };
    case ButtonKind::Quiet:
        return { colors::transparent, theme.text };
    case ButtonKind::Normal:
        break;
    }
    return { theme.secondary, theme.on_surface(theme.secondary), true };
}

// A toggle that is on looks held in: neutral kinds take some accent, coloured kinds darken.
Color toggled_fill(Theme const& theme, ButtonKind kind, Color fill)
{
    switch (kind) {
    case ButtonKind::Quiet:
        return theme.selected;
    case ButtonKind::Normal:
        return Colors::mix(fill, theme.accent, toggle_tint);
    case ButtonKind::Primary:
    case ButtonKind::Destructive:
        break;
    }
    return Colors::mix(fill, colors::black, toggle_darken);
}

// Hover lifts the fill towards white and holding it down darkens it. A quiet button has no fill to change, so
// it gains the row hover colour instead.
Look state_look(Theme const& theme, ButtonKind kind, ButtonState state)
{
    Look look = base_look(theme, kind);
    if (state.disabled)
        return look;
    bool const quiet = kind == ButtonKind::Quiet;
    if (state.pressed)
        look.fill = toggled_fill(theme, kind, look.fill);
    if (state.active)
        look.fill = quiet ? Colors::mix(theme.hover, colors::black, active_darken)
                          : Colors::mix(look.fill, colors::black, active_darken);
    else if (state.hovered)
        look.fill = quiet && !state.pressed ? theme.hover : Colors::lift(look.fill, hover_lift);
    return look;
}

bool finite(Rect r) noexcept
{
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.w) && std::isfinite(r.h);
}

void paint_label(DrawContext& ctx, Rect rect, ButtonMetrics const& m, std::string_view label, Color color)
{
    std::string const fitted = ctx.text.fit(label, rect.w - 2 * m.padding_x, m.text_size, label_weight);
    if (fitted.empty())
        return;
    auto shaped = ctx.text.shape(fitted, TextStyle { .size = m.text_size, .weight = label_weight });
    Size const extent = shaped->size();
    Point const center = rect.center();
    ctx.scene.text(std::move(shaped), { center.x - extent.w / 2, center.y - extent.h / 2 }, color);
}

} // namespace

ButtonMetrics Button::metrics(Theme const& theme, float text_size)
{
    Spacing const& s = theme.spacing;
    float const size = std::isfinite(text_size) && text_size > 0 ? text_size : 13;
    return { s.medium_inset, s.spacing, s.corner_radius, min_height, size };
}

Size Button::measure(TextRenderer& text, Theme const& theme, std::string_view label, float text_size)
{
    ButtonMetrics const m = metrics(theme, text_size);
    float const label_width = label.empty() ? 0 : text.measure_weighted(label, m.text_size, label_weight).w;
    float const line = text.line_height(m.text_size, label_weight);
    return { label_width + 2 * m.padding_x, std::max(2 * m.padding_y + line, m.min_height) };
}

void Button::paint(
    DrawContext& ctx, Rect rect, std::string_view label, ButtonKind kind, ButtonState state, float text_size)
{
    if (rect.empty() || !finite(rect))
        return;
    Theme const& theme = ctx.theme;
    ButtonMetrics const m = metrics(theme, text_size);
    float const radius = std::min(m.radius, std::min(rect.w, rect.h) / 2);
    Look const look = state_look(theme, kind, state);
    if (state.disabled)
        ctx.scene.push_layer(disabled_opacity);
    if (look.fill.a > 0)
        ctx.scene.fill_round_rect(rect, radius, look.fill);
    if (look.outline)
        ctx.scene.stroke_round_rect(inset(rect, 0.5f), radius, 1, theme.hairline);
    if (state.focused && !state.disabled)
        ctx.scene.stroke_round_rect(
            inset(rect, -focus_ring_width), radius + focus_ring_width, focus_ring_width, theme.accent);
    paint_label(ctx, rect, m, label, look.label);
    if (state.disabled)
        ctx.scene.pop_layer();
}

} // namespace vrel_ui
