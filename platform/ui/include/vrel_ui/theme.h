// Colour roles, the eight-colour palette, spacing and motion of the light and dark themes.
#pragma once

#include <vrel_ui/color.h>

#include <array>
#include <cstddef>

namespace vrel_ui {

struct Spacing {
    float row_padding { 6 }; // p: vertical padding inside list rows
    float horizontal_padding { 10 }; // p': horizontal padding inside list rows
    float line_gap { 4 };
    float spacing { 8 }; // the standard gap between items
    float small_gap { 4 };
    float medium_inset { 12 };
    float large_inset { 20 };
    float corner_radius { 8 };
};

struct Motion {
    float duration_seconds { 0.18f };
    bool reduced { false };
};

struct Theme {
    bool dark { false };
    float scale { 1 };

    Color background; // window background behind the conversation
    Color surface; // cards, panels, popovers
    Color subtle_surface; // placeholders and quiet fills on a surface
    Color rail; // workspace rail
    Color list; // channel list
    Color header;
    Color selected; // selected row
    Color hover; // hovered row
    Color accent;
    Color on_accent; // text on an accent fill
    Color error; // errors and destructive actions
    Color alert; // unread badges and alerts
    Color live; // live / speaking / in-call
    Color secondary; // secondary buttons
    Color text; // primary text
    Color text_secondary;
    Color text_muted;
    Color hairline;
    Color tile; // call tiles and file icons
    Color video; // video backgrounds
    Color stage_backdrop;
    Color scrim; // behind a drawer in narrow windows
    Color tooltip;
    Color tooltip_text;
    Color shadow;
    Color online, idle, busy, offline;
    std::array<Color, 8> palette {};
    Spacing spacing;
    Motion motion;

    [[nodiscard]] static Theme light();
    [[nodiscard]] static Theme dark_theme();

    // Palette colour of a colour index (workspaces, authors): the index modulo 8.
    [[nodiscard]] Color palette_color(long long index) const noexcept;
    // A text colour that reads on `background`: the theme's text colour or white, whichever
    // contrasts more.
    [[nodiscard]] Color on_surface(Color background) const noexcept;
};

namespace Colors {
// Mixes towards white by `amount` (0..1): a lighter tint of the same hue.
[[nodiscard]] Color lift(Color c, float amount) noexcept;
// A hairline that shows on `surface`: darker on light surfaces, lighter on dark ones, by
// `strength` out of 255.
[[nodiscard]] Color hairline_on(Color surface, int strength) noexcept;
[[nodiscard]] Color mix(Color a, Color b, float t) noexcept;
// WCAG relative luminance and contrast ratio (1 to 21).
[[nodiscard]] double relative_luminance(Color c) noexcept;
[[nodiscard]] double contrast_ratio(Color a, Color b) noexcept;
}

} // namespace vrel_ui
