// Process start to first painted frame: launches the gallery, which exits right after its
// first frame reaches the screen. Needs a display (the test script runs it under Xvfb).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

void BM_StartToFirstFrame(benchmark::State& state)
{
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        state.SkipWithError("no display: run under xvfb-run");
        return;
    }
    setenv("VREL_UI_EXIT_AFTER_FIRST_FRAME", "1", 1);
    char const* const argv[] = { GALLERY_PATH, nullptr };
    for (auto _ : state) {
        pid_t pid {};
        if (posix_spawn(&pid, GALLERY_PATH, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
            state.SkipWithError("cannot start the gallery");
            return;
        }
        int status {};
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the gallery did not paint a frame");
            return;
        }
    }
}
BENCHMARK(BM_StartToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

} // namespace
