// Input events in logical pixels, as the window or a test hands them to widgets.
#pragma once

#include <vrel_ui/geometry.h>

#include <cstdint>
#include <string>
#include <variant>

namespace vrel_ui {

// Modifier bits as reported with every key and pointer event.
enum Modifier : std::uint32_t {
    ModNone = 0,
    ModShift = 0x01,
    ModAlt = 0x04,
    ModSuper = 0x08,
    ModCtrl = 0x20,
};
using Modifiers = std::uint32_t;

// Key codes. Printable keys come as Key::Character with the unshifted lower-case code point;
// the text they produce arrives separately as a TextEntered event.
enum class Key : std::uint16_t {
    Unknown = 0,
    Character = 0x01,
    Enter = 0x02,
    Escape = 0x03,
    Tab = 0x04,
    Backspace = 0x05,
    Delete = 0x06,
    Left = 0x07,
    Right = 0x08,
    Up = 0x09,
    Down = 0x0a,
    PageUp = 0x0b,
    PageDown = 0x0c,
    Space = 0x0d,
    Insert = 0x0e,
    Home = 0x14,
    End = 0x15,
};

enum class PointerButton : std::uint8_t { Primary, Middle, Secondary };

struct PointerMove {
    Point pos;
    Modifiers mods {};
};
struct PointerDown {
    Point pos;
    PointerButton button {};
    int clicks { 1 };
    Modifiers mods {};
};
struct PointerUp {
    Point pos;
    PointerButton button {};
    Modifiers mods {};
};
struct PointerLeave { };
// Wheel deltas: `lines` true for notched wheels (deltas in lines), false for pixel deltas.
struct Wheel {
    Point pos;
    float dx {};
    float dy {};
    bool lines { true };
};
struct KeyDown {
    Key key {};
    char32_t ch {};
    Modifiers mods {};
    bool repeat {};
};
struct KeyUp {
    Key key {};
    char32_t ch {};
    Modifiers mods {};
};
// Committed text from the keyboard or the input method.
struct TextEntered {
    std::string text;
};
// The input method's uncommitted composition; empty text ends the composition.
struct TextComposition {
    std::string text;
    int cursor {};
    int length {};
};
struct FocusChange {
    bool focused {};
};

using Event = std::variant<PointerMove, PointerDown, PointerUp, PointerLeave, Wheel, KeyDown, KeyUp,
    TextEntered, TextComposition, FocusChange>;

enum class EventResponse : std::uint8_t { Ignored, Handled };

} // namespace vrel_ui
