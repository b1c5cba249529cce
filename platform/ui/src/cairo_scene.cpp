// Paints scene commands with Cairo.
//
// Cairo enters a sticky error state on non-finite input and silently wraps coordinates beyond
// its 24.8 fixed-point range, so every command is checked and clamped here before Cairo sees
// it; a command that cannot be drawn is dropped rather than poisoning the rest of the frame.
#include "cairo_scene.h"

#include "c_handles.h"
#include "pango_text.h"

#include <base/verify.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <vector>

namespace vrel_ui {

namespace {

// Well inside Cairo's fixed-point range even after a device scale of 4.
constexpr double kCoordinateLimit = 1 << 20;
// Deeper nesting than this is a runaway scene; the extra pushes are matched but not applied.
constexpr std::size_t kMaxOpenClips = 256;
constexpr std::size_t kMaxOpenLayers = 16;

bool finite(float v) noexcept { return std::isfinite(v); }
bool finite(Point p) noexcept { return finite(p.x) && finite(p.y); }
bool finite(Rect r) noexcept { return finite(r.x) && finite(r.y) && finite(r.w) && finite(r.h); }

double limited(double v) noexcept { return std::clamp(v, -kCoordinateLimit, kCoordinateLimit); }

double unit(float v) noexcept { return v > 0 ? std::min(double(v), 1.0) : 0.0; }

// A rect by its edges in doubles, already checked and clamped.
struct Box {
    double x0 {}, y0 {}, x1 {}, y1 {};
    [[nodiscard]] double w() const noexcept { return x1 - x0; }
    [[nodiscard]] double h() const noexcept { return y1 - y0; }
};

std::optional<Box> box_of(Rect r) noexcept
{
    if (!finite(r) || r.empty())
        return std::nullopt;
    Box const box { limited(r.x), limited(r.y), limited(double(r.x) + r.w), limited(double(r.y) + r.h) };
    if (box.x1 <= box.x0 || box.y1 <= box.y0)
        return std::nullopt;
    return box;
}

// Colour components are clamped too: Cairo passes NaN through to the pixel arithmetic.
void set_color(cairo_t* cr, Color c)
{
    cairo_set_source_rgba(cr, unit(c.r), unit(c.g), unit(c.b), unit(c.a));
}

bool visible(Color c) noexcept { return c.a > 0; }

// A positive, finite stroke width or disc radius, capped to something Cairo handles quickly.
std::optional<double> extent_of(float v) noexcept
{
    if (!finite(v) || v <= 0)
        return std::nullopt;
    return std::min(double(v), kCoordinateLimit);
}

void round_rect_path(cairo_t* cr, Box b, double radius)
{
    double const r = std::clamp(radius, 0.0, std::min(b.w(), b.h()) / 2);
    cairo_new_path(cr);
    if (r <= 0) {
        cairo_rectangle(cr, b.x0, b.y0, b.w(), b.h());
        return;
    }
    double constexpr quarter = std::numbers::pi / 2;
    cairo_new_sub_path(cr);
    cairo_arc(cr, b.x1 - r, b.y0 + r, r, -quarter, 0);
    cairo_arc(cr, b.x1 - r, b.y1 - r, r, 0, quarter);
    cairo_arc(cr, b.x0 + r, b.y1 - r, r, quarter, 2 * quarter);
    cairo_arc(cr, b.x0 + r, b.y0 + r, r, 2 * quarter, 3 * quarter);
    cairo_close_path(cr);
}

// Shadows are drawn from a blurred image of the shape: blurring a full-size mask for every
// panel each frame would cost far too much, so the image holds only the corners plus one
// straight row and column. The straight parts of a blurred rounded rect are the same all along
// an edge, so that middle row and column are stretched over the rest (a nine-slice), and the
// image is shared by every shadow of the same radius, blur and colour through the cache.
namespace shadow {

// Beyond these the blur and corner radius are clamped; larger shadows would need images of
// megabytes and nothing in the toolkit casts them.
constexpr double kMaxBlurPixels = 128;
constexpr double kMaxRadiusPixels = 128;

// Divides by a box width through a fixed-point reciprocal; a true division per pixel was the
// larger part of a shadow's cost.
class BoxDivider {
public:
    explicit BoxDivider(int width)
        : m_reciprocal(((std::int64_t(1) << 24) + width / 2) / width)
    {
    }
    [[nodiscard]] std::uint8_t operator()(std::int64_t sum) const noexcept
    {
        return std::uint8_t((sum * m_reciprocal + (1 << 23)) >> 24);
    }

private:
    std::int64_t m_reciprocal {};
};

// One box-blur pass of width 2 * half + 1 along a row; samples beyond the ends count as zero.
void row_pass(std::uint8_t const* in, std::uint8_t* out, int n, int half)
{
    BoxDivider const divide(2 * half + 1);
    int sum = 0;
    for (int i = 0; i < std::min(half, n); ++i)
        sum += in[i];
    for (int i = 0; i < n; ++i) {
        if (i + half < n)
            sum += in[i + half];
        if (i - half - 1 >= 0)
            sum -= in[i - half - 1];
        out[i] = divide(sum);
    }
}

// The same pass down the columns, a whole row at a time so memory is read in order.
void column_pass(std::uint8_t const* in, std::uint8_t* out, int w, int h, int half, std::vector<int>& sums)
{
    BoxDivider const divide(2 * half + 1);
    sums.assign(std::size_t(w), 0);
    auto const add_row = [&](int y, int sign) {
        std::uint8_t const* row = in + std::ptrdiff_t(y) * w;
        for (int x = 0; x < w; ++x)
            sums[std::size_t(x)] += sign * row[x];
    };
    for (int y = 0; y < std::min(half, h); ++y)
        add_row(y, 1);
    for (int y = 0; y < h; ++y) {
        if (y + half < h)
            add_row(y + half, 1);
        if (y - half - 1 >= 0)
            add_row(y - half - 1, -1);
        std::uint8_t* row = out + std::ptrdiff_t(y) * w;
        for (int x = 0; x < w; ++x)
            row[x] = divide(sums[std::size_t(x)]);
    }
}

// Three box passes each way approximate a Gaussian closely (the central limit theorem at work).
// `pixels` is w x h with no row padding.
void blur(std::vector<std::uint8_t>& pixels, int w, int h, int half)
{
    std::vector<std::uint8_t> scratch(pixels.size());
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            row_pass(pixels.data() + std::ptrdiff_t(y) * w, scratch.data() + std::ptrdiff_t(y) * w, w, half);
        pixels.swap(scratch);
    }
    std::vector<int> sums;
    for (int pass = 0; pass < 3; ++pass) {
        column_pass(pixels.data(), scratch.data(), w, h, half, sums);
        pixels.swap(scratch);
    }
}

int pad_of(int half) noexcept { return 3 * half + 1; }

// The shape's coverage, blurred: `shape_w` x `shape_h` plus the padding the blur spreads into.
std::optional<std::vector<std::uint8_t>> blurred_mask(ShadowCache::Key const& key)
{
    int const pad = pad_of(key.half);
    int const w = key.shape_w + 2 * pad, h = key.shape_h + 2 * pad;
    CairoSurfacePtr const mask { cairo_image_surface_create(CAIRO_FORMAT_A8, w, h) };
    if (cairo_surface_status(mask.get()) != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    {
        CairoPtr const cr { cairo_create(mask.get()) };
        round_rect_path(cr.get(),
            Box { double(pad), double(pad), double(pad + key.shape_w), double(pad + key.shape_h) },
            key.radius);
        cairo_fill(cr.get());
    }
    cairo_surface_flush(mask.get());
    std::vector<std::uint8_t> pixels(std::size_t(w) * std::size_t(h));
    std::uint8_t const* data = cairo_image_surface_get_data(mask.get());
    int const stride = cairo_image_surface_get_stride(mask.get());
    for (int y = 0; y < h; ++y)
        std::copy_n(data + std::ptrdiff_t(y) * stride, w, pixels.data() + std::ptrdiff_t(y) * w);
    blur(pixels, w, h, key.half);
    return pixels;
}

// The blurred mask in the key's colour, premultiplied, as Cairo paints it.
CairoSurfacePtr coloured(std::vector<std::uint8_t> const& mask, int w, int h, std::uint32_t argb)
{
    CairoSurfacePtr image { cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h) };
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS)
        return {};
    cairo_surface_flush(image.get());
    auto* out = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(image.get()));
    int const stride = cairo_image_surface_get_stride(image.get()) / 4;
    std::uint32_t const alpha = argb >> 24, r = (argb >> 16) & 0xff, g = (argb >> 8) & 0xff, b = argb & 0xff;
    auto const scale = [](std::uint32_t v, std::uint32_t by) { return (v * by + 127) / 255; };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint32_t const a = scale(mask[std::size_t(y) * std::size_t(w) + std::size_t(x)], alpha);
            out[std::ptrdiff_t(y) * stride + x]
                = a << 24 | scale(a, r) << 16 | scale(a, g) << 8 | scale(a, b);
        }
    }
    cairo_surface_mark_dirty(image.get());
    return image;
}

