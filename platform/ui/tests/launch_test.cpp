#include <vrel_ui/launch.h>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace vrel_ui;
using namespace vrel_ui::launch;

namespace {

LaunchConfig test_config()
{
    LaunchConfig config;
    config.application_id = "app.test";
    config.title = "Test";
    config.screenshot_scenarios = { "narrow", "call" };
    return config;
}

struct ParseCase {
    char const* name;
    std::vector<std::string> args;
    Invocation want;
};

TEST(LaunchCommandLine, ParsesTable)
{
    ParseCase const cases[] = {
        { "nothing opens the window", {}, RunWindow {} },
        { "list", { "--list-scenarios" }, ListScenarios {} },
        { "shot alone", { "--screenshot", "/tmp/a.png" }, ScreenshotRequest { "/tmp/a.png", {}, {}, {} } },
        { "shot with all",
            { "--screenshot", "a.png", "--scenario", "call", "--size", "640x480", "--theme", "dark" },
            ScreenshotRequest { "a.png", "call", ScreenshotSize { 640, 480 }, "dark" } },
        { "options in any order", { "--size", "1x16384", "--screenshot", "b.png" },
            ScreenshotRequest { "b.png", {}, ScreenshotSize { 1, 16384 }, {} } },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        auto const got = parse_command_line(c.args, test_config());
        ASSERT_EQ(got.index(), c.want.index());
        if (auto const* request = std::get_if<ScreenshotRequest>(&got)) {
            EXPECT_EQ(*request, std::get<ScreenshotRequest>(c.want));
        }
    }
}

struct BadCase {
    char const* name;
    std::vector<std::string> args;
    char const* message_contains;
};

TEST(LaunchCommandLine, RejectsBadInputWithExitTwoAndTheValidChoices)
{
    BadCase const cases[] = {
        { "unknown scenario", { "--screenshot", "a.png", "--scenario", "nope" },
            "valid scenarios: narrow, call" },
        { "scenario without value", { "--screenshot", "a.png", "--scenario" },
            "valid scenarios: narrow, call" },
        { "size without x", { "--screenshot", "a.png", "--size", "640" }, "expected WxH" },
        { "zero size", { "--screenshot", "a.png", "--size", "0x10" }, "expected WxH" },
        { "huge size", { "--screenshot", "a.png", "--size", "16385x10" }, "expected WxH" },
        { "negative size", { "--screenshot", "a.png", "--size", "-5x10" }, "expected WxH" },
        { "trailing junk", { "--screenshot", "a.png", "--size", "10x10px" }, "expected WxH" },
        { "bad theme", { "--screenshot", "a.png", "--theme", "blue" }, "valid themes: light, dark" },
        { "screenshot without path", { "--screenshot" }, "needs an output PATH" },
        { "scenario without screenshot", { "--scenario", "call" }, "go with --screenshot" },
        { "unknown flag", { "--frobnicate" }, "unknown argument" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        auto const got = parse_command_line(c.args, test_config());
        auto const* usage = std::get_if<Usage>(&got);
        ASSERT_NE(usage, nullptr);
        EXPECT_EQ(usage->exit_code, 2);
        EXPECT_NE(usage->message.find(c.message_contains), std::string::npos) << usage->message;
    }
}

TEST(LaunchCommandLine, HelpExitsZero)
{
    auto const got = parse_command_line({ "--help" }, test_config());
    ASSERT_TRUE(std::holds_alternative<Usage>(got));
    EXPECT_EQ(std::get<Usage>(got).exit_code, 0);
}

TEST(ShotTheme, RequestPicksTheVariant)
{
    EXPECT_TRUE(shot_theme(ScreenshotRequest { {}, {}, {}, "dark" }).dark);
    EXPECT_FALSE(shot_theme(ScreenshotRequest { {}, {}, {}, "light" }).dark);
}

// Runs run_or_exit in a child process and returns its exit status.
int exit_status_of(LaunchConfig const& config, std::vector<std::string> const& args)
{
    pid_t const pid = fork();
    if (pid == 0) {
        run_or_exit(config, args);
    }
    int status {};
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RunOrExit, ExitCodes)
{
    auto config = test_config();
    config.render_screenshot = [](ScreenshotRequest const& request) -> base::Result<void, std::string> {
        if (request.scenario == "call")
            return base::unexpected(std::string("cannot draw the call"));
        return {};
    };
    EXPECT_EQ(exit_status_of(config, { "--list-scenarios" }), 0);
    EXPECT_EQ(exit_status_of(config, { "--screenshot", "x.png" }), 0);
    EXPECT_EQ(exit_status_of(config, { "--screenshot", "x.png", "--scenario", "call" }), 1);
    EXPECT_EQ(exit_status_of(config, { "--screenshot", "x.png", "--scenario", "bogus" }), 2);
}

} // namespace
