#include "c_handles.h"
#include "cairo_scene.h"

#include <vrel_ui/text.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>

using namespace vrel_ui;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

constexpr Color kRed { 1, 0, 0, 1 };
constexpr Color kBlue { 0, 0, 1, 1 };

struct Pixel {
    int a {}, r {}, g {}, b {};
};

// A transparent ARGB surface that a scene is rendered onto, read back pixel by pixel.
class Canvas {
public:
    explicit Canvas(int w, int h, double device_scale = 1)
        : m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h))
    {
        cairo_surface_set_device_scale(m_surface.get(), device_scale, device_scale);
        m_cr.reset(cairo_create(m_surface.get()));
    }
    void render(Scene const& scene) { render_scene(m_cr.get(), scene); }
    [[nodiscard]] cairo_t* cr() const { return m_cr.get(); }
    [[nodiscard]] Pixel at(int x, int y) const
    {
        cairo_surface_flush(m_surface.get());
        auto const* row = cairo_image_surface_get_data(m_surface.get())
            + y * cairo_image_surface_get_stride(m_surface.get());
        std::uint32_t const v = reinterpret_cast<std::uint32_t const*>(row)[x];
        return { int(v >> 24), int((v >> 16) & 0xff), int((v >> 8) & 0xff), int(v & 0xff) };
    }
    [[nodiscard]] int alpha(int x, int y) const { return at(x, y).a; }
    [[nodiscard]] bool blank() const
    {
        int const w = cairo_image_surface_get_width(m_surface.get());
        int const h = cairo_image_surface_get_height(m_surface.get());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (alpha(x, y) != 0)
                    return false;
        return true;
    }

private:
    CairoSurfacePtr m_surface;
    CairoPtr m_cr;
};

ImageRef make_image(int w, int h, std::vector<std::uint32_t> pixels)
{
    return std::make_shared<Image const>(Image { w, h, std::move(pixels) });
}

using Recorder = void (*)(Scene&);

struct SceneCase {
    std::string_view name;
    Recorder record;
};

} // namespace

TEST(CairoScene, FillRectColoursInsideOnly)
{
    Canvas canvas(20, 20);
    Scene scene;
    scene.fill_rect({ 5, 5, 10, 10 }, kRed);
    canvas.render(scene);
    EXPECT_EQ(canvas.at(5, 5).a, 255);
    EXPECT_EQ(canvas.at(5, 5).r, 255);
    EXPECT_EQ(canvas.at(14, 14).r, 255);
    EXPECT_EQ(canvas.alpha(4, 10), 0);
    EXPECT_EQ(canvas.alpha(15, 10), 0);
    EXPECT_EQ(canvas.alpha(10, 15), 0);
}

TEST(CairoScene, RoundedCornersLeaveTheCornerTransparent)
{
    struct Case {
        std::string_view name;
        Rect rect;
        float radius;
        bool corner_filled;
    };
    constexpr Case kCases[] {
        { "radius 6", { 0, 0, 20, 20 }, 6, false },
        // A radius beyond half the short side becomes a pill rather than a broken path.
        { "radius clamped", { 0, 0, 20, 10 }, 100, false },
        { "zero radius", { 0, 0, 20, 20 }, 0, true },
        { "negative radius", { 0, 0, 20, 20 }, -4, true },
    };
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(20, 20);
        Scene scene;
        scene.fill_round_rect(c.rect, c.radius, kRed);
        canvas.render(scene);
        EXPECT_EQ(canvas.alpha(0, 0), c.corner_filled ? 255 : 0);
        Point const mid = c.rect.center();
        EXPECT_EQ(canvas.alpha(int(mid.x), int(mid.y)), 255);
        // Just inside the middle of each side stays filled.
        EXPECT_EQ(canvas.alpha(1, int(mid.y)), 255);
        EXPECT_EQ(canvas.alpha(int(mid.x), 1), 255);
    }
}

