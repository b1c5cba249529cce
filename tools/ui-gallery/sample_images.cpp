#include "sample_images.h"

#include <cairo.h>

#include <memory>

namespace gallery {

namespace {

cairo_status_t append_bytes(void* closure, unsigned char const* data, unsigned int length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

// A dusk sky over hills: enough structure to see that cover-cropping keeps the centre.
std::vector<std::uint8_t> paint_scene(int width, int height)
{
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface {
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), cairo_surface_destroy
    };
    cairo_t* cr = cairo_create(surface.get());
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, height);
    cairo_pattern_add_color_stop_rgb(sky, 0, 0.20, 0.22, 0.55);
    cairo_pattern_add_color_stop_rgb(sky, 0.7, 0.96, 0.55, 0.42);
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);
    cairo_set_source_rgb(cr, 1.0, 0.86, 0.55);
    cairo_arc(cr, width * 0.5, height * 0.62, height * 0.12, 0, 6.2832);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.16, 0.30, 0.28);
    cairo_move_to(cr, 0, height);
    for (int x = 0; x <= width; x += width / 8)
        cairo_line_to(cr, x, height * (0.72 + 0.08 * ((x / (width / 8)) % 2)));
    cairo_line_to(cr, width, height);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_destroy(cr);
    std::vector<std::uint8_t> png;
    cairo_surface_write_to_png_stream(surface.get(), append_bytes, &png);
    return png;
}

} // namespace

std::optional<std::vector<std::uint8_t>> load_sample_image(std::string const& key)
{
    if (key == "landscape")
        return paint_scene(640, 360);
    if (key == "portrait")
        return paint_scene(300, 480);
    if (key == "broken")
        return std::vector<std::uint8_t> { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H',
            'D', 'R' };
    return std::nullopt;
}

} // namespace gallery
