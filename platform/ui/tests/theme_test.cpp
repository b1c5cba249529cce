#include <vrel_ui/theme.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>
#include <string_view>
#include <tuple>

using namespace vrel_ui;

namespace {

struct NamedTheme {
    std::string_view name;
    Theme theme;
};

std::array<NamedTheme, 2> themes()
{
    return { NamedTheme { "light", Theme::light() }, { "dark", Theme::dark_theme() } };
}

struct Ground {
    std::string_view name;
    Color Theme::*color;
};

// Every surface text is drawn on.
constexpr std::array<Ground, 8> kGrounds { {
    { "background", &Theme::background },
    { "surface", &Theme::surface },
    { "subtle_surface", &Theme::subtle_surface },
    { "rail", &Theme::rail },
    { "list", &Theme::list },
    { "header", &Theme::header },
    { "selected", &Theme::selected },
    { "hover", &Theme::hover },
} };

struct TextRole {
    std::string_view name;
    Color Theme::*color;
    double minimum;
};

constexpr std::array<TextRole, 3> kTextRoles { {
    { "text", &Theme::text, 4.5 },
    { "text_secondary", &Theme::text_secondary, 4.5 },
    { "text_muted", &Theme::text_muted, 3.0 },
} };

void expect_color_near(Color got, Color want)
{
    EXPECT_NEAR(got.r, want.r, 1e-5);
    EXPECT_NEAR(got.g, want.g, 1e-5);
    EXPECT_NEAR(got.b, want.b, 1e-5);
    EXPECT_NEAR(got.a, want.a, 1e-5);
}

} // namespace

TEST(Theme, TextRolesReachContrastOnEverySurface)
{
    for (auto const& [theme_name, theme] : themes()) {
        for (TextRole const& role : kTextRoles) {
            for (Ground const& ground : kGrounds) {
                SCOPED_TRACE(std::string(theme_name) + ": " + std::string(role.name) + " on "
                    + std::string(ground.name));
                EXPECT_GE(Colors::contrast_ratio(theme.*role.color, theme.*ground.color), role.minimum);
            }
        }
    }
}

TEST(Theme, ErrorTextReadsOnContentSurfaces)
{
    for (auto const& [theme_name, theme] : themes()) {
        for (Color const ground : { theme.background, theme.surface, theme.subtle_surface, theme.header }) {
            SCOPED_TRACE(theme_name);
            EXPECT_GE(Colors::contrast_ratio(theme.error, ground), 4.5);
        }
    }
}

TEST(Theme, PairedForegroundsReachContrast)
{
    for (auto const& [theme_name, theme] : themes()) {
        SCOPED_TRACE(theme_name);
        EXPECT_GE(Colors::contrast_ratio(theme.on_accent, theme.accent), 4.5);
        EXPECT_GE(Colors::contrast_ratio(theme.tooltip_text, theme.tooltip), 4.5);
        // The accent doubles as link and focus colour on the content surface.
        EXPECT_GE(Colors::contrast_ratio(theme.accent, theme.surface), 3.0);
        for (Color const c : theme.palette)
            EXPECT_GE(Colors::contrast_ratio(colors::white, c), 4.5);
    }
}

TEST(Theme, DarkFlagMatchesTheSurfaces)
{
    for (auto const& [theme_name, theme] : themes()) {
        SCOPED_TRACE(theme_name);
        bool const light_surface = Colors::relative_luminance(theme.surface) > 0.5;
        EXPECT_EQ(theme.dark, !light_surface);
        EXPECT_GT(theme.hairline.a, 0.f);
        EXPECT_LT(theme.hairline.a, 0.5f);
    }
}

TEST(Theme, PaletteHasEightDistinctHues)
{
    std::set<std::tuple<float, float, float>> distinct;
    for (Color const c : Theme::light().palette)
        distinct.insert({ c.r, c.g, c.b });
    EXPECT_EQ(distinct.size(), 8u);
}