TEST(CairoScene, DiscRingAndLine)
{
    Canvas canvas(40, 40);
    Scene scene;
    scene.fill_disc({ 10, 10 }, 5, kRed);
    scene.stroke_ring({ 30, 10 }, 6, 2, kBlue);
    scene.line({ 0, 30.5f }, { 40, 30.5f }, 1, kRed);
    canvas.render(scene);
    EXPECT_EQ(canvas.alpha(10, 10), 255);
    EXPECT_EQ(canvas.alpha(10, 16), 0);
    EXPECT_EQ(canvas.alpha(30, 10), 0) << "a ring is hollow";
    EXPECT_EQ(canvas.at(35, 9).b, 255);
    EXPECT_EQ(canvas.at(20, 30).r, 255);
    EXPECT_EQ(canvas.alpha(20, 29), 0);
    EXPECT_EQ(canvas.alpha(20, 31), 0);
}

TEST(CairoScene, StrokeIsCentredOnTheRectPath)
{
    Canvas canvas(20, 20);
    Scene scene;
    scene.stroke_round_rect({ 2.5f, 2.5f, 15, 15 }, 0, 1, kRed);
    canvas.render(scene);
    EXPECT_EQ(canvas.alpha(2, 10), 255);
    EXPECT_EQ(canvas.alpha(17, 10), 255);
    EXPECT_EQ(canvas.alpha(10, 10), 0);
    EXPECT_EQ(canvas.alpha(1, 10), 0);
}

TEST(CairoScene, VerticalGradientRunsTopToBottom)
{
    Canvas canvas(10, 100);
    Scene scene;
    scene.vertical_gradient({ 0, 0, 10, 100 }, 0, kRed, kBlue);
    canvas.render(scene);
    Pixel const top = canvas.at(5, 0), middle = canvas.at(5, 50), bottom = canvas.at(5, 99);
    EXPECT_GT(top.r, 245);
    EXPECT_LT(top.b, 10);
    EXPECT_GT(bottom.b, 245);
    EXPECT_LT(bottom.r, 10);
    EXPECT_NEAR(middle.r, 127, 6);
    EXPECT_NEAR(middle.b, 127, 6);
    EXPECT_EQ(middle.a, 255);
}

TEST(CairoScene, ClipRestrictsUntilPopped)
{
    Canvas canvas(20, 20);
    Scene scene;
    scene.push_clip({ 0, 0, 10, 20 });
    scene.fill_rect({ 0, 0, 20, 10 }, kRed);
    scene.pop_clip();
    scene.fill_rect({ 0, 10, 20, 10 }, kBlue);
    canvas.render(scene);
    EXPECT_EQ(canvas.at(5, 5).r, 255);
    EXPECT_EQ(canvas.alpha(15, 5), 0);
    EXPECT_EQ(canvas.at(15, 15).b, 255) << "after the pop nothing is clipped";
}

TEST(CairoScene, RoundedClipAndNestedClipsIntersect)
{
    Canvas canvas(20, 20);
    Scene scene;
    scene.push_clip({ 0, 0, 20, 20 }, 8);
    scene.push_clip({ 0, 0, 20, 10 });
    scene.fill_rect({ 0, 0, 20, 20 }, kRed);
    scene.pop_clip();
    scene.pop_clip();
    canvas.render(scene);
    EXPECT_EQ(canvas.alpha(0, 0), 0);
    EXPECT_EQ(canvas.alpha(10, 5), 255);
    EXPECT_EQ(canvas.alpha(10, 15), 0);
}

TEST(CairoScene, LayerComposesOnceWithItsOpacity)
{
    Canvas canvas(20, 20);
    Scene scene;
    scene.push_layer(0.5f);
    scene.fill_rect({ 0, 0, 15, 20 }, colors::white);
    scene.fill_rect({ 5, 0, 15, 20 }, colors::white);
    scene.pop_layer();
    canvas.render(scene);
    // The overlap is as translucent as the rest: the layer is faded as a whole, not per fill.
    EXPECT_NEAR(canvas.alpha(2, 10), 128, 1);
    EXPECT_NEAR(canvas.alpha(10, 10), 128, 1);
    EXPECT_NEAR(canvas.alpha(18, 10), 128, 1);
}