// A copy of one column (or row) of `image`, which a pattern can stretch without sampling its
// neighbours.
CairoSurfacePtr strip(cairo_surface_t* image, int x, int y, int w, int h)
{
    CairoSurfacePtr out { cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h) };
    if (cairo_surface_status(out.get()) != CAIRO_STATUS_SUCCESS)
        return {};
    CairoPtr const cr { cairo_create(out.get()) };
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr.get(), image, -x, -y);
    cairo_paint(cr.get());
    return out;
}

// The shape's pixel geometry: the rounded rect snapped to whole device pixels and the blur.
struct Geometry {
    int x0 {}, y0 {}, w {}, h {};
    double radius {};
    int half {}; // the box-blur half width
    [[nodiscard]] int pad() const noexcept { return pad_of(half); }
    // The smallest side whose middle pixel is beyond the reach of both corners' curves.
    [[nodiscard]] int core() const noexcept { return 2 * (int(std::ceil(radius)) + pad()) + 1; }
};

std::optional<ShadowCache::Sprite> make_sprite(ShadowCache::Key const& key)
{
    auto const mask = blurred_mask(key);
    if (!mask)
        return std::nullopt;
    int const pad = pad_of(key.half);
    int const w = key.shape_w + 2 * pad, h = key.shape_h + 2 * pad;
    ShadowCache::Sprite sprite;
    sprite.image = coloured(*mask, w, h, key.argb);
    if (!sprite.image)
        return std::nullopt;
    sprite.column = strip(sprite.image.get(), pad + key.shape_w / 2, 0, 1, h);
    sprite.row = strip(sprite.image.get(), 0, pad + key.shape_h / 2, w, 1);
    if (!sprite.column || !sprite.row)
        return std::nullopt;
    return sprite;
}

