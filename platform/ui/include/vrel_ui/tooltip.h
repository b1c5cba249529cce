// Hover tooltips: when a label shows under a resting pointer, and the bubble that shows it.
#pragma once

#include <vrel_ui/geometry.h>

#include <optional>
#include <string>

namespace vrel_ui {

struct DrawContext;

struct Tooltip {
    std::string text;
    Point anchor; // where the pointer was when the tooltip showed
    friend bool operator==(Tooltip const&, Tooltip const&) = default;
};

// Tracks what is under the pointer and shows its label after the pointer has stayed on the
// same label for the hover delay. Any change of label hides the tooltip at once.
class TooltipHost {
public:
    static constexpr double show_delay_seconds = 0.5;

    // The label under the pointer at `pos`, none (or empty) when there is nothing to explain.
    void on_pointer(std::optional<std::string> label, Point pos, double now);
    // Shows the pending tooltip once its delay has passed.
    void tick(double now);
    // Hides the tooltip and keeps it hidden until the pointer moves to another label, as after
    // a click on the thing it explains.
    void dismiss();

    [[nodiscard]] std::optional<Tooltip> visible() const;
    // True while a tooltip waits for its delay, so the caller keeps frames coming to show it.
    [[nodiscard]] bool needs_frame(double now) const;
    // When the pending tooltip is due, if one is pending.
    [[nodiscard]] std::optional<double> due_at() const;

private:
    std::optional<std::string> m_label;
    Point m_pos;
    double m_since {};
    bool m_shown {};
    bool m_dismissed {};
};

inline constexpr float tooltip_text_size = 12;

// The bubble's rect for a tooltip whose text measures `text` at the tooltip size, placed below
// and right of the anchor and kept inside `window`.
[[nodiscard]] Rect tooltip_bubble_rect(Size text, Point anchor, Rect window) noexcept;

// Draws the visible tooltip, if any, as a small dark bubble inside `window`.
void draw_hover_tooltip(DrawContext& ctx, TooltipHost const& host, Rect window);

} // namespace vrel_ui