TEST(CairoScene, UnbalancedPushesAndPopsAreTolerated)
{
    SceneCase const cases[] {
        { "pops with nothing open",
            [](Scene& s) {
                s.pop_clip();
                s.pop_layer();
                s.fill_rect({ 0, 0, 20, 20 }, kRed);
            } },
        { "clip left open",
            [](Scene& s) {
                s.push_clip({ 0, 0, 20, 20 });
                s.fill_rect({ 0, 0, 20, 20 }, kRed);
            } },
        { "layer left open",
            [](Scene& s) {
                s.push_layer(1);
                s.fill_rect({ 0, 0, 20, 20 }, kRed);
            } },
        { "clip popped across a layer",
            [](Scene& s) {
                s.push_clip({ 0, 0, 20, 20 });
                s.push_layer(1);
                s.pop_clip();
                s.pop_layer();
                s.fill_rect({ 0, 0, 20, 20 }, kRed);
            } },
        { "runaway nesting",
            [](Scene& s) {
                for (int i = 0; i < 5000; ++i) {
                    s.push_layer(1);
                    s.push_clip({ 0, 0, 20, 20 });
                }
                s.fill_rect({ 0, 0, 20, 20 }, kRed);
                for (int i = 0; i < 5000; ++i)
                    s.pop_layer();
                for (int i = 0; i < 5000; ++i)
                    s.pop_clip();
            } },
    };
    for (SceneCase const& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(20, 20);
        Scene scene;
        c.record(scene);
        canvas.render(scene);
        EXPECT_EQ(canvas.at(10, 10).r, 255);
        EXPECT_EQ(canvas.alpha(10, 10), 255);
        EXPECT_EQ(cairo_status(canvas.cr()), CAIRO_STATUS_SUCCESS);
    }
}

TEST(CairoScene, MismatchedPopClosesWhatWasOpenedInside)
{
    Canvas canvas(20, 20);
    Scene scene;
    scene.push_clip({ 0, 0, 10, 10 });
    scene.push_layer(0.5f);
    scene.fill_rect({ 0, 0, 20, 20 }, colors::white);
    scene.pop_clip(); // the layer opened inside the clip closes with it
    scene.fill_rect({ 10, 10, 10, 10 }, kRed);
    canvas.render(scene);
    EXPECT_NEAR(canvas.alpha(5, 5), 128, 1);
    EXPECT_EQ(canvas.alpha(15, 5), 0);
    EXPECT_EQ(canvas.alpha(15, 15), 255);
}

TEST(CairoScene, RenderLeavesTheContextAsItFoundIt)
{
    Canvas canvas(20, 20);
    Scene scene;
    scene.push_clip({ 0, 0, 5, 5 });
    scene.push_layer(0.2f);
    canvas.render(scene);
    cairo_set_source_rgba(canvas.cr(), 0, 0, 1, 1);
    cairo_rectangle(canvas.cr(), 10, 10, 5, 5);
    cairo_fill(canvas.cr());
    EXPECT_EQ(canvas.at(12, 12).b, 255);
}

