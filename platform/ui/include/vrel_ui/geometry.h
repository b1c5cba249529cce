// Points, sizes and rectangles in logical pixels.
#pragma once

#include <algorithm>
#include <optional>

namespace vrel_ui {

struct Point {
    float x {}, y {};
    friend bool operator==(Point, Point) = default;
};

struct Size {
    float w {}, h {};
    friend bool operator==(Size, Size) = default;
};

// A rectangle by origin and extent; an empty or negative extent contains nothing.
struct Rect {
    float x {}, y {}, w {}, h {};

    [[nodiscard]] static constexpr Rect from_edges(float x0, float y0, float x1, float y1) noexcept
    {
        return { x0, y0, x1 - x0, y1 - y0 };
    }
    [[nodiscard]] constexpr float right() const noexcept { return x + w; }
    [[nodiscard]] constexpr float bottom() const noexcept { return y + h; }
    [[nodiscard]] constexpr Point center() const noexcept { return { x + w / 2, y + h / 2 }; }
    [[nodiscard]] constexpr bool empty() const noexcept { return w <= 0 || h <= 0; }
    [[nodiscard]] constexpr bool contains(Point p) const noexcept
    {
        return p.x >= x && p.y >= y && p.x < x + w && p.y < y + h;
    }
    friend bool operator==(Rect, Rect) = default;
};

[[nodiscard]] constexpr Rect inset(Rect r, float by) noexcept
{
    return { r.x + by, r.y + by, r.w - 2 * by, r.h - 2 * by };
}

[[nodiscard]] constexpr Rect offset(Rect r, float dx, float dy) noexcept
{
    return { r.x + dx, r.y + dy, r.w, r.h };
}

[[nodiscard]] constexpr std::optional<Rect> intersection(Rect a, Rect b) noexcept
{
    float const x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    float const x1 = std::min(a.right(), b.right()), y1 = std::min(a.bottom(), b.bottom());
    if (x1 <= x0 || y1 <= y0)
        return std::nullopt;
    return Rect::from_edges(x0, y0, x1, y1);
}

// Moves r inside bounds shrunk by margin, keeping its size where it fits.
[[nodiscard]] constexpr Rect clamp_inside(Rect r, Rect bounds, float margin) noexcept
{
    float const x = std::max(bounds.x + margin, std::min(r.x, bounds.right() - margin - r.w));
    float const y = std::max(bounds.y + margin, std::min(r.y, bounds.bottom() - margin - r.h));
    return { x, y, r.w, r.h };
}

} // namespace vrel_ui