// One axis of the nine-slice: the image from `src` painted over [dst, dst + dst_len). A
// stretched part is the single pixel at `src` repeated.
struct Slice {
    int src {}, dst {}, dst_len {};
    bool stretched {};
};

struct Slices {
    std::array<Slice, 3> parts {};
    int count {};
};

// The whole image when it spans the whole shadow; else both ends as they are and the middle
// pixel stretched over the rest.
Slices slice_axis(int dst, int dst_len, int image_len, int middle)
{
    if (image_len >= dst_len)
        return { { Slice { 0, dst, dst_len, false } }, 1 };
    int const stretched = dst_len - image_len + 1;
    int const tail = image_len - middle - 1;
    return { { Slice { 0, dst, middle, false }, Slice { middle, dst + middle, stretched, true },
                 Slice { middle + 1, dst + middle + stretched, tail, false } },
        3 };
}

void paint_piece(cairo_t* cr, cairo_surface_t* source, Slice x, Slice y)
{
    if (x.dst_len <= 0 || y.dst_len <= 0)
        return;
    // A stretched strip is one pixel across, so repeating it unscaled stretches it exactly and
    // stays on Cairo's fast unscaled path.
    CairoPatternPtr const pattern { cairo_pattern_create_for_surface(source) };
    cairo_matrix_t matrix;
    cairo_matrix_init_translate(&matrix, x.src - x.dst, y.src - y.dst);
    cairo_pattern_set_matrix(pattern.get(), &matrix);
    cairo_pattern_set_extend(
        pattern.get(), x.stretched || y.stretched ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_NONE);
    cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
    cairo_set_source(cr, pattern.get());
    cairo_rectangle(cr, x.dst, y.dst, x.dst_len, y.dst_len);
    cairo_fill(cr);
}

