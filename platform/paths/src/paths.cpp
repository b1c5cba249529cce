// XDG base directory lookups over an injected environment and passwd database.
#include <vrel_paths/paths.h>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace vrel_paths {

std::optional<std::string> process_env(char const* name)
{
    if (char const* value = std::getenv(name))
        return std::string(value);
    return std::nullopt;
}

std::optional<std::string> passwd_home()
{
    long const suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? std::size_t(suggested) : 4096);
    passwd entry {};
    passwd* found = nullptr;
    // ERANGE means the entry did not fit; grow up to a sane bound instead of giving up at once.
    int status = 0;
    while ((status = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE
        && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (status != 0 || found == nullptr || entry.pw_dir == nullptr || entry.pw_dir[0] == '\0')
        return std::nullopt;
    return std::string(entry.pw_dir);
}

std::optional<std::filesystem::path> home(Env const& env, AccountHome const& account_home)
{
    if (auto value = env("HOME"); value && !value->empty())
        return std::filesystem::path(*value);
    if (account_home) {
        if (auto value = account_home(); value && !value->empty())
            return std::filesystem::path(*value);
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> data_dir(Env const& env, AccountHome const& account_home)
{
    // The XDG rules say a relative value is invalid and must be ignored, not resolved.
    if (auto value = env("XDG_DATA_HOME"); value && !value->empty() && value->front() == '/')
        return std::filesystem::path(*value);
    if (auto base = home(env, account_home))
        return *base / ".local" / "share";
    return std::nullopt;
}

std::optional<std::filesystem::path> home() { return home(process_env, passwd_home); }

std::optional<std::filesystem::path> data_dir() { return data_dir(process_env, passwd_home); }

} // namespace vrel_paths
