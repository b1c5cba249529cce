// Tests for TextRenderer: measuring, the layout cache, fitting, clusters, rich spans and carets.
#include "c_handles.h"
#include "pango_text.h"

#include <vrel_ui/text.h>

#include <gtest/gtest.h>

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

using namespace vrel_ui;

namespace {

constexpr std::string_view family_emoji = "\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466";
constexpr std::string_view flag_fr = "\U0001F1EB\U0001F1F7";
constexpr std::string_view flag_de = "\U0001F1E9\U0001F1EA";

TextRenderer& renderer()
{
    // One renderer for the whole program: creating a font map per test would reload the fonts.
    static TextRenderer r;
    return r;
}

// Paints `text` in `color` onto a transparent ARGB surface and returns the surface.
CairoSurfacePtr render(ShapedText const& text, Color color)
{
    int const w = static_cast<int>(std::ceil(text.size().w)) + 4;
    int const h = static_cast<int>(std::ceil(text.size().h)) + 4;
    CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    CairoPtr const cr(cairo_create(surface.get()));
    paint_shaped_text(cr.get(), text, { 2, 2 }, color);
    cairo_surface_flush(surface.get());
    return surface;
}

struct PixelCounts {
    int painted {}; // alpha above a quarter
    int colourful {}; // channels differ by more than a third of the range
    int reddish {}; // red clearly dominant
};

PixelCounts count_pixels(cairo_surface_t* surface)
{
    PixelCounts counts;
    unsigned char const* data = cairo_image_surface_get_data(surface);
    int const stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < cairo_image_surface_get_height(surface); ++y) {
        for (int x = 0; x < cairo_image_surface_get_width(surface); ++x) {
            std::uint32_t p {};
            std::memcpy(&p, data + y * stride + x * 4, 4);
            int const a = int(p >> 24), r = int(p >> 16 & 0xff), g = int(p >> 8 & 0xff), b = int(p & 0xff);
            counts.painted += a > 64;
            counts.colourful += std::max({ r, g, b }) - std::min({ r, g, b }) > 85;
            counts.reddish += r > 128 && g < 64 && b < 64;
        }
    }
    return counts;
}

bool is_boundary(std::string_view text, std::size_t index)
{
    std::vector<std::size_t> const bounds = grapheme_boundaries(text);
    return std::find(bounds.begin(), bounds.end(), index) != bounds.end();
}

} // namespace

// ---- Measuring ----

TEST(TextMeasure, GrowsWithLengthAndSize)
{
    Size const short_text = renderer().measure("Hello", 14);
    Size const long_text = renderer().measure("Hello, world of chat", 14);
    Size const large = renderer().measure("Hello", 28);
    EXPECT_GT(short_text.w, 0);
    EXPECT_GT(short_text.h, 0);
    EXPECT_GT(long_text.w, short_text.w);
    EXPECT_FLOAT_EQ(long_text.h, short_text.h);
    // Unhinted metrics scale linearly, within rounding of the Pango units.
    EXPECT_NEAR(large.w, 2 * short_text.w, 0.5);
    EXPECT_NEAR(large.h, 2 * short_text.h, 0.5);
}

TEST(TextMeasure, HeavierWeightsAreWider)
{
    std::string_view const text = "Semibold labels mark emphasis";
    float previous = 0;
    for (Weight w : { Weight::Light, Weight::Regular, Weight::Medium, Weight::Semibold, Weight::Bold }) {
        SCOPED_TRACE(static_cast<int>(w));
        float const width = renderer().measure_weighted(text, 14, w).w;
        EXPECT_GT(width, previous);
        previous = width;
    }
}

TEST(TextMeasure, LineHeightIsTheSampleHeight)
{
    for (float size : { 11.f, 14.f, 20.f }) {
        EXPECT_FLOAT_EQ(renderer().line_height(size), renderer().measure("Ag", size).h);
        EXPECT_FLOAT_EQ(renderer().line_height(size, Weight::Bold),
            renderer().measure_weighted("Ag", size, Weight::Bold).h);
    }
    EXPECT_GT(renderer().line_height(20), renderer().line_height(11));
}