// Paints the nine-slice in device pixels; `cr` must map user units to device pixels.
void paint_slices(cairo_t* cr, Geometry const& g, ShadowCache::Sprite const& sprite, Color color)
{
    int const pad = g.pad();
    int const image_w = cairo_image_surface_get_width(sprite.image.get());
    int const image_h = cairo_image_surface_get_height(sprite.image.get());
    Slices const xs = slice_axis(g.x0 - pad, g.w + 2 * pad, image_w, image_w / 2);
    Slices const ys = slice_axis(g.y0 - pad, g.h + 2 * pad, image_h, image_h / 2);
    for (int j = 0; j < ys.count; ++j) {
        for (int i = 0; i < xs.count; ++i) {
            Slice x = xs.parts[std::size_t(i)], y = ys.parts[std::size_t(j)];
            if (x.stretched && y.stretched) {
                // The middle is beyond the blur's reach from every edge: the plain colour,
                // which Cairo fills far faster than a stretched image.
                set_color(cr, color);
                cairo_rectangle(cr, x.dst, y.dst, x.dst_len, y.dst_len);
                cairo_fill(cr);
                continue;
            }
            cairo_surface_t* source = sprite.image.get();
            if (x.stretched) {
                source = sprite.column.get();
                x.src = 0;
            } else if (y.stretched) {
                source = sprite.row.get();
                y.src = 0;
            }
            paint_piece(cr, source, x, y);
        }
    }
}

// The pixel grid the target uses under the current transform, with the group's device scale.
struct PixelSpace {
    double device_x {}, device_y {}; // the target's device scale
    double user_to_pixel {}; // pixels per user unit (the mean of both axes)
};

PixelSpace pixel_space(cairo_t* cr)
{
    PixelSpace space;
    cairo_surface_get_device_scale(cairo_get_group_target(cr), &space.device_x, &space.device_y);
    double ax = 1, ay = 0, bx = 0, by = 1;
    cairo_user_to_device_distance(cr, &ax, &ay);
    cairo_user_to_device_distance(cr, &bx, &by);
    space.user_to_pixel = (std::hypot(ax, ay) * space.device_x + std::hypot(bx, by) * space.device_y) / 2;
    return space;
}

std::optional<Geometry> geometry(cairo_t* cr, PixelSpace const& space, Box box, double radius, double blur)
{
    double x0 = box.x0, y0 = box.y0, x1 = box.x1, y1 = box.y1;
    cairo_user_to_device(cr, &x0, &y0);
    cairo_user_to_device(cr, &x1, &y1);
    auto const snap = [](double v, double scale) { return int(std::lround(limited(v * scale))); };
    int const px0 = snap(std::min(x0, x1), space.device_x), px1 = snap(std::max(x0, x1), space.device_x);
    int const py0 = snap(std::min(y0, y1), space.device_y), py1 = snap(std::max(y0, y1), space.device_y);
    if (px1 <= px0 || py1 <= py0)
        return std::nullopt;
    Geometry g { px0, py0, px1 - px0, py1 - py0 };
    // Radii are kept to a quarter pixel so near-equal shadows share one cached image.
    double const radius_px
        = std::min({ radius * space.user_to_pixel, kMaxRadiusPixels, std::min(g.w, g.h) / 2.0 });
    g.radius = std::floor(radius_px * 4) / 4;
    // The blur extent is read as twice the Gaussian's sigma; this box width gives that sigma.
    double const sigma = std::min(blur * space.user_to_pixel, kMaxBlurPixels) / 2;
    g.half = int(std::lround(sigma * 1.88)) / 2;
    return g;
}

