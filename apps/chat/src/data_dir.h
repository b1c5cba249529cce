// Where the chat application keeps its files, chosen once at start-up.
#pragma once

#include <vrel_paths/paths.h>

#include <filesystem>
#include <optional>

namespace chat {

// The data directory: $VREL_CHAT_DATA unchanged when set (even empty, which means the current
// directory), else the XDG data directory / "vrel-chat", else home / ".local/share/vrel-chat".
// Does not create it. Reads only env and account_home; an empty account_home skips passwd.
[[nodiscard]] std::optional<std::filesystem::path> resolve_data_dir(
    vrel_paths::Env const& env, vrel_paths::AccountHome const& account_home = {});

// resolve_data_dir over this process's environment and passwd entry.
[[nodiscard]] std::optional<std::filesystem::path> resolve_data_dir();

// The workspace document inside a data directory.
[[nodiscard]] std::filesystem::path workspace_file(std::filesystem::path const& data_dir);

} // namespace chat
