// The desktop window and its frame loop (SDL2), painting through the same scene backend as
// the screenshot frame.
#pragma once

#include <vrel_ui/launch.h>

namespace vrel_ui::launch {

// Opens the window, runs frames until it closes or the process is told to end; returns the
// process exit code.
[[nodiscard]] int run_window(LaunchConfig const& config);

}
