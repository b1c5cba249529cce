#include <vrel_ui/avatar.h>
#include <vrel_ui/text.h>
#include <vrel_ui/theme.h>
#include <vrel_ui/widget.h>

#include "c_handles.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace vrel_ui {

namespace {

// A string GLib allocated; typed, unlike GMemoryPtr, so it reads as text.
using GCharPtr = std::unique_ptr<gchar, FreeWith<g_free>>;

constexpr gunichar replacement_character = 0xFFFD;

// One grapheme cluster as a byte range of the (valid UTF-8) name.
struct Grapheme {
    std::size_t start {};
    std::size_t end {};
};

gunichar char_at(std::string_view text, std::size_t at) { return g_utf8_get_char(text.data() + at); }

// The grapheme clusters of each whitespace-separated word in `text`.
std::vector<std::vector<Grapheme>> words_of(std::string_view text)
{
    std::vector<std::vector<Grapheme>> words;
    std::vector<std::size_t> const bounds = grapheme_boundaries(text);
    bool in_word = false;
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
        bool const space = g_unichar_isspace(char_at(text, bounds[i]));
        if (space) {
            in_word = false;
            continue;
        }
        if (!in_word)
            words.emplace_back();
        in_word = true;
        words.back().push_back({ bounds[i], bounds[i + 1] });
    }
    return words;
}

// The first grapheme of a word that begins with a letter or digit, skipping leading quotes,
// brackets, '@' and the like.
std::optional<Grapheme> initial_of(std::string_view text, std::vector<Grapheme> const& word)
{
    auto const found = std::find_if(
        word.begin(), word.end(), [&](Grapheme g) { return g_unichar_isalnum(char_at(text, g.start)); });
    if (found == word.end())
        return std::nullopt;
    return *found;
}

// Upper-cases a grapheme and composes it again, so a decomposed "e" + acute reads as "É".
std::string upper(std::string_view text, Grapheme g)
{
    GCharPtr const up { g_utf8_strup(text.data() + g.start, gssize(g.end - g.start)) };
    GCharPtr const composed { g_utf8_normalize(up.get(), -1, G_NORMALIZE_DEFAULT_COMPOSE) };
    return composed ? std::string { composed.get() } : std::string { up.get() };
}

// A name with no letters may still be a picture, such as an emoji: show it whole.
std::string symbol_initial(std::string_view text, std::vector<std::vector<Grapheme>> const& words)
{
    if (words.empty())
        return "?";
    Grapheme const first = words.front().front();
    gunichar const c = char_at(text, first.start);
    if (c == replacement_character || g_unichar_type(c) != G_UNICODE_OTHER_SYMBOL)
        return "?";
    return std::string { text.substr(first.start, first.end - first.start) };
}

std::string initials_of_valid(std::string_view text)
{
    auto const words = words_of(text);
    std::vector<Grapheme> initials;
    for (auto const& word : words) {
        if (auto const g = initial_of(text, word))
            initials.push_back(*g);
    }
    if (initials.empty())
        return symbol_initial(text, words);
    std::string out = upper(text, initials.front());
    if (initials.size() > 1)
        out += upper(text, initials.back());
    return out;
}

} // namespace

std::string Avatar::initials_for_name(std::string_view name)
{
    // Names come from peers; invalid bytes become U+FFFD so the rest of the name still counts.
    if (!g_utf8_validate(name.data(), gssize(name.size()), nullptr)) {
        GCharPtr const valid { g_utf8_make_valid(name.data(), gssize(name.size())) };
        return initials_of_valid(valid.get());
    }
    // g_utf8_validate accepts no NUL bytes, so the text is safe to read as a C string from here.
    return initials_of_valid(name);
}

Avatar::Dot Avatar::presence_dot(Point center, float diameter) noexcept
{
    // On the rim at 45 degrees, the lower right, where the disc's edge meets the dot's centre.
    float const along = diameter / 2 * std::numbers::sqrt2_v<float> / 2;
    return { { center.x + along, center.y + along }, diameter * 0.15f };
}

void Avatar::draw_at(DrawContext& ctx, Point center, float diameter, std::string_view name, Color color,
    std::optional<Color> presence)
{
    if (!std::isfinite(diameter) || diameter <= 0 || !std::isfinite(center.x) || !std::isfinite(center.y))
        return;
    ctx.scene.fill_disc(center, diameter / 2, color);
    float const size = diameter * 0.4f;
    std::string const initials
        = ctx.text.fit(initials_for_name(name), diameter * 0.8f, size, Weight::Semibold);
    if (!initials.empty()) {
        auto shaped = ctx.text.shape(initials, TextStyle { .size = size, .weight = Weight::Semibold });
        Size const extent = shaped->size();
        ctx.scene.text(std::move(shaped), { center.x - extent.w / 2, center.y - extent.h / 2 },
            ctx.theme.on_surface(color));
    }
    if (presence) {
        // A ring in the surface colour cuts the dot out of the disc, so it reads on any avatar.
        Dot const dot = presence_dot(center, diameter);
        ctx.scene.fill_disc(dot.center, dot.radius + std::max(1.f, diameter * 0.04f), ctx.theme.surface);
        ctx.scene.fill_disc(dot.center, dot.radius, *presence);
    }
}

} // namespace vrel_ui
