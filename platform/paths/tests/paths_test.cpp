#include <vrel_paths/paths.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string_view>

namespace {

using vrel_paths::AccountHome;
using vrel_paths::Env;
using Vars = std::map<std::string, std::string>;

Env fake_env(Vars vars)
{
    return [vars = std::move(vars)](char const* name) -> std::optional<std::string> {
        if (auto it = vars.find(name); it != vars.end())
            return it->second;
        return std::nullopt;
    };
}

AccountHome fake_account(std::optional<std::string> dir)
{
    return [dir = std::move(dir)] { return dir; };
}

struct Case {
    std::string_view name;
    Vars vars;
    std::optional<std::string> account;
    std::optional<std::filesystem::path> want_home;
    std::optional<std::filesystem::path> want_data;
};

Case const kCases[] = {
    { "xdg absolute wins", { { "XDG_DATA_HOME", "/d" }, { "HOME", "/h" } }, "/p", "/h", "/d" },
    { "home only", { { "HOME", "/h" } }, std::nullopt, "/h", "/h/.local/share" },
    { "relative xdg ignored", { { "XDG_DATA_HOME", "rel/data" }, { "HOME", "/h" } }, std::nullopt, "/h",
        "/h/.local/share" },
    { "empty xdg ignored", { { "XDG_DATA_HOME", "" }, { "HOME", "/h" } }, std::nullopt, "/h",
        "/h/.local/share" },
    { "empty home falls to account", { { "HOME", "" } }, "/p", "/p", "/p/.local/share" },
    { "unset home falls to account", {}, "/p", "/p", "/p/.local/share" },
    { "empty account is no account", {}, "", std::nullopt, std::nullopt },
    { "nothing at all", {}, std::nullopt, std::nullopt, std::nullopt },
    { "xdg without any home", { { "XDG_DATA_HOME", "/d" } }, std::nullopt, std::nullopt, "/d" },
};

TEST(Paths, ResolvesTable)
{
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        Env const env = fake_env(c.vars);
        AccountHome const account = fake_account(c.account);
        EXPECT_EQ(vrel_paths::home(env, account), c.want_home);
        EXPECT_EQ(vrel_paths::data_dir(env, account), c.want_data);
    }
}

TEST(Paths, WithoutAccountLookupOnlyTheEnvironmentCounts)
{
    Env const env = fake_env({});
    EXPECT_EQ(vrel_paths::home(env), std::nullopt);
    EXPECT_EQ(vrel_paths::data_dir(env), std::nullopt);
    EXPECT_EQ(vrel_paths::data_dir(fake_env({ { "HOME", "/h" } })), std::filesystem::path("/h/.local/share"));
}

TEST(Paths, ProcessEnvironmentDistinguishesUnsetFromEmpty)
{
    ASSERT_EQ(setenv("VREL_PATHS_TEST_EMPTY", "", 1), 0);
    ASSERT_EQ(unsetenv("VREL_PATHS_TEST_UNSET"), 0);
    EXPECT_EQ(vrel_paths::process_env("VREL_PATHS_TEST_EMPTY"), std::string());
    EXPECT_EQ(vrel_paths::process_env("VREL_PATHS_TEST_UNSET"), std::nullopt);
}

// The process forms must agree with the injected forms fed the real sources.
TEST(Paths, ProcessFormsMatchInjectedForms)
{
    EXPECT_EQ(vrel_paths::home(), vrel_paths::home(vrel_paths::process_env, vrel_paths::passwd_home));
    EXPECT_EQ(vrel_paths::data_dir(), vrel_paths::data_dir(vrel_paths::process_env, vrel_paths::passwd_home));
}

TEST(Paths, PasswdHomeIsAbsoluteWhenKnown)
{
    auto const dir = vrel_paths::passwd_home();
    if (!dir)
        GTEST_SKIP() << "this account has no passwd entry";
    EXPECT_EQ(dir->front(), '/');
}

} // namespace
