// The chat's localised interface texts: the "en-US" catalog compiled into the program and the
// one lookup every view uses.
#pragma once

#include <vrel_ui/i18n.h>

#include <array>
#include <string>
#include <string_view>

namespace chat {

extern vrel_ui::CatalogDescriptor const catalog;

// The catalog text of `key` in the current language (the key itself when no resource has it).
[[nodiscard]] std::string t(std::string_view key);

// The call stage's control labels, measured together: mute, unmute, deafen, undeafen, audio
// only, collapse, leave.
inline constexpr std::array<std::string_view, 7> call_control_keys { "chat-call-mute", "chat-call-unmute",
    "chat-call-deafen", "chat-call-undeafen", "chat-call-audio-only", "chat-call-collapse",
    "chat-call-leave" };

} // namespace chat
