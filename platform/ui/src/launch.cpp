#include <vrel_ui/launch.h>

#include "window.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace vrel_ui::launch {

namespace {

constexpr std::uint32_t max_shot_side = 16384;

std::string usage_text(LaunchConfig const& config)
{
    std::string text = "usage: " + config.application_id
        + " [--screenshot PATH [--scenario NAME] [--size WxH] [--theme light|dark]] [--list-scenarios]";
    return text;
}

std::string joined_scenarios(LaunchConfig const& config)
{
    std::string names;
    for (auto const& name : config.screenshot_scenarios)
        names += (names.empty() ? "" : ", ") + name;
    return names.empty() ? "(none)" : names;
}

std::optional<std::uint32_t> parse_side(std::string_view text)
{
    std::uint32_t value {};
    auto const [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc {} || end != text.data() + text.size() || value == 0 || value > max_shot_side)
        return std::nullopt;
    return value;
}

std::optional<ScreenshotSize> parse_size(std::string_view text)
{
    auto const x = text.find('x');
    if (x == std::string_view::npos)
        return std::nullopt;
    auto const w = parse_side(text.substr(0, x));
    auto const h = parse_side(text.substr(x + 1));
    if (!w || !h)
        return std::nullopt;
    return ScreenshotSize { *w, *h };
}

Usage bad(std::string message) { return Usage { 2, std::move(message) }; }

} // namespace

Invocation parse_command_line(std::vector<std::string> const& args, LaunchConfig const& config)
{
    ScreenshotRequest request;
    bool screenshot = false, list = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string const& arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (arg == "--help" || arg == "-h")
            return Usage { 0, usage_text(config) };
        if (arg == "--list-scenarios") {
            list = true;
        } else if (arg == "--screenshot") {
            auto path = value();
            if (!path || path->empty())
                return bad("--screenshot needs an output PATH\n" + usage_text(config));
            request.output = std::move(*path);
            screenshot = true;
        } else if (arg == "--scenario") {
            auto name = value();
            if (!name)
                return bad("--scenario needs a NAME; valid scenarios: " + joined_scenarios(config));
            auto const& names = config.screenshot_scenarios;
            if (std::find(names.begin(), names.end(), *name) == names.end())
                return bad(
                    "unknown scenario \"" + *name + "\"; valid scenarios: " + joined_scenarios(config));
            request.scenario = std::move(*name);
        } else if (arg == "--size") {
            auto text = value();
            auto size = text ? parse_size(*text) : std::nullopt;
            if (!size)
                return bad("bad --size \"" + text.value_or("")
                    + "\"; expected WxH with each side from 1 to 16384, e.g. 1280x800");
            request.size = size;
        } else if (arg == "--theme") {
            auto name = value();
            if (!name || (*name != "light" && *name != "dark"))
                return bad("bad --theme \"" + name.value_or("") + "\"; valid themes: light, dark");
            request.theme = std::move(*name);
        } else {
            return bad("unknown argument \"" + arg + "\"\n" + usage_text(config));
        }
    }
    if (list)
        return ListScenarios {};
    if (screenshot)
        return request;
    if (request.scenario || request.size || request.theme)
        return bad("--scenario, --size and --theme go with --screenshot PATH\n" + usage_text(config));
    return RunWindow {};
}

static bool env_says_dark()
{
    char const* value = std::getenv("VREL_UI_THEME");
    return value && std::string_view(value) == "dark";
}

Theme shot_theme(ScreenshotRequest const& request)
{
    bool const dark = request.theme ? *request.theme == "dark" : env_says_dark();
    return dark ? Theme::dark_theme() : Theme::light();
}

Theme window_theme()
{
    Theme theme = env_says_dark() ? Theme::dark_theme() : Theme::light();
    if (char const* scale = std::getenv("VREL_UI_SCALE")) {
        float value {};
        auto const end = scale + std::char_traits<char>::length(scale);
        if (std::from_chars(scale, end, value).ec == std::errc {} && value >= 0.5f && value <= 4.f)
            theme.scale = value;
    }
    return theme;
}

static std::vector<std::string> own_arguments()
{
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string const all { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    std::vector<std::string> args;
    std::size_t start = 0;
    while (start < all.size()) {
        auto end = all.find('\0', start);
        if (end == std::string::npos)
            end = all.size();
        args.emplace_back(all.substr(start, end - start));
        start = end + 1;
    }
    if (!args.empty())
        args.erase(args.begin());
    return args;
}

void run_or_exit(LaunchConfig const& config) { run_or_exit(config, own_arguments()); }

void run_or_exit(LaunchConfig const& config, std::vector<std::string> const& args)
{
    Invocation const command = parse_command_line(args, config);
    if (auto const* usage = std::get_if<Usage>(&command)) {
        std::fprintf(usage->exit_code == 0 ? stdout : stderr, "%s\n", usage->message.c_str());
        std::exit(usage->exit_code);
    }
    if (std::holds_alternative<ListScenarios>(command)) {
        for (auto const& name : config.screenshot_scenarios)
            std::printf("%s\n", name.c_str());
        std::exit(0);
    }
    if (auto const* request = std::get_if<ScreenshotRequest>(&command)) {
        if (!config.render_screenshot) {
            std::fprintf(stderr, "%s: this program has no screenshot mode\n", config.application_id.c_str());
            std::exit(2);
        }
        auto const result = config.render_screenshot(*request);
        if (!result) {
            std::fprintf(
                stderr, "%s: screenshot failed: %s\n", config.application_id.c_str(), result.error().c_str());
            std::exit(1);
        }
        std::fflush(stdout);
        std::exit(0);
    }
    std::exit(run_window(config));
}

} // namespace vrel_ui::launch
