// Costs of shaping text cold against re-measuring it from the layout cache, as a frame does.
//
// A chat frame re-measures every visible label, so the warm pass over the same strings must stay
// a small fraction of the cold one; compare BM_ShapeCold with BM_MeasureWarm.
#include <vrel_ui/text.h>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t text_count = 300;

// Distinct chat-like lines mixing Latin text, accents, ZWJ sequences, flags and skin tones.
std::vector<std::string> mixed_emoji_texts()
{
    constexpr std::array<std::string_view, 8> emoji {
        "\U0001F600",
        "\U0001F44D\U0001F3FD",
        "\U0001F468\u200D\U0001F469\u200D\U0001F467",
        "\U0001F1EB\U0001F1F7",
        "\u2764\uFE0F",
        "\U0001F680",
        "\U0001F9D1\u200D\U0001F4BB",
        "\U0001F389",
    };
    constexpr std::array<std::string_view, 6> words { "deploy", "café", "review", "lunch", "Größe",
        "standup" };
    std::vector<std::string> texts;
    texts.reserve(text_count);
    for (std::size_t i = 0; i < text_count; ++i) {
        std::string text = "Message " + std::to_string(i) + " about ";
        text.append(words[i % words.size()]).append(" ").append(emoji[i % emoji.size()]);
        text.append(" and ")
            .append(words[(i / 3) % words.size()])
            .append(" ")
            .append(emoji[(i / 5) % emoji.size()]);
        texts.push_back(std::move(text));
    }
    return texts;
}

void measure_all(vrel_ui::TextRenderer& renderer, std::vector<std::string> const& texts)
{
    for (std::string const& text : texts)
        benchmark::DoNotOptimize(renderer.measure(text, 14));
}

void BM_ShapeCold(benchmark::State& state)
{
    vrel_ui::TextRenderer renderer;
    std::vector<std::string> const texts = mixed_emoji_texts();
    // Loading the fonts happens once per process; keep it out of the shaping cost.
    measure_all(renderer, texts);
    for (auto _ : state) {
        state.PauseTiming();
        renderer.clear_cache();
        state.ResumeTiming();
        measure_all(renderer, texts);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}
BENCHMARK(BM_ShapeCold)->Unit(benchmark::kMicrosecond);

void BM_MeasureWarm(benchmark::State& state)
{
    vrel_ui::TextRenderer renderer;
    std::vector<std::string> const texts = mixed_emoji_texts();
    measure_all(renderer, texts);
    for (auto _ : state)
        measure_all(renderer, texts);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}
BENCHMARK(BM_MeasureWarm)->Unit(benchmark::kMicrosecond);

// Fitting the same labels into the same widths, as buttons and tooltips do every frame.
void BM_FitWarm(benchmark::State& state)
{
    vrel_ui::TextRenderer renderer;
    std::vector<std::string> const texts = mixed_emoji_texts();
    auto const fit_all = [&] {
        for (std::string const& text : texts)
            benchmark::DoNotOptimize(renderer.fit(text, 120, 14));
    };
    fit_all();
    for (auto _ : state)
        fit_all();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}
BENCHMARK(BM_FitWarm)->Unit(benchmark::kMicrosecond);

} // namespace