std::uint32_t argb_of(Color c) noexcept
{
    auto const byte = [](float v) { return std::uint32_t(std::lround(unit(v) * 255)); };
    return byte(c.a) << 24 | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

void paint(cairo_t* cr, cmd::Shadow const& c, ShadowCache& cache)
{
    auto const box = box_of(offset(c.rect, c.offset.x, c.offset.y));
    if (!box || !finite(c.offset) || !finite(c.radius) || !finite(c.blur) || !visible(c.color))
        return;
    PixelSpace const space = pixel_space(cr);
    if (!std::isfinite(space.user_to_pixel) || space.user_to_pixel <= 0)
        return;
    auto const g = geometry(cr, space, *box, std::max(0.f, c.radius), std::max(0.f, c.blur));
    if (!g)
        return;
    if (g->half == 0) {
        round_rect_path(cr, *box, c.radius);
        set_color(cr, c.color);
        cairo_fill(cr);
        return;
    }
    ShadowCache::Key const key { std::min(g->w, g->core()), std::min(g->h, g->core()), g->radius, g->half,
        argb_of(c.color) };
    ShadowCache::Sprite const* sprite = cache.find(key);
    if (!sprite) {
        auto made = make_sprite(key);
        if (!made)
            return;
        sprite = &cache.insert(key, std::move(*made));
    }
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_scale(cr, 1 / space.device_x, 1 / space.device_y);
    paint_slices(cr, *g, *sprite, c.color);
    cairo_restore(cr);
}

} // namespace shadow

// The source image's pixels as a Cairo surface without copying, or null for a malformed image.
CairoSurfacePtr wrap_image(Image const& image)
{
    if (image.width <= 0 || image.height <= 0)
        return {};
    if (image.pixels.size() != std::size_t(image.width) * std::size_t(image.height))
        return {};
    int const stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, image.width);
    if (stride < 0 || std::int64_t(stride) != std::int64_t(image.width) * 4)
        return {};
    // Cairo only reads a surface used as a source, so handing it the const pixels is safe.
    auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image.pixels.data()));
    CairoSurfacePtr surface { cairo_image_surface_create_for_data(
        data, CAIRO_FORMAT_ARGB32, image.width, image.height, stride) };
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return {};
    return surface;
}

void paint_image(cairo_t* cr, cmd::ImageCover const& c)
{
    auto const box = box_of(c.rect);
    if (!box || !c.image || !finite(c.radius) || !(c.opacity > 0))
        return;
    CairoSurfacePtr const surface = wrap_image(*c.image);
    if (!surface)
        return;
    double const width = c.image->width, height = c.image->height;
    double const scale = std::max(box->w() / width, box->h() / height);
    cairo_save(cr);
    round_rect_path(cr, *box, c.radius);
    cairo_clip(cr);
    cairo_translate(cr, box->x0 + (box->w() - width * scale) / 2, box->y0 + (box->h() - height * scale) / 2);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, surface.get(), 0, 0);
    // Padding keeps the image's edge pixels from fading into transparency under the filter.
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint_with_alpha(cr, unit(c.opacity));
    cairo_restore(cr);
    // The pixels belong to the Image; finishing detaches any snapshot Cairo still holds of them.
    cairo_surface_finish(surface.get());
}

// Paints commands in order and keeps clips and layers matched whatever the scene holds.
class Renderer {
public:
    Renderer(cairo_t* cr, ShadowCache& shadows)
        : m_cr(cr)
        , m_shadows(shadows)
    {
    }

