// The toolkit's named icons and the glyph each one draws as.
//
// Icons are glyphs drawn as text so they scale with the font and take the row's colour; the
// enum lets the application name an icon without knowing which character stands for it.
#pragma once

#include <cstdint>
#include <string_view>

namespace vrel_ui {

enum class Icon : std::uint8_t { None, Edit, Delete, Add, Pin, Archive, Up, Down, Folder, Collapse };

// The UTF-8 glyph drawn for `icon`; empty for Icon::None and for values outside the enum.
[[nodiscard]] constexpr std::string_view icon_glyph(Icon icon) noexcept
{
    switch (icon) {
    case Icon::None:
        return {};
    case Icon::Edit:
        return "\u270E"; // ✎
    case Icon::Delete:
        return "\U0001F5D1\uFE0F"; // 🗑, with emoji presentation
    case Icon::Add:
        return "\uFF0B"; // ＋
    case Icon::Pin:
        return "\U0001F4CC"; // 📌
    case Icon::Archive:
        return "\U0001F5C4\uFE0F"; // 🗄, with emoji presentation
    case Icon::Up:
        return "\u2191"; // ↑
    case Icon::Down:
        return "\u2193"; // ↓
    case Icon::Folder:
        return "\U0001F4C1"; // 📁
    case Icon::Collapse:
        return "\u25BE"; // ▾
    }
    return {};
}

} // namespace vrel_ui
