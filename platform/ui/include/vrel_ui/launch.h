// The launcher: parses the command line, then either opens the window and runs the frame loop
// or hands a screenshot request to the application, and ends the process.
#pragma once

#include <base/result.h>
#include <vrel_ui/geometry.h>
#include <vrel_ui/theme.h>
#include <vrel_ui/widget.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vrel_ui {

struct ScreenshotSize {
    std::uint32_t width {};
    std::uint32_t height {};
    friend bool operator==(ScreenshotSize, ScreenshotSize) = default;
};

// A request to render one scenario into a PNG file instead of opening a window.
struct ScreenshotRequest {
    std::optional<std::string> output;
    std::optional<std::string> scenario;
    std::optional<ScreenshotSize> size;
    std::optional<std::string> theme; // "light" or "dark"
    friend bool operator==(ScreenshotRequest const&, ScreenshotRequest const&) = default;
};

struct LaunchConfig {
    std::string application_id;
    std::string title;
    std::vector<std::string> screenshot_scenarios;
    // Builds the root widget of the window.
    std::function<std::unique_ptr<Widget>()> build_root_widget;
    // Renders one screenshot; the error text is printed and the process exits 1.
    std::function<base::Result<void, std::string>(ScreenshotRequest const&)> render_screenshot;
    std::function<Size()> initial_window_size;
    // Asked when the user closes the window; false keeps it open.
    std::function<bool()> may_close;
};

namespace launch {

// What the command line asks for.
struct RunWindow { };
struct ListScenarios { };
struct Usage {
    int exit_code {}; // 0 for --help, 2 for a bad command line
    std::string message;
};
using Invocation = std::variant<RunWindow, ListScenarios, ScreenshotRequest, Usage>;

// Parses the arguments after the program name. Scenario names are checked against the
// configuration's; sizes must be WxH with both between 1 and 16384.
[[nodiscard]] Invocation parse_command_line(std::vector<std::string> const& args, LaunchConfig const& config);

// The theme for a screenshot: dark when the request or VREL_UI_THEME says "dark".
[[nodiscard]] Theme shot_theme(ScreenshotRequest const& request);
// The theme for the window: dark when VREL_UI_THEME is "dark"; VREL_UI_SCALE sets the scale.
[[nodiscard]] Theme window_theme();

// Runs the command line of this process (read from /proc/self/cmdline) and exits.
[[noreturn]] void run_or_exit(LaunchConfig const& config);
[[noreturn]] void run_or_exit(LaunchConfig const& config, std::vector<std::string> const& args);

// Wakes the window's frame loop from any thread, so work finished in the background is drawn
// without the loop having to poll.
void wake_ui_thread() noexcept;

} // namespace launch

} // namespace vrel_ui
