// A full 1280x800 frame: 300 text runs (a third with emoji) and 300 rounded shapes, recorded
// into a scene and painted by the Cairo backend, the way the window paints every frame.
#include "cairo_scene.h"

#include <vrel_ui/scene.h>
#include <vrel_ui/text.h>
#include <vrel_ui/theme.h>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace vrel_ui;

std::vector<std::string> sample_texts()
{
    static char const* const words[]
        = { "deploy", "review", "ship it", "the cluster", "on call", "release notes", "coffee ☕",
              "🎉 launched", "👍🏽 agreed", "design sync", "Zoë's draft", "国际化" };
    std::vector<std::string> texts;
    for (int i = 0; i < 300; ++i) {
        std::string text = "#" + std::to_string(i) + " ";
        for (int w = 0; w < 4; ++w)
            text += std::string(words[(i * 7 + w * 3) % std::size(words)]) + " ";
        texts.push_back(std::move(text));
    }
    return texts;
}

void record_frame(Scene& scene, TextRenderer& text, Theme const& theme, std::vector<std::string> const& texts)
{
    scene.clear();
    scene.fill_rect({ 0, 0, 1280, 800 }, theme.background);
    for (int i = 0; i < 300; ++i) {
        float const x = float((i % 6) * 212), y = float((i / 6) * 16);
        scene.fill_round_rect({ x + 2, y + 1, 200, 14 }, 6, theme.palette_color(i));
        text.draw_text_weighted(scene, texts[std::size_t(i)], { x + 4, y }, 11,
            i % 5 ? Weight::Regular : Weight::Semibold, theme.text);
    }
}

struct Canvas {
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface {
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1280, 800), cairo_surface_destroy
    };
    void paint(Scene const& scene)
    {
        cairo_t* cr = cairo_create(surface.get());
        render_scene(cr, scene);
        cairo_destroy(cr);
        cairo_surface_flush(surface.get());
    }
};

// The steady state: texts already shaped by an earlier frame, as in a window that redraws.
void BM_Frame1280x800(benchmark::State& state)
{
    TextRenderer text;
    Theme const theme = Theme::light();
    auto const texts = sample_texts();
    Scene scene;
    Canvas canvas;
    record_frame(scene, text, theme, texts);
    for (auto _ : state) {
        record_frame(scene, text, theme, texts);
        canvas.paint(scene);
    }
    state.counters["commands"] = double(scene.size());
}
BENCHMARK(BM_Frame1280x800)->Unit(benchmark::kMillisecond);

// The first frame: every text shaped from nothing.
void BM_FirstFrame1280x800(benchmark::State& state)
{
    Theme const theme = Theme::light();
    auto const texts = sample_texts();
    Scene scene;
    Canvas canvas;
    for (auto _ : state) {
        state.PauseTiming();
        auto text = std::make_unique<TextRenderer>();
        state.ResumeTiming();
        record_frame(scene, *text, theme, texts);
        canvas.paint(scene);
    }
}
BENCHMARK(BM_FirstFrame1280x800)->Unit(benchmark::kMillisecond);

} // namespace
