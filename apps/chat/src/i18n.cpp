#include "i18n.h"

namespace chat {

namespace {

constexpr std::string_view en_us
    = "# Chat \u2014 user-facing strings.\n"
      "\n"
      "# Marker beside a participant in the `@` picker that is an agent rather than a\n"
      "# person, so somebody can tell at a glance that they are addressing software.\n"
      "chat-mention-agent-tag = agent\n"
      "\n"
      "# Status line under the user's own name in the sidebar's identity bar.\n"
      "chat-identity-available = Available\n"
      "chat-identity-in-voice = In voice\n"
      "\n"
      "# Chip under the workspace title that adds a channel category.\n"
      "chat-sidebar-add-category = \uFF0B Category\n"
      "\n"
      "# Control buttons along the bottom of the expanded call overlay.\n"
      "chat-call-mute = Mute\n"
      "chat-call-unmute = Unmute\n"
      "chat-call-deafen = Deafen\n"
      "chat-call-undeafen = Undeafen\n"
      "chat-call-audio-only = Audio only\n"
      "chat-call-collapse = Collapse\n"
      "chat-call-leave = Leave\n";

constexpr std::array<vrel_ui::CatalogResource, 1> resources { vrel_ui::CatalogResource { "en-US", en_us } };

} // namespace

vrel_ui::CatalogDescriptor const catalog { "en-US", resources };

std::string t(std::string_view key) { return vrel_ui::EmbeddedCatalog::t(catalog, key); }

// The resource is part of the program's contract with translators; its size pins the text.
static_assert(en_us.size() == 726);

} // namespace chat