TEST(CairoScene, EmptyAndNonFiniteCommandsDrawNothing)
{
    SceneCase const cases[] {
        { "zero width rect",
            [](Scene& s) {
                s.fill_rect({ 0, 0, 0, 10 }, kRed);
            } },
        { "negative rect",
            [](Scene& s) {
                s.fill_round_rect({ 10, 10, -5, -5 }, 2, kRed);
            } },
        { "zero width stroke",
            [](Scene& s) {
                s.stroke_round_rect({ 2, 2, 10, 10 }, 2, 0, kRed);
            } },
        { "zero radius disc",
            [](Scene& s) {
                s.fill_disc({ 10, 10 }, 0, kRed);
            } },
        { "negative ring",
            [](Scene& s) {
                s.stroke_ring({ 10, 10 }, -3, 2, kRed);
            } },
        { "zero width line",
            [](Scene& s) {
                s.line({ 0, 10 }, { 20, 10 }, 0, kRed);
            } },
        { "flat gradient",
            [](Scene& s) {
                s.vertical_gradient({ 0, 0, 20, 0 }, 0, kRed, kBlue);
            } },
        { "empty shadow",
            [](Scene& s) {
                s.shadow({ 5, 5, 0, 10 }, 2, 4, {}, colors::black);
            } },
        { "transparent fill",
            [](Scene& s) {
                s.fill_rect({ 0, 0, 20, 20 }, colors::transparent);
            } },
        { "NaN rect",
            [](Scene& s) {
                s.fill_rect({ kNaN, 0, 10, 10 }, kRed);
            } },
        { "infinite rect",
            [](Scene& s) {
                s.fill_rect({ 0, 0, kInf, 10 }, kRed);
            } },
        { "NaN radius",
            [](Scene& s) {
                s.fill_round_rect({ 0, 0, 10, 10 }, kNaN, kRed);
            } },
        { "NaN stroke width",
            [](Scene& s) {
                s.stroke_round_rect({ 2, 2, 10, 10 }, 2, kNaN, kRed);
            } },
        { "NaN disc centre",
            [](Scene& s) {
                s.fill_disc({ kNaN, 10 }, 5, kRed);
            } },
        { "infinite ring radius",
            [](Scene& s) {
                s.stroke_ring({ 10, 10 }, kInf, 2, kRed);
            } },
        { "NaN line end",
            [](Scene& s) {
                s.line({ 0, 10 }, { 20, kNaN }, 2, kRed);
            } },
        { "NaN gradient",
            [](Scene& s) {
                s.vertical_gradient({ 0, kNaN, 20, 20 }, 0, kRed, kBlue);
            } },
        { "NaN shadow blur",
            [](Scene& s) {
                s.shadow({ 5, 5, 10, 10 }, 2, kNaN, {}, colors::black);
            } },
        { "NaN shadow offset",
            [](Scene& s) {
                s.shadow({ 5, 5, 10, 10 }, 2, 4, { kNaN, 0 }, colors::black);
            } },
        { "NaN text origin",
            [](Scene& s) {
                s.text(nullptr, { kNaN, 0 }, kRed);
            } },
        { "no text",
            [](Scene& s) {
                s.text(nullptr, { 0, 0 }, kRed);
            } },
        { "NaN image rect",
            [](Scene& s) {
                s.image_cover(make_image(1, 1, { 0xffff0000 }), { 0, 0, kNaN, 10 }, 0);
            } },
        { "NaN clip hides its content",
            [](Scene& s) {
                s.push_clip({ kNaN, 0, 10, 10 });
                s.fill_rect({ 0, 0, 20, 20 }, kRed);
                s.pop_clip();
            } },
        { "empty clip hides its content",
            [](Scene& s) {
                s.push_clip({ 0, 0, 0, 0 });
                s.fill_rect({ 0, 0, 20, 20 }, kRed);
                s.pop_clip();
            } },
    };
    for (SceneCase const& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(20, 20);
        Scene scene;
        c.record(scene);
        canvas.render(scene);
        EXPECT_TRUE(canvas.blank());
        // A dropped command must not leave Cairo in an error state that blanks the rest.
        Scene after;
        after.fill_rect({ 0, 0, 20, 20 }, kBlue);
        canvas.render(after);
        EXPECT_EQ(cairo_status(canvas.cr()), CAIRO_STATUS_SUCCESS);
        EXPECT_EQ(canvas.at(10, 10).b, 255);
    }
}

TEST(CairoScene, HugeCoordinatesAreClampedNotWrapped)
{
    Canvas canvas(20, 20);
    Scene scene;
    scene.fill_rect({ -1e30f, -1e30f, 2e30f, 2e30f }, kRed);
    canvas.render(scene);
    EXPECT_EQ(canvas.at(10, 10).r, 255);
    EXPECT_EQ(cairo_status(canvas.cr()), CAIRO_STATUS_SUCCESS);
}

TEST(CairoScene, DeviceScaleMultipliesPixels)
{
    Canvas canvas(20, 20, 2);
    Scene scene;
    scene.fill_rect({ 2, 2, 3, 3 }, kRed);
    canvas.render(scene);
    EXPECT_EQ(canvas.alpha(3, 3), 0);
    EXPECT_EQ(canvas.alpha(4, 4), 255);
    EXPECT_EQ(canvas.alpha(9, 9), 255);
    EXPECT_EQ(canvas.alpha(10, 10), 0);
}

