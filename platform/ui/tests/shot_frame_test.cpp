#include "c_handles.h"

#include <vrel_ui/shot_frame.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string_view>

using namespace vrel_ui;

namespace {

constexpr Color kRed { 1, 0, 0, 1 };
constexpr Color kBlue { 0, 0, 1, 1 };

// Fills its bounds, less a 10 px margin, in red; its floating surface is a blue square.
class SquareWidget final : public Widget {
public:
    bool floating { false };
    double synced_at { -1 };
    double drawn_at { -1 };
    int floating_draws { 0 };

    void sync(SyncContext& context) override { synced_at = context.now; }
    void draw(DrawContext& context) override
    {
        drawn_at = context.now;
        context.scene.fill_rect(inset(m_bounds, 10), kRed);
    }
    [[nodiscard]] bool has_floating_surface() const override { return floating; }
    void draw_for_instance(std::string_view instance, DrawContext& context) override
    {
        ++floating_draws;
        if (instance == "floating")
            context.scene.fill_rect({ 0, 0, 5, 5 }, kBlue);
    }
};

std::uint32_t rgb_of(Color c)
{
    auto const byte = [](float v) { return std::uint32_t(std::lround(v * 255)); };
    return 0xff000000u | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

std::filesystem::path temp_png(std::string_view name)
{
    auto const dir = std::filesystem::path(testing::TempDir()) / "shot_frame_test";
    std::filesystem::create_directories(dir);
    return dir / name;
}

} // namespace

TEST(ShotFrame, LayoutSyncAndDrawDriveTheWidget)
{
    ShotFrame frame({ 60, 40 }, Theme::light());
    SquareWidget widget;
    frame.sync(widget, 12.5);
    ASSERT_TRUE(frame.layout(widget).has_value());
    frame.draw(widget);
    EXPECT_EQ(widget.synced_at, 12.5);
    EXPECT_EQ(widget.drawn_at, 12.5);
    EXPECT_EQ(widget.bounds(), (Rect { 0, 0, 60, 40 }));

    auto const image = frame.render_image();
    ASSERT_TRUE(image.has_value()) << image.error();
    ASSERT_EQ(image->width, 60);
    ASSERT_EQ(image->height, 40);
    EXPECT_EQ(image->pixels[0], rgb_of(frame.theme().background));
    EXPECT_EQ(image->pixels[20 * 60 + 30], 0xffff0000u);
}

TEST(ShotFrame, DrawStartsAFreshScene)
{
    ShotFrame frame({ 60, 40 }, Theme::dark_theme());
    SquareWidget widget;
    ASSERT_TRUE(frame.layout(widget).has_value());
    frame.draw(widget);
    std::size_t const once = frame.scene().size();
    frame.draw(widget);
    EXPECT_EQ(frame.scene().size(), once);
}

TEST(ShotFrame, FloatingSurfacesDrawOverTheFrame)
{
    for (bool const floating : { false, true }) {
        SCOPED_TRACE(floating);
        ShotFrame frame({ 30, 30 }, Theme::light());
        SquareWidget widget;
        widget.floating = floating;
        ASSERT_TRUE(frame.layout(widget).has_value());
        frame.draw(widget);
        frame.draw_floating_surfaces(widget);
        EXPECT_EQ(widget.floating_draws, floating ? 1 : 0);
        auto const image = frame.render_image();
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->pixels[2 * 30 + 2], floating ? 0xff0000ffu : rgb_of(frame.theme().background));
    }
}

TEST(ShotFrame, WritesAPngOfTheScaledSize)
{
    struct Case {
        std::string_view name;
        Size size;
        float scale;
        int want_w, want_h;
    };
    constexpr Case kCases[] {
        { "scale 1", { 64, 48 }, 1, 64, 48 },
        { "scale 2", { 64, 48 }, 2, 128, 96 },
        { "fractional scale rounds up", { 41, 31 }, 1.5f, 62, 47 },
        { "broken scale counts as 1", { 40, 30 }, std::numeric_limits<float>::quiet_NaN(), 40, 30 },
        { "negative scale counts as 1", { 40, 30 }, -2, 40, 30 },
    };
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        ShotFrame frame(c.size, Theme::light(), c.scale);
        SquareWidget widget;
        ASSERT_TRUE(frame.layout(widget).has_value());
        frame.draw(widget);
        auto const path = temp_png(std::string(c.name) + ".png");
        auto const written = frame.write_png(path.string());
        ASSERT_TRUE(written.has_value()) << written.error();

        CairoSurfacePtr const png { cairo_image_surface_create_from_png(path.c_str()) };
        ASSERT_EQ(cairo_surface_status(png.get()), CAIRO_STATUS_SUCCESS);
        EXPECT_EQ(cairo_image_surface_get_width(png.get()), c.want_w);
        EXPECT_EQ(cairo_image_surface_get_height(png.get()), c.want_h);
        // The widget's red square is in the middle at every scale.
        auto const* data = cairo_image_surface_get_data(png.get());
        int const stride = cairo_image_surface_get_stride(png.get());
        auto const centre
            = reinterpret_cast<std::uint32_t const*>(data + (c.want_h / 2) * stride)[c.want_w / 2];
        EXPECT_EQ(centre, 0xffff0000u);
    }
}

TEST(ShotFrame, UnwritablePathGivesAnErrorNamingIt)
{
    ShotFrame frame({ 20, 20 }, Theme::light());
    SquareWidget widget;
    ASSERT_TRUE(frame.layout(widget).has_value());
    frame.draw(widget);
    for (std::string const& path :
        { std::string("/nonexistent-directory/shot.png"), temp_png("").string() }) {
        SCOPED_TRACE(path);
        auto const written = frame.write_png(path);
        ASSERT_FALSE(written.has_value());
        EXPECT_NE(written.error().find(path), std::string::npos) << written.error();
        EXPECT_NE(written.error().find("error"), std::string::npos) << written.error();
    }
}

TEST(ShotFrame, EmptyFrameReportsInsteadOfRendering)
{
    ShotFrame frame({ 0, 0 }, Theme::light());
    SquareWidget widget;
    auto const laid_out = frame.layout(widget);
    ASSERT_FALSE(laid_out.has_value());
    EXPECT_EQ(laid_out.error(), to_string(LayoutError::EmptyBounds));

    frame.draw(widget);
    EXPECT_FALSE(frame.render_image().has_value());
    auto const written = frame.write_png(temp_png("empty.png").string());
    ASSERT_FALSE(written.has_value());
    EXPECT_NE(written.error().find("empty.png"), std::string::npos);
}

TEST(ShotFrame, OversizedFrameReportsInsteadOfAllocating)
{
    ShotFrame frame({ 40000, 10 }, Theme::light());
    auto const image = frame.render_image();
    ASSERT_FALSE(image.has_value());
    EXPECT_NE(image.error().find("cannot render"), std::string::npos) << image.error();
}
