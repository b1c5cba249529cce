// The drawing scene: a list of value draw commands that a frame records and a backend paints.
//
// Widgets never touch Cairo; they append commands here, which keeps layout and painting testable
// without a window and lets the window and the headless screenshot frame paint identically.
#pragma once

#include <vrel_ui/color.h>
#include <vrel_ui/geometry.h>
#include <vrel_ui/image.h>

#include <memory>
#include <variant>
#include <vector>

namespace vrel_ui {

class ShapedText;

namespace cmd {
struct FillRect {
    Rect rect;
    Color color;
};
struct FillRoundRect {
    Rect rect;
    float radius;
    Color color;
};
struct StrokeRoundRect {
    Rect rect;
    float radius;
    float width;
    Color color;
};
struct FillDisc {
    Point center;
    float radius;
    Color color;
};
struct StrokeRing {
    Point center;
    float radius;
    float width;
    Color color;
};
struct Line {
    Point from;
    Point to;
    float width;
    Color color;
};
// A vertical gradient from top to bottom colour, inside a rounded rect.
struct VerticalGradient {
    Rect rect;
    float radius;
    Color top;
    Color bottom;
};
// A soft shadow under a rounded rect, blurred over `blur` pixels and moved by `offset`.
struct Shadow {
    Rect rect;
    float radius;
    float blur;
    Point offset;
    Color color;
};
// Clips later commands to a rounded rect until the matching PopClip.
struct PushClip {
    Rect rect;
    float radius;
};
struct PopClip { };
// Composes later commands as one layer with the given opacity at the matching PopLayer.
struct PushLayer {
    float opacity;
};
struct PopLayer { };
// Text shaped by the TextRenderer, its layout's top-left at `origin`. Span colours inside the
// shaped text win over `color`.
struct Text {
    std::shared_ptr<ShapedText const> text;
    Point origin;
    Color color;
};
// An image scaled to cover `rect` (cropping the overflow, centred) with rounded corners.
struct ImageCover {
    ImageRef image;
    Rect rect;
    float radius;
    float opacity;
};
}

using Command = std::variant<cmd::FillRect, cmd::FillRoundRect, cmd::StrokeRoundRect, cmd::FillDisc,
    cmd::StrokeRing, cmd::Line, cmd::VerticalGradient, cmd::Shadow, cmd::PushClip, cmd::PopClip,
    cmd::PushLayer, cmd::PopLayer, cmd::Text, cmd::ImageCover>;

class Scene {
public:
    void fill_rect(Rect r, Color c) { m_commands.emplace_back(cmd::FillRect { r, c }); }
    void fill_round_rect(Rect r, float radius, Color c)
    {
        m_commands.emplace_back(cmd::FillRoundRect { r, radius, c });
    }
    void stroke_round_rect(Rect r, float radius, float width, Color c)
    {
        m_commands.emplace_back(cmd::StrokeRoundRect { r, radius, width, c });
    }
    void fill_disc(Point center, float radius, Color c)
    {
        m_commands.emplace_back(cmd::FillDisc { center, radius, c });
    }
    void stroke_ring(Point center, float radius, float width, Color c)
    {
        m_commands.emplace_back(cmd::StrokeRing { center, radius, width, c });
    }
    void line(Point from, Point to, float width, Color c)
    {
        m_commands.emplace_back(cmd::Line { from, to, width, c });
    }
    void vertical_gradient(Rect r, float radius, Color top, Color bottom)
    {
        m_commands.emplace_back(cmd::VerticalGradient { r, radius, top, bottom });
    }
    void shadow(Rect r, float radius, float blur, Point offset, Color c)
    {
        m_commands.emplace_back(cmd::Shadow { r, radius, blur, offset, c });
    }
    void push_clip(Rect r, float radius = 0) { m_commands.emplace_back(cmd::PushClip { r, radius }); }
    void pop_clip() { m_commands.emplace_back(cmd::PopClip {}); }
    void push_layer(float opacity) { m_commands.emplace_back(cmd::PushLayer { opacity }); }
    void pop_layer() { m_commands.emplace_back(cmd::PopLayer {}); }
    void text(std::shared_ptr<ShapedText const> shaped, Point origin, Color c)
    {
        m_commands.emplace_back(cmd::Text { std::move(shaped), origin, c });
    }
    void image_cover(ImageRef image, Rect r, float radius, float opacity = 1)
    {
        m_commands.emplace_back(cmd::ImageCover { std::move(image), r, radius, opacity });
    }

    [[nodiscard]] std::vector<Command> const& commands() const noexcept { return m_commands; }
    [[nodiscard]] std::size_t size() const noexcept { return m_commands.size(); }
    void clear() noexcept { m_commands.clear(); }

private:
    std::vector<Command> m_commands;
};

// Paints `image` to cover `rect` with rounded corners, cropping what overflows.
inline void paint_image_cover(Scene& scene, ImageRef image, Rect rect, float radius, float opacity = 1)
{
    scene.image_cover(std::move(image), rect, radius, opacity);
}

} // namespace vrel_ui
