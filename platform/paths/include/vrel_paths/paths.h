// Where the current user's files live, following the XDG base directory rules.
//
// Every lookup has two forms: one that reads the real process environment and passwd database,
// and one that reads only what it is handed, so callers can test their own path rules.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace vrel_paths {

// Looks up an environment variable by name; none when it is unset (set-but-empty is "").
using Env = std::function<std::optional<std::string>(char const* name)>;

// The home directory recorded for the account running the process; none when unknown.
using AccountHome = std::function<std::optional<std::string>()>;

// The process environment, through getenv.
[[nodiscard]] std::optional<std::string> process_env(char const* name);

// The passwd entry's home directory for the real user id, through getpwuid_r.
[[nodiscard]] std::optional<std::string> passwd_home();

// $HOME when non-empty, else the account's home when account_home is given and knows one.
// NOTE: An empty account_home means "no passwd database": the result then depends on env only.
[[nodiscard]] std::optional<std::filesystem::path> home(Env const& env, AccountHome const& account_home = {});

// $XDG_DATA_HOME when it is an absolute path, else home(env, account_home) / ".local/share".
[[nodiscard]] std::optional<std::filesystem::path> data_dir(
    Env const& env, AccountHome const& account_home = {});

// home() and data_dir() for this process: its environment, then its passwd entry.
[[nodiscard]] std::optional<std::filesystem::path> home();
[[nodiscard]] std::optional<std::filesystem::path> data_dir();

} // namespace vrel_paths