TEST(TextMeasure, WrapWidthBreaksIntoLinesNoWiderThanIt)
{
    std::string const text = "The quick brown fox jumps over the lazy dog and keeps running across the field";
    float const one_line = renderer().measure(text, 14).w;
    for (float wrap : { 200.f, 120.f, 60.f }) {
        SCOPED_TRACE(wrap);
        auto const wrapped = renderer().shape(text, { 14, Weight::Regular, wrap, 1 });
        EXPECT_GT(wrapped->line_count(), 1);
        EXPECT_LE(wrapped->size().w, wrap);
        EXPECT_GT(wrapped->size().h, renderer().line_height(14) * 1.5f);
    }
    EXPECT_EQ(renderer().shape(text, { 14 })->line_count(), 1);
    // A word longer than the wrap width is broken inside, never left overflowing.
    auto const long_word = renderer().shape(std::string(60, 'w'), { 14, Weight::Regular, 50.f, 1 });
    EXPECT_LE(long_word->size().w, 50);
    EXPECT_GT(one_line, 200);
}

TEST(TextMeasure, LineHeightFactorSpreadsLines)
{
    std::string_view const text = "one\ntwo\nthree";
    float const natural = renderer().shape(text, { 14 })->size().h;
    float const spread = renderer().shape(text, { 14, Weight::Regular, std::nullopt, 1.5f })->size().h;
    EXPECT_GT(spread, natural * 1.2f);
}

TEST(TextMeasure, NonsenseStylesGiveFiniteSizes)
{
    float const nan = std::numeric_limits<float>::quiet_NaN();
    float const inf = std::numeric_limits<float>::infinity();
    TextStyle const styles[] = {
        { nan },
        { -3 },
        { inf },
        { 14, static_cast<Weight>(200) },
        { 14, Weight::Regular, nan, 1 },
        { 14, Weight::Regular, -20.f, 1 },
        { 14, Weight::Regular, inf, nan },
        { 14, Weight::Regular, std::nullopt, -2 },
    };
    for (TextStyle const& style : styles) {
        Size const size = renderer().shape("Some words here", style)->size();
        EXPECT_TRUE(std::isfinite(size.w) && std::isfinite(size.h));
        EXPECT_GT(size.h, 0);
    }
}

TEST(TextMeasure, InvalidUtf8MeasuresWithoutPangoWarnings)
{
    int warnings = 0;
    guint const handler = g_log_set_handler(
        "Pango", GLogLevelFlags(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL),
        [](gchar const*, GLogLevelFlags, gchar const*, gpointer count) { ++*static_cast<int*>(count); },
        &warnings);
    std::string_view const cases[] = {
        "a\xff"
        "b",
        "\xc3",
        "\xe2\x82",
        "\xed\xa0\x80", // an encoded surrogate
        "\xc0\xaf", // an overlong slash
        "\xf4\x90\x80\x80", // beyond U+10FFFF
        std::string_view("nul\0inside", 10),
        "\x80\x80\x80\x80\x80",
    };
    for (std::string_view text : cases) {
        Size const size = renderer().measure(text, 14);
        EXPECT_GT(size.w, 0) << "replacement characters take room";
        EXPECT_EQ(grapheme_boundaries(text).back(), text.size());
    }
    g_log_remove_handler("Pango", handler);
    EXPECT_EQ(warnings, 0);
}

// ---- The layout cache ----

TEST(TextCache, ReMeasuringHitsAndReturnsTheSameLayout)
{
    TextRenderer r("Inter", 16);
    auto const first = r.shape("cached label", { 14 });
    TextCacheStats const before = r.cache_stats();
    auto const again = r.shape("cached label", { 14 });
    EXPECT_EQ(first.get(), again.get());
    (void)r.measure("cached label", 14);
    TextCacheStats const after = r.cache_stats();
    EXPECT_EQ(after.hits, before.hits + 2);
    EXPECT_EQ(after.misses, before.misses);
    EXPECT_EQ(after.entries, 1u);
}

TEST(TextCache, EveryStyleFieldIsPartOfTheKey)
{
    TextRenderer r("Inter", 16);
    TextStyle const styles[] = {
        { 14 },
        { 15 },
        { 14, Weight::Bold },
        { 14, Weight::Regular, 100.f, 1 },
        { 14, Weight::Regular, 101.f, 1 },
        { 14, Weight::Regular, std::nullopt, 1.25f },
    };
    for (TextStyle const& style : styles)
        (void)r.shape("same text", style);
    EXPECT_EQ(r.cache_stats().misses, std::size(styles));
    EXPECT_EQ(r.cache_stats().hits, 0u);
    EXPECT_EQ(r.cache_stats().entries, std::size(styles));
}

