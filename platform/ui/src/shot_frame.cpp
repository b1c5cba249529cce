// The headless frame, rendering through render_scene like the window does.
#include <vrel_ui/shot_frame.h>

#include "c_handles.h"
#include "cairo_scene.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace vrel_ui {

namespace {

// Cairo refuses image surfaces larger than this on either side.
constexpr double kMaxPixels = 32767;

std::string describe(Size size, float scale)
{
    char text[96];
    std::snprintf(
        text, sizeof text, "%gx%g logical pixels at scale %g", double(size.w), double(size.h), double(scale));
    return text;
}

// The recorded scene rendered on a fresh transparent surface at the frame's device scale.
base::Result<CairoSurfacePtr, std::string> render_surface(Scene const& scene, Size size, float scale)
{
    double const w = std::ceil(double(size.w) * scale), h = std::ceil(double(size.h) * scale);
    if (!std::isfinite(w) || !std::isfinite(h) || w < 1 || h < 1 || w > kMaxPixels || h > kMaxPixels)
        return base::unexpected("cannot render a frame of " + describe(size, scale));
    CairoSurfacePtr surface { cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(w), int(h)) };
    if (cairo_status_t const status = cairo_surface_status(surface.get()); status != CAIRO_STATUS_SUCCESS)
        return base::unexpected(
            "cannot create a surface of " + describe(size, scale) + ": " + cairo_status_to_string(status));
    cairo_surface_set_device_scale(surface.get(), scale, scale);
    {
        CairoPtr const cr { cairo_create(surface.get()) };
        render_scene(cr.get(), scene);
        if (cairo_status_t const status = cairo_status(cr.get()); status != CAIRO_STATUS_SUCCESS)
            return base::unexpected(
                std::string("rendering the scene failed: ") + cairo_status_to_string(status));
    }
    cairo_surface_flush(surface.get());
    return surface;
}

} // namespace

ShotFrame::ShotFrame(Size size, Theme theme, float device_scale)
    : m_size(size)
    , m_theme(std::move(theme))
    , m_device_scale(std::isfinite(device_scale) && device_scale > 0 ? device_scale : 1)
{
}

void ShotFrame::sync(Widget& widget, double now)
{
    m_now = now;
    SyncContext context { now };
    widget.sync(context);
}

base::Result<void, std::string> ShotFrame::layout(Widget& widget)
{
    LayoutNode const root = widget.build_layout();
    auto laid_out = resolve_layout(root, Rect { 0, 0, m_size.w, m_size.h });
    if (!laid_out)
        return base::unexpected(std::string(to_string(laid_out.error())));
    widget.apply_layout(*laid_out);
    return {};
}

void ShotFrame::draw(Widget& widget)
{
    m_scene.clear();
    m_scene.fill_rect({ 0, 0, m_size.w, m_size.h }, m_theme.background);
    DrawContext context { m_scene, m_text, m_theme, m_now };
    widget.draw(context);
}

void ShotFrame::draw_floating_surfaces(Widget& widget)
{
    if (!widget.has_floating_surface())
        return;
    DrawContext context { m_scene, m_text, m_theme, m_now };
    widget.draw_for_instance("floating", context);
}

base::Result<Image, std::string> ShotFrame::render_image() const
{
    CairoSurfacePtr const surface = TRY(render_surface(m_scene, m_size, m_device_scale));
    Image image;
    image.width = cairo_image_surface_get_width(surface.get());
    image.height = cairo_image_surface_get_height(surface.get());
    image.pixels.resize(std::size_t(image.width) * std::size_t(image.height));
    unsigned char const* data = cairo_image_surface_get_data(surface.get());
    int const stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < image.height; ++y)
        std::memcpy(image.pixels.data() + std::size_t(y) * std::size_t(image.width),
            data + std::ptrdiff_t(y) * stride, std::size_t(image.width) * 4);
    return image;
}

base::Result<void, std::string> ShotFrame::write_png(std::string const& path) const
{
    auto surface = render_surface(m_scene, m_size, m_device_scale);
    if (!surface)
        return base::unexpected("cannot write '" + path + "': " + surface.error());
    cairo_status_t const status = cairo_surface_write_to_png(surface->get(), path.c_str());
    if (status != CAIRO_STATUS_SUCCESS)
        return base::unexpected("cannot write '" + path + "': " + cairo_status_to_string(status));
    return {};
}

} // namespace vrel_ui
