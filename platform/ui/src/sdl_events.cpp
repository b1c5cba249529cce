#include "sdl_events.h"

namespace vrel_ui {

Modifiers translate_sdl_modifiers(Uint16 mods) noexcept
{
    Modifiers out = ModNone;
    if (mods & KMOD_SHIFT)
        out |= ModShift;
    if (mods & KMOD_CTRL)
        out |= ModCtrl;
    if (mods & KMOD_ALT)
        out |= ModAlt;
    if (mods & KMOD_GUI)
        out |= ModSuper;
    return out;
}

static KeyDown translate_key(SDL_Keysym const& sym)
{
    KeyDown key { Key::Unknown, 0, translate_sdl_modifiers(sym.mod), false };
    switch (sym.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        key.key = Key::Enter;
        break;
    case SDLK_ESCAPE:
        key.key = Key::Escape;
        break;
    case SDLK_TAB:
        key.key = Key::Tab;
        break;
    case SDLK_BACKSPACE:
        key.key = Key::Backspace;
        break;
    case SDLK_DELETE:
        key.key = Key::Delete;
        break;
    case SDLK_LEFT:
        key.key = Key::Left;
        break;
    case SDLK_RIGHT:
        key.key = Key::Right;
        break;
    case SDLK_UP:
        key.key = Key::Up;
        break;
    case SDLK_DOWN:
        key.key = Key::Down;
        break;
    case SDLK_HOME:
        key.key = Key::Home;
        break;
    case SDLK_END:
        key.key = Key::End;
        break;
    case SDLK_PAGEUP:
        key.key = Key::PageUp;
        break;
    case SDLK_PAGEDOWN:
        key.key = Key::PageDown;
        break;
    case SDLK_SPACE:
        key.key = Key::Space;
        key.ch = U' ';
        break;
    case SDLK_INSERT:
        key.key = Key::Insert;
        break;
    default:
        // SDL keycodes of printable keys are their (lower-case) code points.
        if (sym.sym > 0 && sym.sym < 0x110000 && !(sym.sym & SDLK_SCANCODE_MASK)) {
            key.key = Key::Character;
            key.ch = static_cast<char32_t>(sym.sym);
        }
        break;
    }
    return key;
}

static PointerButton translate_button(Uint8 button)
{
    switch (button) {
    case SDL_BUTTON_RIGHT:
        return PointerButton::Secondary;
    case SDL_BUTTON_MIDDLE:
        return PointerButton::Middle;
    default:
        return PointerButton::Primary;
    }
}

std::optional<Event> translate_sdl_event(SDL_Event const& event)
{
    Modifiers const mods = translate_sdl_modifiers(SDL_GetModState());
    switch (event.type) {
    case SDL_MOUSEMOTION:
        return PointerMove { { float(event.motion.x), float(event.motion.y) }, mods };
    case SDL_MOUSEBUTTONDOWN:
        return PointerDown { { float(event.button.x), float(event.button.y) },
            translate_button(event.button.button), event.button.clicks, mods };
    case SDL_MOUSEBUTTONUP:
        return PointerUp { { float(event.button.x), float(event.button.y) },
            translate_button(event.button.button), mods };
    case SDL_MOUSEWHEEL: {
        int x {}, y {};
        SDL_GetMouseState(&x, &y);
        float const flip = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.f : 1.f;
        return Wheel { { float(x), float(y) }, event.wheel.preciseX * flip, event.wheel.preciseY * flip,
            true };
    }
    case SDL_KEYDOWN: {
        KeyDown key = translate_key(event.key.keysym);
        key.repeat = event.key.repeat != 0;
        return key;
    }
    case SDL_KEYUP: {
        KeyDown const key = translate_key(event.key.keysym);
        return KeyUp { key.key, key.ch, key.mods };
    }
    case SDL_TEXTINPUT:
        return TextEntered { event.text.text };
    case SDL_TEXTEDITING:
        return TextComposition { event.edit.text, event.edit.start, event.edit.length };
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_LEAVE:
            return PointerLeave {};
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            return FocusChange { true };
        case SDL_WINDOWEVENT_FOCUS_LOST:
            return FocusChange { false };
        default:
            return std::nullopt;
        }
    default:
        return std::nullopt;
    }
}

} // namespace vrel_ui