TEST(TextCache, EvictsTheLeastRecentlyUsedBeyondCapacity)
{
    TextRenderer r("Inter", 3);
    for (std::string_view text : { "a", "b", "c" })
        (void)r.measure(text, 14);
    (void)r.measure("a", 14); // now b is the oldest
    (void)r.measure("d", 14);
    EXPECT_EQ(r.cache_stats().entries, 3u);
    TextCacheStats const before = r.cache_stats();
    for (std::string_view text : { "a", "c", "d" })
        (void)r.measure(text, 14);
    EXPECT_EQ(r.cache_stats().hits, before.hits + 3);
    (void)r.measure("b", 14);
    EXPECT_EQ(r.cache_stats().misses, before.misses + 1);
    EXPECT_EQ(r.cache_stats().entries, 3u);
}

TEST(TextCache, EvictedLayoutsStayValidForScenesHoldingThem)
{
    TextRenderer r("Inter", 1);
    auto const held = r.shape("held by a scene", { 14 });
    Size const size = held->size();
    (void)r.measure("pushes it out", 14);
    r.clear_cache();
    EXPECT_EQ(r.cache_stats().entries, 0u);
    EXPECT_EQ(held->size(), size);
    EXPECT_GT(count_pixels(render(*held, colors::black).get()).painted, 0);
}

TEST(TextCache, ZeroCapacityCachesNothing)
{
    TextRenderer r("Inter", 0);
    (void)r.measure("x", 14);
    (void)r.measure("x", 14);
    EXPECT_EQ(r.cache_stats().entries, 0u);
    EXPECT_EQ(r.cache_stats().hits, 0u);
}

// ---- Fitting ----

TEST(TextFit, Table)
{
    std::string const text = "Quarterly planning notes";
    float const full = renderer().measure(text, 14).w;
    float const ellipsis = renderer().measure("\u2026", 14).w;
    float const nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        std::string_view name;
        float width;
        std::string want;
    };
    Case const cases[] = {
        { "zero width", 0, "" },
        { "negative width", -10, "" },
        { "nan width", nan, "" },
        { "exact fit", full, text },
        { "generous", full + 100, text },
        { "narrower than the ellipsis", ellipsis / 2, "\u2026" },
        { "one pixel", 1, "\u2026" },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(renderer().fit(text, c.width, 14), c.want);
    }
    EXPECT_EQ(renderer().fit("", 10, 14), "");
}

// Every fitted result must be the longest cluster prefix that fits with the ellipsis.
TEST(TextFit, CutsAtTheLongestFittingClusterPrefix)
{
    std::string const texts[] = {
        "Quarterly planning notes",
        "Crème brûlée für alle Größen",
        std::string("ab").append(family_emoji).append("cd").append(flag_fr).append(flag_de).append("ef"),
        "日本語のテキストを切る",
        "e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301",
        "bad \xff bytes \xc3 here",
    };
    for (std::string const& text : texts) {
        SCOPED_TRACE(text);
        float const full = renderer().measure_weighted(text, 14, Weight::Semibold).w;
        std::size_t previous_cut = 0;
        for (float width = 2; width < full; width += 3) {
            std::string const fitted = renderer().fit(text, width, 14, Weight::Semibold);
            ASSERT_TRUE(fitted.ends_with("\u2026")) << width;
            std::size_t const cut = fitted.size() - std::string_view("\u2026").size();
            EXPECT_EQ(fitted.substr(0, cut), text.substr(0, cut));
            EXPECT_TRUE(is_boundary(text, cut)) << cut;
            EXPECT_GE(cut, previous_cut) << "a wider box never shows less";
            previous_cut = cut;
            if (cut > 0) {
                EXPECT_LE(renderer().measure_weighted(fitted, 14, Weight::Semibold).w, width);
            }
            std::vector<std::size_t> const bounds = grapheme_boundaries(text);
            auto const next = std::upper_bound(bounds.begin(), bounds.end(), cut);
            if (next != bounds.end() && *next < text.size()) {
                std::string const longer = text.substr(0, *next) + "\u2026";
                EXPECT_GT(renderer().measure_weighted(longer, 14, Weight::Semibold).w, width);
            }
        }
    }
}

