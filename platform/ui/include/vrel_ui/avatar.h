// Round avatars that stand in for a person or workspace: a coloured disc with initials.
#pragma once

#include <vrel_ui/color.h>
#include <vrel_ui/geometry.h>

#include <optional>
#include <string>
#include <string_view>

namespace vrel_ui {

struct DrawContext;

class Avatar {
public:
    // Up to two upper-cased initials: the first letters of the first and last words that hold
    // a letter or digit. A name of symbols only (an emoji) gives its first grapheme; a name
    // with neither, or an empty or blank one, gives "?".
    [[nodiscard]] static std::string initials_for_name(std::string_view name);

    // Draws a disc of `diameter` centred on `center` with the initials of `name` on it, and a
    // presence dot at its lower right when `presence` is given. Nothing for a non-positive or
    // non-finite diameter.
    static void draw_at(DrawContext& ctx, Point center, float diameter, std::string_view name, Color color,
        std::optional<Color> presence = std::nullopt);

    // The presence dot's centre and radius for an avatar of `diameter` at `center`.
    struct Dot {
        Point center;
        float radius {};
    };
    [[nodiscard]] static Dot presence_dot(Point center, float diameter) noexcept;
};

} // namespace vrel_ui
