#include <vrel_ui/text.h>
#include <vrel_ui/theme.h>
#include <vrel_ui/tooltip.h>
#include <vrel_ui/widget.h>

#include <algorithm>
#include <cmath>

namespace vrel_ui {

namespace {

constexpr float bubble_padding_x = 8;
constexpr float bubble_padding_y = 4;
constexpr float bubble_radius = 6;
constexpr float max_text_width = 320;
constexpr float window_margin = 4;
// Below and right of the pointer, so the bubble clears a standard arrow cursor.
constexpr Point pointer_offset { 12, 18 };

} // namespace

void TooltipHost::on_pointer(std::optional<std::string> label, Point pos, double now)
{
    if (label && label->empty())
        label.reset();
    if (label != m_label) {
        m_label = std::move(label);
        m_since = now;
        m_shown = false;
        m_dismissed = false;
    }
    m_pos = pos;
    tick(now);
}

void TooltipHost::tick(double now)
{
    if (auto const due = due_at(); due && now >= *due)
        m_shown = true;
}

void TooltipHost::dismiss()
{
    m_shown = false;
    m_dismissed = true;
}

std::optional<Tooltip> TooltipHost::visible() const
{
    if (!m_shown || !m_label)
        return std::nullopt;
    return Tooltip { *m_label, m_pos };
}

bool TooltipHost::needs_frame(double now) const
{
    // Frames are needed until the delay has passed and one more frame has ticked the tooltip
    // in; a clock that is not a number will never reach the delay, so it asks for none.
    return due_at().has_value() && !std::isnan(now);
}

std::optional<double> TooltipHost::due_at() const
{
    if (!m_label || m_shown || m_dismissed || !std::isfinite(m_since))
        return std::nullopt;
    return m_since + show_delay_seconds;
}

Rect tooltip_bubble_rect(Size text, Point anchor, Rect window) noexcept
{
    Rect const bubble { anchor.x + pointer_offset.x, anchor.y + pointer_offset.y,
        text.w + 2 * bubble_padding_x, text.h + 2 * bubble_padding_y };
    return clamp_inside(bubble, window, window_margin);
}

void draw_hover_tooltip(DrawContext& ctx, TooltipHost const& host, Rect window)
{
    auto const tooltip = host.visible();
    if (!tooltip || window.empty())
        return;
    float const room = window.w - 2 * (window_margin + bubble_padding_x);
    std::string const fitted = ctx.text.fit(tooltip->text, std::min(max_text_width, room), tooltip_text_size);
    if (fitted.empty())
        return;
    auto shaped = ctx.text.shape(fitted, TextStyle { .size = tooltip_text_size });
    Rect const bubble = tooltip_bubble_rect(shaped->size(), tooltip->anchor, window);
    ctx.scene.fill_round_rect(bubble, bubble_radius, ctx.theme.tooltip);
    ctx.scene.text(std::move(shaped), { bubble.x + bubble_padding_x, bubble.y + bubble_padding_y },
        ctx.theme.tooltip_text);
}

} // namespace vrel_ui