TEST(TextFit, RefittingShapesNothingNew)
{
    TextRenderer r("Inter", 64);
    std::string const first = r.fit("A label that has to be cut", 60, 14);
    TextCacheStats const before = r.cache_stats();
    EXPECT_EQ(r.fit("A label that has to be cut", 60, 14), first);
    EXPECT_EQ(r.cache_stats().misses, before.misses);
    EXPECT_NE(r.fit("A label that has to be cut", 90, 14), first) << "the width is part of the key";
}

TEST(TextFit, DrawFittedDrawsTheFittedText)
{
    Scene scene;
    std::string const text = "A label too long for its button";
    renderer().draw_fitted(scene, text, { 3, 4 }, 80, 14, Weight::Medium, colors::white);
    ASSERT_EQ(scene.size(), 1u);
    auto const* command = std::get_if<cmd::Text>(&scene.commands()[0]);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->origin, (Point { 3, 4 }));
    std::string const fitted = renderer().fit(text, 80, 14, Weight::Medium);
    EXPECT_EQ(command->text->size(), renderer().measure_weighted(fitted, 14, Weight::Medium));
    renderer().draw_fitted(scene, text, { 0, 0 }, 0, 14, Weight::Medium, colors::white);
    EXPECT_EQ(scene.size(), 1u) << "nothing to draw in no width";
}

// ---- Grapheme clusters ----

TEST(GraphemeBoundaries, Table)
{
    std::string const family(family_emoji);
    std::string const flags = std::string(flag_fr).append(flag_de);
    struct Case {
        std::string_view name;
        std::string text;
        std::vector<std::size_t> want;
    };
    Case const cases[] = {
        { "empty", "", { 0 } },
        { "ascii", "abc", { 0, 1, 2, 3 } },
        { "two-byte letters", "é\u00fc", { 0, 2, 4 } },
        { "combining accent", "e\u0301x", { 0, 3, 4 } },
        { "crlf", "a\r\nb", { 0, 1, 3, 4 } },
        { "zwj family", family, { 0, family.size() } },
        { "zwj family between letters", "a" + family + "b", { 0, 1, 1 + family.size(), 2 + family.size() } },
        { "skin tone", "\U0001F44D\U0001F3FD", { 0, 8 } },
        { "two flags", flags, { 0, 8, 16 } },
        { "invalid byte",
            "a\xff"
            "b",
            { 0, 1, 2, 3 } },
        { "truncated sequence", "\xe2\x82", { 0, 1, 2 } },
        { "invalid after accent", "e\u0301\xff", { 0, 3, 4 } },
        { "nul", std::string("a\0b", 3), { 0, 1, 2, 3 } },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(grapheme_boundaries(c.text), c.want);
    }
}

// ---- Rich text ----

TEST(RichText, ChipWrappingOntoTwoLinesGivesTwoRects)
{
    std::string const text = "@alpha @beta";
    float const wrap = renderer().measure("@alpha ", 14).w + 4;
    RichSpan const spans[]
        = { { 0, text.size(), Color::rgb(0x3366ff), Weight::Semibold, Color::rgb(0xdde4ff) } };
    RichTextLayout layout;
    layout.shape(renderer(), text, spans, { 14, Weight::Regular, wrap, 1 });
    ASSERT_EQ(layout.shaped()->line_count(), 2);
    ASSERT_EQ(layout.chips().size(), 2u);
    Rect const first = layout.chips()[0].rect, second = layout.chips()[1].rect;
    EXPECT_EQ(layout.chips()[0].color, Color::rgb(0xdde4ff));
    EXPECT_GT(first.w, 0);
    EXPECT_GT(second.w, 0);
    EXPECT_GE(second.y, first.bottom() - 0.5f);
    EXPECT_NEAR(first.x, -2, 0.5) << "padded two pixels left of the text";
    EXPECT_LE(second.bottom(), layout.height() + 0.5f);
}

TEST(RichText, ChipCoversOnlyItsSpan)
{
    std::string const text = "hi @sam there";
    RichSpan const spans[] = { { 3, 7, std::nullopt, std::nullopt, Color::rgb(0xeeeeee) } };
    RichTextLayout layout;
    layout.shape(renderer(), text, spans, { 14 });
    ASSERT_EQ(layout.chips().size(), 1u);
    Rect const chip = layout.chips()[0].rect;
    EXPECT_NEAR(chip.x, renderer().measure("hi ", 14).w - 2, 0.5);
    EXPECT_NEAR(chip.w, renderer().measure("@sam", 14).w + 4, 1.0);
}