    void operator()(cmd::FillRect const& c) { fill(box_of(c.rect), 0, c.color); }
    void operator()(cmd::FillRoundRect const& c)
    {
        if (finite(c.radius))
            fill(box_of(c.rect), c.radius, c.color);
    }
    void operator()(cmd::StrokeRoundRect const& c)
    {
        auto const box = box_of(c.rect);
        auto const width = extent_of(c.width);
        if (!box || !width || !finite(c.radius) || !visible(c.color))
            return;
        round_rect_path(m_cr, *box, c.radius);
        stroke(*width, c.color);
    }
    void operator()(cmd::FillDisc const& c)
    {
        auto const radius = extent_of(c.radius);
        if (!radius || !finite(c.center) || !visible(c.color))
            return;
        circle_path(c.center, *radius);
        set_color(m_cr, c.color);
        cairo_fill(m_cr);
    }
    void operator()(cmd::StrokeRing const& c)
    {
        auto const radius = extent_of(c.radius);
        auto const width = extent_of(c.width);
        if (!radius || !width || !finite(c.center) || !visible(c.color))
            return;
        circle_path(c.center, *radius);
        stroke(*width, c.color);
    }
    void operator()(cmd::Line const& c)
    {
        auto const width = extent_of(c.width);
        if (!width || !finite(c.from) || !finite(c.to) || !visible(c.color))
            return;
        cairo_new_path(m_cr);
        cairo_move_to(m_cr, limited(c.from.x), limited(c.from.y));
        cairo_line_to(m_cr, limited(c.to.x), limited(c.to.y));
        stroke(*width, c.color);
    }
    void operator()(cmd::VerticalGradient const& c);
    void operator()(cmd::Shadow const& c) { shadow::paint(m_cr, c, m_shadows); }
    void operator()(cmd::PushClip const& c);
    void operator()(cmd::PopClip const&) { pop(Kind::Clip); }
    void operator()(cmd::PushLayer const& c);
    void operator()(cmd::PopLayer const&) { pop(Kind::Layer); }
    void operator()(cmd::Text const& c)
    {
        if (!c.text || !finite(c.origin))
            return;
        cairo_save(m_cr);
        paint_shaped_text(m_cr, *c.text, { float(limited(c.origin.x)), float(limited(c.origin.y)) }, c.color);
        cairo_restore(m_cr);
    }
    void operator()(cmd::ImageCover const& c) { paint_image(m_cr, c); }

    // Closes every clip and layer the scene left open, innermost first.
    void close_all()
    {
        while (!m_open.empty())
            close_innermost();
    }

private:
    enum class Kind : unsigned char { Clip, Layer };
    struct Open {
        Kind kind {};
        double opacity { 1 };
        bool applied { true }; // false for pushes beyond the nesting limit
    };

    void fill(std::optional<Box> box, float radius, Color color)
    {
        if (!box || !visible(color))
            return;
        round_rect_path(m_cr, *box, radius);
        set_color(m_cr, color);
        cairo_fill(m_cr);
    }
    void stroke(double width, Color color)
    {
        set_color(m_cr, color);
        cairo_set_line_width(m_cr, width);
        cairo_stroke(m_cr);
    }
    void circle_path(Point center, double radius)
    {
        cairo_new_path(m_cr);
        cairo_arc(m_cr, limited(center.x), limited(center.y), radius, 0, 2 * std::numbers::pi);
    }
    [[nodiscard]] std::size_t& applied_count(Kind kind) { return m_applied[kind == Kind::Clip ? 0 : 1]; }
    [[nodiscard]] std::size_t& open_count(Kind kind) { return m_pushed[kind == Kind::Clip ? 0 : 1]; }
    // Records a push; false when it is beyond the nesting limit and must not reach Cairo.
    bool record_push(Kind kind, double opacity, std::size_t limit)
    {
        bool const applied = applied_count(kind) < limit;
        m_open.push_back({ kind, opacity, applied });
        ++open_count(kind);
        if (applied)
            ++applied_count(kind);
        return applied;
    }
    void pop(Kind kind);
    void close_innermost();