TEST(CairoScene, ImageCoverCropsTheOverflowCentred)
{
    constexpr std::uint32_t red = 0xffff0000, green = 0xff00ff00, blue = 0xff0000ff;
    struct Case {
        std::string_view name;
        ImageRef image;
        Rect rect;
    };
    Case const cases[] {
        { "wide image in a square", make_image(3, 1, { red, green, blue }), { 0, 0, 30, 30 } },
        { "tall image in a square", make_image(1, 3, { red, green, blue }), { 0, 0, 30, 30 } },
        { "wide image in a tall rect", make_image(3, 1, { red, green, blue }), { 0, 0, 20, 30 } },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(30, 30);
        Scene scene;
        scene.image_cover(c.image, c.rect, 0);
        canvas.render(scene);
        int const cx = int(c.rect.center().x), cy = int(c.rect.center().y);
        Pixel const centre = canvas.at(cx, cy);
        EXPECT_EQ(centre.a, 255);
        EXPECT_GT(centre.g, 245);
        EXPECT_LT(centre.r + centre.b, 10);
        // Only the middle third shows: the far edges lean green, never to the cropped colours.
        for (auto const& [x, y] :
            { std::pair { 0, cy }, { int(c.rect.w) - 1, cy }, { cx, 0 }, { cx, int(c.rect.h) - 1 } }) {
            Pixel const p = canvas.at(x, y);
            EXPECT_EQ(p.a, 255);
            EXPECT_GT(p.g, p.r);
            EXPECT_GT(p.g, p.b);
        }
        if (c.rect.right() < 30) {
            EXPECT_EQ(canvas.alpha(int(c.rect.right()), cy), 0) << "nothing spills past the rect";
        }
    }
}

TEST(CairoScene, ImageCoverHonoursRadiusAndOpacity)
{
    Canvas canvas(20, 20);
    Scene scene;
    scene.image_cover(make_image(2, 2, std::vector<std::uint32_t>(4, 0xffffffff)), { 0, 0, 20, 20 }, 8, 0.5f);
    canvas.render(scene);
    EXPECT_EQ(canvas.alpha(0, 0), 0);
    EXPECT_NEAR(canvas.alpha(10, 10), 128, 1);
}

TEST(CairoScene, MalformedImagesAreSkipped)
{
    struct Case {
        std::string_view name;
        ImageRef image;
    };
    Case const cases[] {
        { "no image", nullptr },
        { "zero size", make_image(0, 0, {}) },
        { "negative width", make_image(-2, 2, { 1, 2, 3, 4 }) },
        { "too few pixels", make_image(4, 4, std::vector<std::uint32_t>(15, 0xffffffff)) },
        { "too many pixels", make_image(1, 1, std::vector<std::uint32_t>(2, 0xffffffff)) },
        { "wider than Cairo allows", make_image(40000, 1, std::vector<std::uint32_t>(40000, 0xffffffff)) },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(20, 20);
        Scene scene;
        scene.image_cover(c.image, { 0, 0, 20, 20 }, 0);
        canvas.render(scene);
        EXPECT_TRUE(canvas.blank());
        EXPECT_EQ(cairo_status(canvas.cr()), CAIRO_STATUS_SUCCESS);
    }
}

TEST(CairoScene, ShadowIsSoftAndFadesOut)
{
    Canvas canvas(100, 100);
    Scene scene;
    scene.shadow({ 30, 30, 40, 40 }, 4, 12, {}, colors::black);
    canvas.render(scene);
    EXPECT_EQ(canvas.alpha(50, 50), 255) << "solid under the middle of the shape";
    int previous = 256;
    for (int x = 50; x < 100; ++x) {
        int const a = canvas.alpha(x, 50);
        EXPECT_LE(a, previous) << "fades monotonically, at x " << x;
        previous = a;
    }
    EXPECT_GT(canvas.alpha(72, 50), 20) << "spreads past the edge";
    EXPECT_LT(canvas.alpha(72, 50), 200);
    EXPECT_EQ(canvas.alpha(99, 50), 0);
    EXPECT_EQ(canvas.alpha(50, 99), 0);
    for (int d = 0; d < 50; ++d)
        EXPECT_NEAR(canvas.alpha(50 + d, 50), canvas.alpha(49 - d, 50), 1) << "symmetric at " << d;
}