TEST(RichText, OutOfRangeAndSplitSpansAreClipped)
{
    std::string const text = "caf\u00e9 time"; // é occupies bytes 3 and 4
    RichSpan const spans[] = {
        { 5, 1000, std::nullopt, std::nullopt, Color::rgb(0x111111) },
        { 1000, 2000, Color::rgb(0xff0000), Weight::Bold, Color::rgb(0x222222) },
        { 6, 2, Color::rgb(0xff0000), std::nullopt, Color::rgb(0x333333) },
        { 4, 5, Color::rgb(0xff0000), std::nullopt, Color::rgb(0x444444) }, // inside é: moves back to [3, 5)
        { std::numeric_limits<std::size_t>::max() - 1, std::numeric_limits<std::size_t>::max(), std::nullopt,
            std::nullopt, Color::rgb(0x555555) },
    };
    RichTextLayout layout;
    layout.shape(renderer(), text, spans, { 14 });
    ASSERT_EQ(layout.chips().size(), 2u);
    EXPECT_EQ(layout.chips()[0].color, Color::rgb(0x111111));
    EXPECT_NEAR(layout.chips()[0].rect.right(), layout.size().w + 2, 0.5);
    EXPECT_EQ(layout.chips()[1].color, Color::rgb(0x444444));
    EXPECT_NEAR(layout.chips()[1].rect.w, renderer().measure("\u00e9", 14).w + 4, 1.0);
}

TEST(RichText, SpanColourWinsOverTheDrawColour)
{
    std::string const text = "plain RED plain";
    RichSpan const spans[] = { { 6, 9, Color::rgb(0xff0000), Weight::Bold, std::nullopt } };
    auto const rich = renderer().shape_rich(text, spans, { 24 });
    EXPECT_GT(count_pixels(render(*rich, colors::black).get()).reddish, 10);
    EXPECT_EQ(count_pixels(render(*renderer().shape(text, { 24 }), colors::black).get()).reddish, 0);
    EXPECT_GT(rich->size().w, renderer().measure(text, 24).w) << "the bold span is wider";
}

TEST(RichText, DrawRichPaintsChipsBehindTheText)
{
    std::string const text = "ping @ops now";
    RichSpan const spans[] = { { 5, 9, std::nullopt, std::nullopt, Color::rgb(0xccddee) } };
    RichTextLayout layout;
    layout.shape(renderer(), text, spans, { 14 });
    Scene scene;
    renderer().draw_rich(scene, layout, { 10, 20 }, colors::black);
    ASSERT_EQ(scene.size(), 2u);
    auto const* chip = std::get_if<cmd::FillRoundRect>(&scene.commands()[0]);
    auto const* drawn = std::get_if<cmd::Text>(&scene.commands()[1]);
    ASSERT_TRUE(chip && drawn);
    EXPECT_EQ(chip->rect, offset(layout.chips()[0].rect, 10, 20));
    EXPECT_EQ(drawn->text, layout.shaped());
    RichTextLayout const empty;
    renderer().draw_rich(scene, empty, { 0, 0 }, colors::black);
    EXPECT_EQ(scene.size(), 2u);
}

// ---- Painting ----

TEST(TextPaint, EmojiPaintsInColour)
{
    auto const emoji = renderer().shape("\U0001F600", { 32 });
    PixelCounts const counts = count_pixels(render(*emoji, colors::black).get());
    EXPECT_GT(counts.painted, 100);
    EXPECT_GT(counts.colourful, 50) << "a monochrome fallback font drew the emoji";
    EXPECT_EQ(count_pixels(render(*renderer().shape("Ag", { 32 }), colors::black).get()).colourful, 0);
}

TEST(TextPaint, DrawTextAppendsACachedTextCommand)
{
    Scene scene;
    renderer().draw_text_weighted(scene, "Status", { 5, 6 }, 13, Weight::Bold, colors::white, 90.f);
    ASSERT_EQ(scene.size(), 1u);
    auto const* command = std::get_if<cmd::Text>(&scene.commands()[0]);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->origin, (Point { 5, 6 }));
    EXPECT_EQ(command->color, colors::white);
    EXPECT_EQ(command->text.get(), renderer().shape("Status", { 13, Weight::Bold, 90.f, 1 }).get());
}