TEST(Theme, PaletteIndexWrapsIntoRange)
{
    Theme const theme = Theme::light();
    struct Case {
        long long index;
        std::size_t slot;
    };
    constexpr Case kCases[] {
        { 0, 0 },
        { 7, 7 },
        { 8, 0 },
        { 9, 1 },
        { -1, 7 },
        { -8, 0 },
        { -9, 7 },
        { 1'000'000'003, 3 },
        { LLONG_MAX, 7 },
        { LLONG_MIN, 0 },
    };
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(theme.palette_color(c.index), theme.palette[c.slot]);
    }
}

TEST(Colors, LuminanceAndContrastKnownValues)
{
    EXPECT_DOUBLE_EQ(Colors::relative_luminance(colors::black), 0);
    EXPECT_DOUBLE_EQ(Colors::relative_luminance(colors::white), 1);
    // sRGB 0x80 is 0.2158 linear; WCAG weighs red, green and blue 0.2126, 0.7152, 0.0722.
    EXPECT_NEAR(Colors::relative_luminance(Color::rgb(0x808080)), 0.2158605, 1e-6);
    EXPECT_NEAR(Colors::relative_luminance(Color::rgb(0xFF0000)), 0.2126, 1e-6);
    EXPECT_NEAR(Colors::relative_luminance(Color::rgb(0x00FF00)), 0.7152, 1e-6);

    EXPECT_DOUBLE_EQ(Colors::contrast_ratio(colors::black, colors::white), 21);
    EXPECT_DOUBLE_EQ(Colors::contrast_ratio(colors::white, colors::black), 21);
    EXPECT_DOUBLE_EQ(Colors::contrast_ratio(Color::rgb(0x336699), Color::rgb(0x336699)), 1);
    // The WCAG threshold example: #767676 on white is just over 4.5.
    EXPECT_NEAR(Colors::contrast_ratio(Color::rgb(0x767676), colors::white), 4.54, 0.01);
}

TEST(Colors, LiftAndMix)
{
    Color const red = Color::rgb(0xFF0000);
    expect_color_near(Colors::lift(red, 0), red);
    expect_color_near(Colors::lift(red, 1), colors::white);
    expect_color_near(Colors::lift(red, 0.5f), { 1, 0.5f, 0.5f, 1 });
    // Lifting keeps a translucent colour translucent.
    expect_color_near(Colors::lift(red.with_alpha(0.25f), 0.5f), { 1, 0.5f, 0.5f, 0.25f });
    // Out-of-range amounts clamp instead of overshooting past white or black.
    expect_color_near(Colors::lift(red, 3), colors::white);
    expect_color_near(Colors::lift(red, -1), red);
    expect_color_near(Colors::lift(red, NAN), red);
    expect_color_near(Colors::mix(colors::black, colors::white, 0.25f), { 0.25f, 0.25f, 0.25f, 1 });
}

TEST(Colors, HairlineDependsOnSurfaceLightness)
{
    struct Case {
        std::string_view name;
        Color surface;
        int strength;
        Color want;
    };
    Case const cases[] {
        { "white", colors::white, 51, colors::black.with_alpha(0.2f) },
        { "light grey", Color::rgb(0xE0E0E0), 255, colors::black },
        { "black", colors::black, 51, colors::white.with_alpha(0.2f) },
        // Mid grey is below luminance 0.5 although its sRGB value is half way.
        { "mid grey", Color::rgb(0x808080), 51, colors::white.with_alpha(0.2f) },
        { "negative strength", colors::white, -10, colors::black.with_alpha(0) },
        { "strength over 255", colors::black, 1000, colors::white },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        expect_color_near(Colors::hairline_on(c.surface, c.strength), c.want);
    }
}

TEST(Theme, OnSurfacePicksTheMoreLegibleText)
{
    Theme const light = Theme::light();
    EXPECT_EQ(light.on_surface(colors::white), light.text);
    EXPECT_EQ(light.on_surface(Color::rgb(0x202020)), colors::white);
    EXPECT_EQ(light.on_surface(light.accent), colors::white);

    Theme const dark = Theme::dark_theme();
    EXPECT_EQ(dark.on_surface(dark.surface), colors::white);
    EXPECT_EQ(dark.on_surface(Color::rgb(0xD0D0D0)), colors::white);
    for (Color const c : light.palette)
        EXPECT_EQ(light.on_surface(c), colors::white);
}