    cairo_t* m_cr {};
    ShadowCache& m_shadows;
    std::vector<Open> m_open;
    // Per kind (clips, layers): how many are open, and how many of those reached Cairo. The
    // counts keep unmatched pops cheap however deep a runaway scene nests.
    std::array<std::size_t, 2> m_pushed {};
    std::array<std::size_t, 2> m_applied {};
};

void Renderer::operator()(cmd::VerticalGradient const& c)
{
    auto const box = box_of(c.rect);
    if (!box || !finite(c.radius) || (!visible(c.top) && !visible(c.bottom)))
        return;
    CairoPatternPtr pattern { cairo_pattern_create_linear(0, box->y0, 0, box->y1) };
    cairo_pattern_add_color_stop_rgba(
        pattern.get(), 0, unit(c.top.r), unit(c.top.g), unit(c.top.b), unit(c.top.a));
    cairo_pattern_add_color_stop_rgba(
        pattern.get(), 1, unit(c.bottom.r), unit(c.bottom.g), unit(c.bottom.b), unit(c.bottom.a));
    round_rect_path(m_cr, *box, c.radius);
    cairo_set_source(m_cr, pattern.get());
    cairo_fill(m_cr);
}

void Renderer::operator()(cmd::PushClip const& c)
{
    if (!record_push(Kind::Clip, 1, kMaxOpenClips))
        return;
    cairo_save(m_cr);
    auto const box = box_of(c.rect);
    cairo_new_path(m_cr);
    // A clip that cannot be drawn hides what it holds: content of a broken layout spilling over
    // its neighbours would look worse than a gap.
    if (box && finite(c.radius))
        round_rect_path(m_cr, *box, c.radius);
    cairo_clip(m_cr);
}

void Renderer::operator()(cmd::PushLayer const& c)
{
    if (record_push(Kind::Layer, finite(c.opacity) ? unit(c.opacity) : 1.0, kMaxOpenLayers))
        cairo_push_group(m_cr);
}

void Renderer::pop(Kind kind)
{
    if (open_count(kind) == 0)
        return;
    auto const match
        = std::find_if(m_open.rbegin(), m_open.rend(), [kind](Open const& o) { return o.kind == kind; });
    VERIFY(match != m_open.rend());
    // Anything pushed after the match and not yet popped closes with it, so Cairo's state
    // stack stays in step with the scene's.
    std::size_t const keep = std::size_t(m_open.rend() - match) - 1;
    while (m_open.size() > keep)
        close_innermost();
}

void Renderer::close_innermost()
{
    Open const open = m_open.back();
    m_open.pop_back();
    --open_count(open.kind);
    if (!open.applied)
        return;
    --applied_count(open.kind);
    if (open.kind == Kind::Clip) {
        cairo_restore(m_cr);
        return;
    }
    cairo_pop_group_to_source(m_cr);
    cairo_paint_with_alpha(m_cr, open.opacity);
}

} // namespace

ShadowCache::Sprite const* ShadowCache::find(Key const& key) const noexcept
{
    for (auto const& [k, sprite] : m_entries)
        if (k == key)
            return &sprite;
    return nullptr;
}

ShadowCache::Sprite const& ShadowCache::insert(Key const& key, Sprite sprite)
{
    // When full the oldest entry goes. A frame's shadows come in few kinds, so a steady one that
    // is pushed out by a burst of animated sizes is made again once, not every frame.
    if (m_entries.size() >= kCapacity)
        m_entries.erase(m_entries.begin());
    m_entries.emplace_back(key, std::move(sprite));
    return m_entries.back().second;
}

void render_scene(cairo_t* cr, Scene const& scene, ShadowCache& shadows)
{
    VERIFY(cr);
    cairo_save(cr);
    cairo_new_path(cr);
    Renderer renderer { cr, shadows };
    for (Command const& command : scene.commands())
        std::visit(renderer, command);
    renderer.close_all();
    cairo_restore(cr);
}

void render_scene(cairo_t* cr, Scene const& scene)
{
    ShadowCache shadows;
    render_scene(cr, scene, shadows);
}

} // namespace vrel_ui
