#include "data_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string_view>

namespace {

using Vars = std::map<std::string, std::string>;

vrel_paths::Env fake_env(Vars vars)
{
    return [vars = std::move(vars)](char const* name) -> std::optional<std::string> {
        if (auto it = vars.find(name); it != vars.end())
            return it->second;
        return std::nullopt;
    };
}

struct Case {
    std::string_view name;
    Vars vars;
    std::optional<std::string> account;
    std::optional<std::filesystem::path> want_dir;
};

Case const kCases[] = {
    { "override is used unchanged",
        { { "VREL_CHAT_DATA", "/tmp/x" }, { "XDG_DATA_HOME", "/d" }, { "HOME", "/h" } }, "/p", "/tmp/x" },
    // An empty override is the current directory: the value is used exactly as given.
    { "empty override is the working directory", { { "VREL_CHAT_DATA", "" }, { "HOME", "/h" } }, "/p", "" },
    { "relative override kept relative", { { "VREL_CHAT_DATA", "data" } }, std::nullopt, "data" },
    { "xdg data home", { { "XDG_DATA_HOME", "/home/u/.local/share" } }, std::nullopt,
        "/home/u/.local/share/vrel-chat" },
    { "home only", { { "HOME", "/home/u" } }, std::nullopt, "/home/u/.local/share/vrel-chat" },
    { "relative xdg ignored", { { "XDG_DATA_HOME", "share" }, { "HOME", "/home/u" } }, std::nullopt,
        "/home/u/.local/share/vrel-chat" },
    { "passwd home when HOME unset", {}, "/home/p", "/home/p/.local/share/vrel-chat" },
    { "passwd home when HOME empty", { { "HOME", "" } }, "/home/p", "/home/p/.local/share/vrel-chat" },
    { "nothing", {}, std::nullopt, std::nullopt },
};

TEST(DataDir, ResolvesTable)
{
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        auto const account = [&] { return c.account; };
        EXPECT_EQ(chat::resolve_data_dir(fake_env(c.vars), account), c.want_dir);
    }
}

TEST(DataDir, WorkspaceFileSitsDirectlyInTheDataDir)
{
    auto const from = [](Vars vars) { return chat::workspace_file(*chat::resolve_data_dir(fake_env(vars))); };
    auto const overridden = from({ { "VREL_CHAT_DATA", "/tmp/x" } });
    EXPECT_EQ(overridden, std::filesystem::path("/tmp/x/workspace.automerge"));
    EXPECT_EQ(std::find(overridden.begin(), overridden.end(), "vrel-chat"), overridden.end());
    EXPECT_EQ(from({ { "VREL_CHAT_DATA", "" } }), std::filesystem::path("workspace.automerge"));
    EXPECT_EQ(from({ { "XDG_DATA_HOME", "/home/u/.local/share" } }),
        std::filesystem::path("/home/u/.local/share/vrel-chat/workspace.automerge"));
    EXPECT_EQ(from({ { "HOME", "/home/u" } }),
        std::filesystem::path("/home/u/.local/share/vrel-chat/workspace.automerge"));
}

TEST(DataDir, WithoutAccountLookupOnlyTheEnvironmentCounts)
{
    EXPECT_EQ(chat::resolve_data_dir(fake_env({})), std::nullopt);
}

TEST(DataDir, DoesNotCreateTheDirectory)
{
    auto const dir = std::filesystem::temp_directory_path() / "vrel-chat-data-dir-test-absent";
    std::filesystem::remove_all(dir);
    auto const resolved = chat::resolve_data_dir(fake_env({ { "XDG_DATA_HOME", dir.string() } }));
    ASSERT_TRUE(resolved);
    EXPECT_FALSE(std::filesystem::exists(*resolved));
    EXPECT_FALSE(std::filesystem::exists(dir));
}

} // namespace
