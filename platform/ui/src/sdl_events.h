// Translation of SDL input events into toolkit events.
#pragma once

#include <vrel_ui/event.h>

#include <SDL.h>

#include <optional>

namespace vrel_ui {

[[nodiscard]] std::optional<Event> translate_sdl_event(SDL_Event const& event);
[[nodiscard]] Modifiers translate_sdl_modifiers(Uint16 mods) noexcept;

}
