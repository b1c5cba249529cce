// The light and dark themes and the colour arithmetic the painters build on.
//
// Both themes share one indigo hue for the accent. The neutrals carry a faint blue cast so the
// accent and the greys read as one family. Text colours were chosen for WCAG contrast of at
// least 4.5 (muted text 3.0) on every surface they appear on; theme_test checks this.
#include <vrel_ui/theme.h>

#include <algorithm>
#include <cmath>

namespace vrel_ui {

namespace {

// Clamps to 0..1. NaN becomes 0, so a broken input gives a defined colour.
float unit(float v) noexcept
{
    if (!(v > 0))
        return 0;
    return std::min(v, 1.f);
}

double linear_channel(float srgb) noexcept
{
    double const c = unit(srgb);
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The eight colour-index hues: crimson, orange, green, teal, blue, indigo, purple and magenta.
// Each is dark enough for white initials at a contrast of at least 4.5.
constexpr std::array<Color, 8> kPalette {
    Color::rgb(0xC43A4E),
    Color::rgb(0xB8531A),
    Color::rgb(0x2F7D3A),
    Color::rgb(0x0E7A72),
    Color::rgb(0x2367C4),
    Color::rgb(0x5A4FCF),
    Color::rgb(0x8B3FB8),
    Color::rgb(0xB5367E),
};

} // namespace

namespace Colors {

Color mix(Color a, Color b, float t) noexcept
{
    float const k = unit(t);
    auto const lerp = [k](float x, float y) { return x + (y - x) * k; };
    return { lerp(a.r, b.r), lerp(a.g, b.g), lerp(a.b, b.b), lerp(a.a, b.a) };
}

Color lift(Color c, float amount) noexcept
{
    // Only the colour moves towards white; a translucent colour stays as translucent.
    return mix(c, colors::white.with_alpha(c.a), amount);
}

Color hairline_on(Color surface, int strength) noexcept
{
    float const alpha = float(std::clamp(strength, 0, 255)) / 255.f;
    bool const light = relative_luminance(surface) > 0.5;
    return (light ? colors::black : colors::white).with_alpha(alpha);
}

double relative_luminance(Color c) noexcept
{
    return 0.2126 * linear_channel(c.r) + 0.7152 * linear_channel(c.g) + 0.0722 * linear_channel(c.b);
}

double contrast_ratio(Color a, Color b) noexcept
{
    double const la = relative_luminance(a);
    double const lb = relative_luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace Colors

Theme Theme::light()
{
    Theme t;
    t.dark = false;
    t.background = Color::rgb(0xFFFFFF);
    t.surface = Color::rgb(0xFFFFFF);
    t.subtle_surface = Color::rgb(0xF1F2F5);
    t.rail = Color::rgb(0xE8EAEF);
    t.list = Color::rgb(0xF5F6F8);
    t.header = Color::rgb(0xFFFFFF);
    t.selected = Color::rgb(0xE3E6FA);
    t.hover = Color::rgb(0xECEEF2);
    t.accent = Color::rgb(0x4B56D2);
    t.on_accent = colors::white;
    t.error = Color::rgb(0xBD3329);
    t.alert = Color::rgb(0xD23346);
    t.live = Color::rgb(0x1E8A4C);
    t.secondary = Color::rgb(0xE6E8EE);
    t.text = Color::rgb(0x1C1E23);
    t.text_secondary = Color::rgb(0x4A4F5A);
    t.text_muted = Color::rgb(0x6D7280);
    t.hairline = Colors::hairline_on(t.surface, 26);
    t.tile = Color::rgb(0xE3E6EC);
    t.video = Color::rgb(0x18191D);
    t.stage_backdrop = Color::rgb(0x0F1013);
    t.scrim = Color::rgba(0x10121866);
    t.tooltip = Color::rgb(0x25272D);
    t.tooltip_text = Color::rgb(0xF3F4F6);
    t.shadow = Color::rgba(0x10121B2E);
    t.online = Color::rgb(0x2BA563);
    t.idle = Color::rgb(0xE0A526);
    t.busy = Color::rgb(0xD8434B);
    t.offline = Color::rgb(0x9A9EA8);
    t.palette = kPalette;
    return t;
}

Theme Theme::dark_theme()
{
    Theme t;
    t.dark = true;
    t.background = Color::rgb(0x1A1B1F);
    t.surface = Color::rgb(0x222328);
    t.subtle_surface = Color::rgb(0x2B2D33);
    t.rail = Color::rgb(0x131417);
    t.list = Color::rgb(0x1D1E22);
    t.header = Color::rgb(0x222328);
    t.selected = Color::rgb(0x30344F);
    t.hover = Color::rgb(0x2A2C32);
    // Lighter than the light theme's accent so links stay legible on the dark greys, yet still
    // dark enough for white labels on accent buttons.
    t.accent = Color::rgb(0x5F6BDB);
    t.on_accent = colors::white;
    t.error = Color::rgb(0xF26D62);
    t.alert = Color::rgb(0xD23346);
    t.live = Color::rgb(0x2E9E5B);
    t.secondary = Color::rgb(0x33353C);
    t.text = Color::rgb(0xECEDF0);
    t.text_secondary = Color::rgb(0xB3B7C0);
    t.text_muted = Color::rgb(0x8D929C);
    t.hairline = Colors::hairline_on(t.surface, 30);
    t.tile = Color::rgb(0x2E3138);
    t.video = Color::rgb(0x111215);
    t.stage_backdrop = Color::rgb(0x0B0C0E);
    t.scrim = Color::rgba(0x00000080);
    t.tooltip = Color::rgb(0x41444C);
    t.tooltip_text = Color::rgb(0xF2F3F5);
    t.shadow = Color::rgba(0x00000073);
    t.online = Color::rgb(0x34B36E);
    t.idle = Color::rgb(0xE3AC33);
    t.busy = Color::rgb(0xE0525A);
    t.offline = Color::rgb(0x7D828C);
    t.palette = kPalette;
    return t;
}

Color Theme::palette_color(long long index) const noexcept
{
    // The remainder of a negative index is negative (or zero); adding 8 brings it into range.
    long long const wrapped = (index % 8 + 8) % 8;
    return palette[static_cast<std::size_t>(wrapped)];
}

Color Theme::on_surface(Color background_color) const noexcept
{
    double const with_text = Colors::contrast_ratio(text, background_color);
    double const with_white = Colors::contrast_ratio(colors::white, background_color);
    return with_text >= with_white ? text : colors::white;
}

} // namespace vrel_ui
