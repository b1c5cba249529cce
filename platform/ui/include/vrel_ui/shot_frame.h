// A headless frame: drives a widget through sync, layout and draw, and renders it to pixels.
//
// It paints through the same backend as the window, so screenshots and tests see exactly what a
// user would, without a display.
#pragma once

#include <base/result.h>
#include <vrel_ui/geometry.h>
#include <vrel_ui/image.h>
#include <vrel_ui/scene.h>
#include <vrel_ui/text.h>
#include <vrel_ui/theme.h>
#include <vrel_ui/widget.h>

#include <string>

namespace vrel_ui {

class ShotFrame {
public:
    // A frame of `size` logical pixels rendered at `device_scale` pixels per logical pixel; a
    // scale that is not a positive finite number counts as 1.
    ShotFrame(Size size, Theme theme, float device_scale = 1);

    void sync(Widget& widget, double now);
    // Lays the widget out in the whole frame; the error is the layout's reason as text.
    [[nodiscard]] base::Result<void, std::string> layout(Widget& widget);
    // Records a fresh scene: the theme background, then the widget.
    void draw(Widget& widget);
    // Adds the widget's floating surface, if it has one, on top of the recorded frame.
    void draw_floating_surfaces(Widget& widget);

    // Renders the recorded scene: premultiplied ARGB at size * device_scale.
    [[nodiscard]] base::Result<Image, std::string> render_image() const;
    // Renders the recorded scene and writes it as a PNG file; the error names the path and why.
    [[nodiscard]] base::Result<void, std::string> write_png(std::string const& path) const;

    [[nodiscard]] Scene const& scene() const noexcept { return m_scene; }
    [[nodiscard]] TextRenderer& text() noexcept { return m_text; }
    [[nodiscard]] Theme const& theme() const noexcept { return m_theme; }
    [[nodiscard]] Size size() const noexcept { return m_size; }
    [[nodiscard]] float device_scale() const noexcept { return m_device_scale; }

private:
    Size m_size;
    Theme m_theme;
    float m_device_scale { 1 };
    double m_now {};
    Scene m_scene;
    TextRenderer m_text;
};

} // namespace vrel_ui
