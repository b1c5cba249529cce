// The real window path: a child process opens an SDL window on the test's X server, paints
// one frame through the scene backend and exits.
#include <vrel_ui/launch.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace vrel_ui;

namespace {

class CountingWidget final : public Widget {
public:
    void draw(DrawContext& ctx) override
    {
        ctx.scene.fill_round_rect(inset(bounds(), 20), 12, ctx.theme.accent);
        ctx.text.draw_text_weighted(
            ctx.scene, "Hello 👋", { 40, 40 }, 20, Weight::Semibold, ctx.theme.on_accent);
    }
};

int run_child(LaunchConfig const& config)
{
    pid_t const pid = fork();
    if (pid == 0)
        launch::run_or_exit(config, {});
    int status {};
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Window, PaintsAFirstFrameAndExits)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no X server; the test script runs this under Xvfb";
    setenv("VREL_UI_EXIT_AFTER_FIRST_FRAME", "1", 1);
    LaunchConfig config;
    config.application_id = "app.test";
    config.title = "Window test";
    config.build_root_widget = [] { return std::make_unique<CountingWidget>(); };
    config.initial_window_size = [] { return Size { 320, 200 }; };
    EXPECT_EQ(run_child(config), 0);
}

// The loop blocks while idle, so a running window must still notice SIGTERM and end cleanly.
TEST(Window, EndsCleanlyOnSigterm)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no X server; the test script runs this under Xvfb";
    unsetenv("VREL_UI_EXIT_AFTER_FIRST_FRAME");
    LaunchConfig config;
    config.application_id = "app.test";
    config.build_root_widget = [] { return std::make_unique<CountingWidget>(); };
    config.initial_window_size = [] { return Size { 200, 120 }; };
    pid_t const pid = fork();
    if (pid == 0)
        launch::run_or_exit(config, {});
    usleep(1500 * 1000);
    kill(pid, SIGTERM);
    int status {};
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Window, NoDisplayEndsWithOneLineAndExitOne)
{
    LaunchConfig config;
    config.application_id = "app.test";
    config.build_root_widget = [] { return std::make_unique<CountingWidget>(); };
    pid_t const pid = fork();
    if (pid == 0) {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("SDL_VIDEODRIVER", "x11", 1);
        launch::run_or_exit(config, {});
    }
    int status {};
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

} // namespace
