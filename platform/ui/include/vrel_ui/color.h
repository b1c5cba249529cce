// Colours as straight (not premultiplied) sRGB components in 0..1.
#pragma once

#include <cstdint>

namespace vrel_ui {

struct Color {
    float r {}, g {}, b {}, a { 1 };

    [[nodiscard]] static constexpr Color rgb(std::uint32_t hex) noexcept
    {
        return { float((hex >> 16) & 0xff) / 255.f, float((hex >> 8) & 0xff) / 255.f,
            float(hex & 0xff) / 255.f, 1 };
    }
    [[nodiscard]] static constexpr Color rgba(std::uint32_t hex) noexcept
    {
        return { float((hex >> 24) & 0xff) / 255.f, float((hex >> 16) & 0xff) / 255.f,
            float((hex >> 8) & 0xff) / 255.f, float(hex & 0xff) / 255.f };
    }
    [[nodiscard]] constexpr Color with_alpha(float alpha) const noexcept { return { r, g, b, alpha }; }
    friend bool operator==(Color, Color) = default;
};

namespace colors {
inline constexpr Color white { 1, 1, 1, 1 };
inline constexpr Color black { 0, 0, 0, 1 };
inline constexpr Color transparent { 0, 0, 0, 0 };
}

} // namespace vrel_ui
