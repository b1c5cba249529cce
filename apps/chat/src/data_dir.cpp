// The chat application's data-directory rules, layered over the XDG lookups.
#include "data_dir.h"

namespace chat {

std::optional<std::filesystem::path> resolve_data_dir(
    vrel_paths::Env const& env, vrel_paths::AccountHome const& account_home)
{
    // An explicit override is taken literally, so a test or a portable install can point the
    // app anywhere, including "" for the working directory; nothing is appended to it.
    if (auto value = env("VREL_CHAT_DATA"))
        return std::filesystem::path(*value);
    if (auto base = vrel_paths::data_dir(env, account_home))
        return *base / "vrel-chat";
    // data_dir() already falls back to home; this keeps the rule explicit should it change.
    if (auto base = vrel_paths::home(env, account_home))
        return *base / ".local" / "share" / "vrel-chat";
    return std::nullopt;
}

std::optional<std::filesystem::path> resolve_data_dir()
{
    return resolve_data_dir(vrel_paths::process_env, vrel_paths::passwd_home);
}

std::filesystem::path workspace_file(std::filesystem::path const& data_dir)
{
    return data_dir / "workspace.automerge";
}

} // namespace chat
