// The toolkit gallery: every widget in one window, or one screenshot per theme.
#include "gallery.h"

#include <vrel_ui/launch.h>
#include <vrel_ui/shot_frame.h>

#include <cstdio>

namespace {

using namespace vrel_ui;

base::Result<void, std::string> render_shot(ScreenshotRequest const& request)
{
    if (!request.output)
        return base::unexpected(std::string("missing screenshot output"));
    ScreenshotRequest themed = request;
    if (!themed.theme && request.scenario)
        themed.theme = *request.scenario;
    Size const size = request.size ? Size { float(request.size->width), float(request.size->height) }
                                   : Size { 1280, 800 };
    ShotFrame frame(size, launch::shot_theme(themed));
    gallery::Gallery gallery;
    frame.sync(gallery, 0);
    if (auto laid_out = frame.layout(gallery); !laid_out)
        return laid_out;
    MemoryClipboard clipboard;
    NullTextInputHost text_input;
    EventContext events { frame.text(), frame.theme(), clipboard, text_input, 0 };
    // The first draw places the widgets and asks the image store for every picture; wait for
    // the pictures so none shows a placeholder.
    frame.draw(gallery);
    gallery.stage_for_screenshot(events);
    gallery.images().block_until_idle();
    frame.draw(gallery);
    frame.draw_floating_surfaces(gallery);
    if (auto written = frame.write_png(*request.output); !written)
        return written;
    std::printf("gallery: wrote shot to %s\n", request.output->c_str());
    return {};
}

} // namespace

int main()
{
    LaunchConfig config;
    config.application_id = "ui-gallery";
    config.title = "Vrel toolkit gallery";
    config.screenshot_scenarios = { "light", "dark" };
    config.build_root_widget = [] { return std::make_unique<gallery::Gallery>(); };
    config.render_screenshot = render_shot;
    config.initial_window_size = [] { return Size { 1280, 800 }; };
    launch::run_or_exit(config);
}
