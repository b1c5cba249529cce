// Push buttons: their metrics, their measured size and their painting in every state.
#pragma once

#include <vrel_ui/geometry.h>

#include <cstdint>
#include <string_view>

namespace vrel_ui {

struct DrawContext;
struct Theme;
class TextRenderer;

enum class ButtonKind : std::uint8_t { Normal, Primary, Destructive, Quiet };

// What the pointer and the keyboard are doing to a button this frame.
struct ButtonState {
    bool hovered {};
    bool active {}; // held down right now
    bool disabled {}; // drawn faded; hover and press are ignored
    bool pressed {}; // a toggle button that is on
    bool focused {}; // has the keyboard: drawn with a focus ring
    friend bool operator==(ButtonState, ButtonState) = default;
};

struct ButtonMetrics {
    float padding_x {};
    float padding_y {};
    float radius {};
    float min_height {};
    float text_size {};
    friend bool operator==(ButtonMetrics, ButtonMetrics) = default;
};

class Button {
public:
    static constexpr float min_height = 32;
    static constexpr float disabled_opacity = 0.45f;

    [[nodiscard]] static ButtonMetrics metrics(Theme const& theme, float text_size = 13);
    // The natural size: the label's width plus horizontal padding, and the taller of one line
    // with vertical padding and the minimum height.
    [[nodiscard]] static Size measure(
        TextRenderer& text, Theme const& theme, std::string_view label, float text_size = 13);
    // Paints the button into `rect` with the label centred and cut to fit; nothing for an
    // empty or non-finite rect.
    static void paint(DrawContext& ctx, Rect rect, std::string_view label, ButtonKind kind, ButtonState state,
        float text_size = 13);
};

} // namespace vrel_ui