// ---- Carets and selections ----

TEST(TextCaret, RectAndIndexRoundTripOnEveryBoundary)
{
    std::string const texts[] = {
        "plain words",
        "Crème brûlée",
        "hi " + std::string(family_emoji) + " there",
        "bad \xff byte",
        "",
    };
    for (std::string const& text : texts) {
        SCOPED_TRACE(text);
        auto const shaped = renderer().shape(text, { 14 });
        float previous_x = -1;
        for (std::size_t index : grapheme_boundaries(text)) {
            Rect const caret = renderer().caret_rect(*shaped, index);
            EXPECT_GT(caret.h, 0);
            EXPECT_GT(caret.x, previous_x) << index;
            previous_x = caret.x;
            // Just right of the caret is the leading edge of the next cluster.
            EXPECT_EQ(renderer().index_at(*shaped, { caret.x + 0.5f, caret.y + caret.h / 2 }), index);
        }
    }
}

TEST(TextCaret, IndicesAreClampedAndMovedToCharacterStarts)
{
    std::string const text = "caf\u00e9!"; // é occupies bytes 3 and 4
    auto const shaped = renderer().shape(text, { 14 });
    EXPECT_EQ(renderer().caret_rect(*shaped, 4), renderer().caret_rect(*shaped, 3));
    EXPECT_EQ(renderer().caret_rect(*shaped, 999), renderer().caret_rect(*shaped, text.size()));
    float const nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(renderer().index_at(*shaped, { -100, -100 }), 0u);
    EXPECT_EQ(renderer().index_at(*shaped, { 1e9f, 5 }), text.size());
    EXPECT_EQ(renderer().index_at(*shaped, { 1e30f, 1e30f }), text.size());
    EXPECT_LE(renderer().index_at(*shaped, { nan, nan }), text.size());
}

TEST(TextCaret, WrappedTextPutsLaterCaretsOnLowerLines)
{
    std::string const text = "first line words then more";
    auto const shaped = renderer().shape(
        text, { 14, Weight::Regular, renderer().measure("first line words", 14).w + 4, 1 });
    ASSERT_EQ(shaped->line_count(), 2);
    Rect const first = renderer().caret_rect(*shaped, 0);
    Rect const later = renderer().caret_rect(*shaped, text.find("more"));
    EXPECT_GT(later.y, first.y + first.h / 2);
    EXPECT_EQ(renderer().index_at(*shaped, { 0.5f, later.y + later.h / 2 }), text.find("then"));
}

TEST(TextSelection, RectsFollowLines)
{
    std::string const text = "select these words please";
    auto const one_line = renderer().shape(text, { 14 });
    std::vector<Rect> const rects = renderer().selection_rects(*one_line, 7, 12);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_NEAR(rects[0].x, renderer().measure("select ", 14).w, 0.5);
    EXPECT_NEAR(rects[0].w, renderer().measure("these", 14).w, 0.5);
    EXPECT_EQ(renderer().selection_rects(*one_line, 12, 7), rects) << "reversed ranges select the same";
    EXPECT_TRUE(renderer().selection_rects(*one_line, 5, 5).empty());
    EXPECT_TRUE(renderer().selection_rects(*one_line, 500, 900).empty());

    auto const wrapped
        = renderer().shape(text, { 14, Weight::Regular, renderer().measure("select these", 14).w + 4, 1 });
    std::vector<Rect> const across = renderer().selection_rects(*wrapped, 0, text.size());
    ASSERT_EQ(across.size(), static_cast<std::size_t>(wrapped->line_count()));
    EXPECT_GE(across[1].y, across[0].bottom() - 0.5f);
}

// ---- Fonts ----

TEST(TextFonts, MissingFamiliesNamesOnlyTheAbsentOnes)
{
    EXPECT_TRUE(renderer().missing_families().empty());
    TextRenderer r(" Inter ,No Such Family Anywhere,, sans-serif,Noto Color Emoji", 4);
    EXPECT_EQ(r.missing_families(), (std::vector<std::string> { "No Such Family Anywhere" }));
    // A renderer whose fonts are all missing still measures with fallbacks.
    TextRenderer fallback("No Such Family Anywhere", 4);
    EXPECT_GT(fallback.measure("still drawn", 14).w, 0);
}