TEST(CairoScene, LongShadowEdgesAreSeamless)
{
    Canvas canvas(400, 260);
    Scene scene;
    scene.shadow({ 20, 30, 360, 200 }, 8, 16, {}, colors::black.with_alpha(0.5f));
    canvas.render(scene);
    // Every straight stretch of the edge has the same fall-off; the corners alone differ.
    for (int y : { 22, 26, 30 }) {
        int const reference = canvas.alpha(200, y);
        EXPECT_GT(reference, 0);
        for (int x = 60; x < 340; ++x)
            ASSERT_EQ(canvas.alpha(x, y), reference) << "at " << x << "," << y;
    }
    for (int x : { 8, 14, 20 }) {
        int const reference = canvas.alpha(x, 60);
        for (int y = 70; y < 190; ++y)
            ASSERT_EQ(canvas.alpha(x, y), reference) << "at " << x << "," << y;
    }
    EXPECT_NEAR(canvas.alpha(200, 130), 128, 2) << "the shadow colour's own alpha in the middle";
}

TEST(CairoScene, ShadowMovesWithItsOffsetAndDeviceScale)
{
    for (double const scale : { 1.0, 2.0 }) {
        SCOPED_TRACE(scale);
        int const s = int(scale);
        Canvas canvas(60 * s, 60 * s, scale);
        Scene scene;
        scene.shadow({ 20, 20, 20, 20 }, 4, 8, { 0, 6 }, colors::black);
        canvas.render(scene);
        EXPECT_GT(canvas.alpha(30 * s, 49 * s), canvas.alpha(30 * s, 17 * s));
        EXPECT_GT(canvas.alpha(30 * s, 40 * s), 200);
        EXPECT_EQ(canvas.alpha(30 * s, 2 * s), 0);
    }
}

TEST(CairoScene, TextPaintsGlyphs)
{
    TextRenderer text;
    Canvas canvas(120, 40);
    Scene scene;
    auto const shaped = text.shape("Hello", TextStyle { 20 });
    ASSERT_TRUE(shaped);
    scene.text(shaped, { 4, 4 }, kRed);
    canvas.render(scene);
    int painted = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            painted += canvas.alpha(x, y) > 0 && canvas.at(x, y).b == 0;
    EXPECT_GT(painted, 20);
    EXPECT_EQ(canvas.alpha(119, 39), 0);
}

TEST(CairoScene, StretchedShadowCornersMatchAnUnstretchedOne)
{
    // The small shadow's image covers it whole; the large one is stretched from its middle.
    // Near the top-left corner, out of reach of the small shape's far edges, both must agree.
    Canvas small(120, 120), large(300, 300);
    Scene a, b;
    a.shadow({ 40, 40, 30, 30 }, 6, 8, {}, colors::black);
    b.shadow({ 40, 40, 200, 200 }, 6, 8, {}, colors::black);
    small.render(a);
    large.render(b);
    for (int y = 25; y < 50; ++y)
        for (int x = 25; x < 50; ++x)
            ASSERT_EQ(small.alpha(x, y), large.alpha(x, y)) << "at " << x << "," << y;
}

TEST(CairoScene, ShadowCacheSharesImagesAcrossSizesAndRenders)
{
    ShadowCache cache;
    Scene scene;
    for (int i = 0; i < 40; ++i)
        scene.shadow({ 10, float(10 + i * 5), float(100 + i * 7), 60 }, 8, 6, { 0, 1 },
            colors::black.with_alpha(0.2f));
    Canvas first(400, 300), second(400, 300);
    render_scene(first.cr(), scene, cache);
    // Every card is longer than the straight-edge threshold, so one image serves them all.
    EXPECT_EQ(cache.size(), 1u);
    render_scene(second.cr(), scene, cache);
    EXPECT_EQ(cache.size(), 1u);
    for (int y = 0; y < 300; y += 3)
        for (int x = 0; x < 400; x += 3)
            ASSERT_EQ(first.alpha(x, y), second.alpha(x, y)) << "at " << x << "," << y;

    Scene varied;
    for (int i = 0; i < 200; ++i)
        varied.shadow({ 10, 10, 20, 20 }, 4, 6, {}, colors::black.with_alpha(float(i + 1) / 255));
    Canvas third(60, 60);
    render_scene(third.cr(), varied, cache);
    EXPECT_EQ(cache.size(), ShadowCache::kCapacity);
}
