// TextRenderer over Pango and fontconfig: shaping, the layout cache, fitting and caret geometry.
//
// Text from the network may be invalid UTF-8, which Pango rejects with a warning per call. Such
// text is repaired before shaping (each invalid byte becomes U+FFFD) and a ByteMap translates
// byte indices, so callers keep indexing their own bytes; valid text maps 1:1.
#include "pango_text.h"
#include "text_cache.h"

#include <base/verify.h>

#include <algorithm>
#include <cmath>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

namespace vrel_ui {

namespace {

constexpr char const* default_families = "Inter, Noto Sans";
constexpr std::string_view ellipsis = "\u2026";
constexpr float chip_padding = 2;
constexpr float chip_radius = 4;

// Length of the valid UTF-8 sequence that starts `s`, or 0 when its first byte starts none. NUL
// counts as invalid: Pango refuses text containing it, and it is a cluster of its own anyway.
std::size_t valid_sequence_length(std::string_view s) noexcept
{
    auto const byte = [&](std::size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0u; };
    auto const tail = [&](std::size_t i) { return (byte(i) & 0xc0) == 0x80; };
    unsigned const b0 = byte(0), b1 = byte(1);
    if (s.empty() || b0 == 0)
        return 0;
    if (b0 < 0x80)
        return 1;
    if (b0 >= 0xc2 && b0 <= 0xdf)
        return tail(1) ? 2 : 0;
    if (b0 >= 0xe0 && b0 <= 0xef) {
        bool const second_ok = b0 == 0xe0 ? b1 >= 0xa0 : b0 == 0xed ? b1 < 0xa0 : true;
        return second_ok && tail(1) && tail(2) ? 3 : 0;
    }
    if (b0 >= 0xf0 && b0 <= 0xf4) {
        bool const second_ok = b0 == 0xf0 ? b1 >= 0x90 : b0 == 0xf4 ? b1 < 0x90 : true;
        return second_ok && tail(1) && tail(2) && tail(3) ? 4 : 0;
    }
    return 0;
}

struct RepairedText {
    std::string text;
    std::vector<std::size_t> invalid_bytes;
};

// The text with each invalid byte replaced by U+FFFD, or nullopt when it is valid already.
std::optional<RepairedText> repair_utf8(std::string_view text)
{
    std::optional<RepairedText> repaired;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t const length = valid_sequence_length(text.substr(i));
        if (length > 0 && !repaired) {
            i += length;
            continue;
        }
        if (!repaired) {
            repaired.emplace();
            repaired->text.reserve(text.size() + 8);
            repaired->text.append(text.substr(0, i));
        }
        if (length > 0) {
            repaired->text.append(text.substr(i, length));
            i += length;
        } else {
            repaired->text.append("\uFFFD");
            repaired->invalid_bytes.push_back(i++);
        }
    }
    return repaired;
}

// A style with every field made usable: NaN size takes the default, sizes clamp to [1, 1024],
// infinite or NaN wrap widths mean no wrapping, and a nonsensical line height factor is 1.
struct ResolvedStyle {
    float size { 14 };
    Weight weight { Weight::Regular };
    float wrap_width { -1 };
    float line_height_factor { 1 };
};

ResolvedStyle resolve(TextStyle const& style) noexcept
{
    ResolvedStyle out;
    if (!std::isnan(style.size))
        out.size = std::clamp(style.size, 1.f, 1024.f);
    if (static_cast<std::uint8_t>(style.weight) <= static_cast<std::uint8_t>(Weight::Bold))
        out.weight = style.weight;
    if (style.wrap_width && std::isfinite(*style.wrap_width))
        out.wrap_width = std::clamp(*style.wrap_width, 1.f, 1e6f);
    if (std::isfinite(style.line_height_factor) && style.line_height_factor > 0)
        out.line_height_factor = std::min(style.line_height_factor, 10.f);
    return out;
}

PangoWeight pango_weight(Weight weight) noexcept
{
    switch (weight) {
    case Weight::Light:
        return PANGO_WEIGHT_LIGHT;
    case Weight::Regular:
        return PANGO_WEIGHT_NORMAL;
    case Weight::Medium:
        return PANGO_WEIGHT_MEDIUM;
    case Weight::Semibold:
        return PANGO_WEIGHT_SEMIBOLD;
    case Weight::Bold:
        return PANGO_WEIGHT_BOLD;
    }
    return PANGO_WEIGHT_NORMAL;
}

float from_pango(int units) noexcept { return static_cast<float>(units) / PANGO_SCALE; }

// Logical pixels to Pango units, clamped so absurd coordinates cannot overflow an int.
int to_pango(float pixels) noexcept
{
    if (std::isnan(pixels))
        return 0;
    return static_cast<int>(std::lround(std::clamp(pixels, -1e6f, 1e6f) * PANGO_SCALE));
}

Size layout_size(PangoLayout* layout) noexcept
{
    PangoRectangle logical {};
    pango_layout_get_extents(layout, nullptr, &logical);
    return { from_pango(logical.width), from_pango(logical.height) };
}

// Clamps caller index `index` to the text, maps it into `layout_text` and moves it back to the
// start of the character it falls in.
int snap_index(
    std::string_view layout_text, ByteMap const& map, std::size_t text_size, std::size_t index) noexcept
{
    std::size_t at = std::min(map.to_layout(std::min(index, text_size)), layout_text.size());
    while (at > 0 && at < layout_text.size() && (static_cast<unsigned char>(layout_text[at]) & 0xc0) == 0x80)
        --at;
    return static_cast<int>(at);
}

std::string_view layout_text(PangoLayout* layout) noexcept
{
    char const* text = pango_layout_get_text(layout);
    return text ? std::string_view(text) : std::string_view();
}

} // namespace

// ---- ByteMap and PangoShapedText ----

std::size_t ByteMap::to_layout(std::size_t index) const noexcept
{
    auto const before = std::lower_bound(m_invalid.begin(), m_invalid.end(), index) - m_invalid.begin();
    return index + 2 * static_cast<std::size_t>(before);
}

std::size_t ByteMap::to_text(std::size_t index) const noexcept
{
    // Replacement m occupies layout bytes [p + 2m, p + 2m + 3); find how many end at or before index.
    std::size_t low = 0, high = m_invalid.size();
    while (low < high) {
        std::size_t const mid = low + (high - low) / 2;
        if (m_invalid[mid] + 2 * mid + 3 <= index)
            low = mid + 1;
        else
            high = mid;
    }
    if (low < m_invalid.size() && m_invalid[low] + 2 * low < index)
        return m_invalid[low];
    return index - 2 * low;
}

PangoShapedText::PangoShapedText(PangoLayoutPtr layout, ByteMap map, std::size_t text_size)
    : ShapedText(layout_size(layout.get()), pango_layout_get_line_count(layout.get()))
    , m_layout(std::move(layout))
    , m_map(std::move(map))
    , m_text_size(text_size)
{
}

int PangoShapedText::layout_index(std::size_t index) const noexcept
{
    return snap_index(layout_text(m_layout.get()), m_map, m_text_size, index);
}

PangoShapedText const* as_pango(ShapedText const& text) noexcept
{
    return dynamic_cast<PangoShapedText const*>(&text);
}

void paint_shaped_text(cairo_t* cr, ShapedText const& text, Point origin, Color color)
{
    PangoShapedText const* pango = as_pango(text);
    if (!pango || !cr)
        return;
    cairo_new_path(cr);
    cairo_set_source_rgba(cr, color.r, color.g, color.b, color.a);
    cairo_move_to(cr, origin.x, origin.y);
    pango_cairo_show_layout(cr, pango->layout());
    cairo_new_path(cr);
}

// ---- Line geometry shared by chips and selections ----

namespace {

struct LineRanges {
    float top {};
    float bottom {};
    std::vector<std::pair<float, float>> xs; // left to right extents of the range on this line
};

// The x extents of layout byte range [start, end) on each line it touches, with the line's y range.
std::vector<LineRanges> line_ranges(PangoLayout* layout, int start, int end)
{
    std::vector<LineRanges> out;
    if (start >= end)
        return out;
    PangoLayoutIterPtr iter(pango_layout_get_iter(layout));
    do {
        PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter.get());
        int const low = std::max(start, line->start_index);
        int const high = std::min(end, line->start_index + line->length);
        if (low >= high)
            continue;
        int* ranges = nullptr;
        int count = 0;
        pango_layout_line_get_x_ranges(line, low, high, &ranges, &count);
        GMemoryPtr const owned(ranges);
        int top = 0, bottom = 0;
        pango_layout_iter_get_line_yrange(iter.get(), &top, &bottom);
        LineRanges& lr = out.emplace_back(LineRanges { from_pango(top), from_pango(bottom), {} });
        for (int i = 0; i < count; ++i)
            lr.xs.emplace_back(from_pango(ranges[2 * i]), from_pango(ranges[2 * i + 1]));
    } while (pango_layout_iter_next_line(iter.get()));
    return out;
}

struct ByteRange {
    int start {};
    int end {};
};

// A span's byte range clipped to the text and moved back to character starts, in layout bytes.
std::optional<ByteRange> span_range(
    std::string_view text, ByteMap const& map, std::size_t text_size, RichSpan const& span) noexcept
{
    int const start = snap_index(text, map, text_size, span.start);
    int const end = snap_index(text, map, text_size, span.end);
    if (start >= end)
        return std::nullopt;
    return ByteRange { start, end };
}

std::uint16_t to_u16(float component) noexcept
{
    if (std::isnan(component))
        return 0;
    return static_cast<std::uint16_t>(std::lround(std::clamp(component, 0.f, 1.f) * 65535.f));
}

void insert_attribute(PangoAttrList* list, PangoAttribute* attribute, ByteRange range)
{
    attribute->start_index = static_cast<guint>(range.start);
    attribute->end_index = static_cast<guint>(range.end);
    pango_attr_list_insert(list, attribute);
}

PangoAttrListPtr span_attributes(
    std::string_view text, ByteMap const& map, std::size_t text_size, std::span<RichSpan const> spans)
{
    PangoAttrListPtr list(pango_attr_list_new());
    for (RichSpan const& span : spans) {
        std::optional<ByteRange> const range = span_range(text, map, text_size, span);
        if (!range)
            continue;
        if (span.color) {
            Color const c = *span.color;
            insert_attribute(
                list.get(), pango_attr_foreground_new(to_u16(c.r), to_u16(c.g), to_u16(c.b)), *range);
            insert_attribute(list.get(), pango_attr_foreground_alpha_new(to_u16(c.a)), *range);
        }
        if (span.weight)
            insert_attribute(list.get(), pango_attr_weight_new(pango_weight(*span.weight)), *range);
    }
    return list;
}

std::vector<RichTextLayout::Chip> chip_rects(PangoShapedText const& shaped, std::span<RichSpan const> spans)
{
    std::vector<RichTextLayout::Chip> chips;
    std::string_view const text = layout_text(shaped.layout());
    for (RichSpan const& span : spans) {
        std::optional<ByteRange> const range
            = span.chip ? span_range(text, shaped.byte_map(), shaped.text_size(), span) : std::nullopt;
        if (!range)
            continue;
        for (LineRanges const& line : line_ranges(shaped.layout(), range->start, range->end)) {
            if (line.xs.empty())
                continue;
            float left = line.xs.front().first, right = line.xs.front().second;
            for (auto [x0, x1] : line.xs) {
                left = std::min(left, x0);
                right = std::max(right, x1);
            }
            Rect const rect
                = Rect::from_edges(left - chip_padding, line.top, right + chip_padding, line.bottom);
            chips.push_back({ rect, *span.chip });
        }
    }
    return chips;
}

} // namespace

// ---- TextRenderer ----

struct TextRenderer::Impl {
    explicit Impl(std::string family_list, std::size_t capacity)
        : families(std::move(family_list))
        , cache(capacity)
        , fits(capacity)
    {
        font_map.reset(pango_cairo_font_map_new());
        VERIFY(font_map);
        context.reset(pango_font_map_create_context(font_map.get()));
        VERIFY(context);
        // Unhinted metrics keep a layout's size the same at every device scale; outlines may still
        // be hinted slightly when painted.
        CairoFontOptionsPtr const options(cairo_font_options_create());
        cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
        pango_cairo_context_set_font_options(context.get(), options.get());
        pango_context_set_round_glyph_positions(context.get(), FALSE);
        base_font.reset(pango_font_description_new());
        pango_font_description_set_family(base_font.get(), families.c_str());
    }

    struct Prepared {
        PangoLayoutPtr layout;
        ByteMap map;
    };
    // A layout holding the (repaired) text in the style, not yet frozen into a PangoShapedText.
    Prepared prepare(std::string_view text, ResolvedStyle const& style) const;
    std::shared_ptr<PangoShapedText const> shape(std::string_view text, ResolvedStyle const& style);
    // The fitting rule for a positive width, measuring through the layout cache.
    std::string fit(std::string_view text, float width, ResolvedStyle const& style);

    std::string families;
    PangoFontMapPtr font_map;
    PangoContextPtr context;
    PangoFontDescriptionPtr base_font;
    ShapeCache cache;
    // Fitting probes several prefixes, so labels re-fitted every frame keep their results too.
    FitCache fits;
};

TextRenderer::Impl::Prepared TextRenderer::Impl::prepare(
    std::string_view text, ResolvedStyle const& style) const
{
    PangoLayoutPtr layout(pango_layout_new(context.get()));
    PangoFontDescriptionPtr const font(pango_font_description_copy(base_font.get()));
    pango_font_description_set_absolute_size(font.get(), style.size * PANGO_SCALE);
    pango_font_description_set_weight(font.get(), pango_weight(style.weight));
    pango_layout_set_font_description(layout.get(), font.get());
    if (style.wrap_width > 0) {
        pango_layout_set_width(layout.get(), to_pango(style.wrap_width));
        pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    }
    if (style.line_height_factor != 1)
        pango_layout_set_line_spacing(layout.get(), style.line_height_factor);
    std::optional<RepairedText> const repaired = repair_utf8(text);
    std::string_view const valid = repaired ? std::string_view(repaired->text) : text;
    // Pango takes an int length; text beyond 2 GiB is cut rather than overflowing it.
    auto const length = static_cast<int>(std::min<std::size_t>(valid.size(), 0x7fffffff));
    pango_layout_set_text(layout.get(), valid.data(), length);
    return { std::move(layout), repaired ? ByteMap(repaired->invalid_bytes) : ByteMap() };
}

std::shared_ptr<PangoShapedText const> TextRenderer::Impl::shape(
    std::string_view text, ResolvedStyle const& style)
{
    TextKey const key
        = TextKey::make(text, style.size, style.weight, style.wrap_width, style.line_height_factor);
    if (auto const* hit = cache.find(key))
        return *hit;
    Prepared prepared = prepare(text, style);
    auto shaped = std::make_shared<PangoShapedText const>(
        std::move(prepared.layout), std::move(prepared.map), text.size());
    cache.insert(key, shaped);
    return shaped;
}

std::string TextRenderer::Impl::fit(std::string_view text, float width, ResolvedStyle const& style)
{
    auto const within
        = [&](std::string_view candidate) { return shape(candidate, style)->size().w <= width; };
    if (within(text))
        return std::string(text);
    std::vector<std::size_t> const bounds = grapheme_boundaries(text);
    auto const with_ellipsis
        = [&](std::size_t cut) { return std::string(text.substr(0, cut)).append(ellipsis); };
    // bounds[low] is known to fit (or is 0, which is taken regardless); bounds[high] is known not to.
    std::size_t low = 0, high = bounds.size() - 1;
    while (high - low > 1) {
        std::size_t const mid = low + (high - low) / 2;
        (within(with_ellipsis(bounds[mid])) ? low : high) = mid;
    }
    // Kerning can make a longer prefix narrower by a hair, so widths are only nearly monotone; a
    // step past the search result catches the cases where that matters.
    while (low + 1 < bounds.size() - 1 && within(with_ellipsis(bounds[low + 1])))
        ++low;
    return with_ellipsis(bounds[low]);
}

TextRenderer::TextRenderer()
    : TextRenderer(default_families)
{
}

TextRenderer::TextRenderer(std::string families, std::size_t cache_capacity)
    : m_impl(std::make_unique<Impl>(std::move(families), cache_capacity))
{
}

TextRenderer::~TextRenderer() = default;

Size TextRenderer::measure(std::string_view text, float size)
{
    return measure_weighted(text, size, Weight::Regular);
}

Size TextRenderer::measure_weighted(
    std::string_view text, float size, Weight weight, std::optional<float> wrap_width)
{
    return m_impl->shape(text, resolve({ size, weight, wrap_width, 1 }))->size();
}

float TextRenderer::line_height(float size, Weight weight) { return measure_weighted("Ag", size, weight).h; }

std::shared_ptr<ShapedText const> TextRenderer::shape(std::string_view text, TextStyle const& style)
{
    return m_impl->shape(text, resolve(style));
}

std::shared_ptr<ShapedText const> TextRenderer::shape_rich(
    std::string_view text, std::span<RichSpan const> spans, TextStyle const& style)
{
    Impl::Prepared prepared = m_impl->prepare(text, resolve(style));
    PangoAttrListPtr const attributes
        = span_attributes(layout_text(prepared.layout.get()), prepared.map, text.size(), spans);
    pango_layout_set_attributes(prepared.layout.get(), attributes.get());
    return std::make_shared<PangoShapedText const>(
        std::move(prepared.layout), std::move(prepared.map), text.size());
}

void TextRenderer::draw_text_weighted(Scene& scene, std::string_view text, Point top_left, float size,
    Weight weight, Color color, std::optional<float> wrap_width)
{
    scene.text(shape(text, { size, weight, wrap_width, 1 }), top_left, color);
}

void TextRenderer::draw_rich(Scene& scene, RichTextLayout const& layout, Point top_left, Color color)
{
    if (!layout.shaped())
        return;
    for (RichTextLayout::Chip const& chip : layout.chips())
        scene.fill_round_rect(offset(chip.rect, top_left.x, top_left.y), chip_radius, chip.color);
    scene.text(layout.shaped(), top_left, color);
}

std::string TextRenderer::fit(std::string_view text, float width, float size, Weight weight)
{
    if (!(width > 0))
        return {};
    ResolvedStyle const style = resolve({ size, weight });
    TextKey const key = TextKey::make(text, style.size, style.weight, width, 1);
    if (std::string const* hit = m_impl->fits.find(key))
        return *hit;
    std::string fitted = m_impl->fit(text, width, style);
    m_impl->fits.insert(key, fitted);
    return fitted;
}

void TextRenderer::draw_fitted(
    Scene& scene, std::string_view text, Point top_left, float width, float size, Weight weight, Color color)
{
    std::string const fitted = fit(text, width, size, weight);
    if (!fitted.empty())
        draw_text_weighted(scene, fitted, top_left, size, weight, color);
}

std::size_t TextRenderer::index_at(ShapedText const& shaped, Point local) const
{
    PangoShapedText const* pango = as_pango(shaped);
    if (!pango)
        return 0;
    int index = 0, trailing = 0;
    pango_layout_xy_to_index(pango->layout(), to_pango(local.x), to_pango(local.y), &index, &trailing);
    std::string_view const text = layout_text(pango->layout());
    auto at = static_cast<std::size_t>(std::max(index, 0));
    // A trailing hit counts the characters of the cluster; step over them to its end.
    for (; trailing > 0 && at < text.size(); --trailing)
        at += std::max<std::size_t>(1, valid_sequence_length(text.substr(at)));
    return std::min(pango->byte_map().to_text(std::min(at, text.size())), pango->text_size());
}

Rect TextRenderer::caret_rect(ShapedText const& shaped, std::size_t byte_index) const
{
    PangoShapedText const* pango = as_pango(shaped);
    if (!pango)
        return {};
    PangoRectangle strong {};
    pango_layout_get_cursor_pos(pango->layout(), pango->layout_index(byte_index), &strong, nullptr);
    return { from_pango(strong.x), from_pango(strong.y), 1, from_pango(strong.height) };
}

std::vector<Rect> TextRenderer::selection_rects(
    ShapedText const& shaped, std::size_t from, std::size_t to) const
{
    PangoShapedText const* pango = as_pango(shaped);
    if (!pango)
        return {};
    if (from > to)
        std::swap(from, to);
    std::vector<Rect> rects;
    for (LineRanges const& line :
        line_ranges(pango->layout(), pango->layout_index(from), pango->layout_index(to))) {
        for (auto [x0, x1] : line.xs)
            rects.push_back(Rect::from_edges(x0, line.top, x1, line.bottom));
    }
    return rects;
}

TextCacheStats TextRenderer::cache_stats() const noexcept { return m_impl->cache.stats(); }

void TextRenderer::clear_cache()
{
    m_impl->cache.clear();
    m_impl->fits.clear();
}

// ---- Font availability ----

namespace {

std::vector<std::string> split_families(std::string_view list)
{
    std::vector<std::string> out;
    while (!list.empty()) {
        std::size_t const comma = list.find(',');
        std::string_view name = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        while (!name.empty() && (name.front() == ' ' || name.front() == '\t'))
            name.remove_prefix(1);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
            name.remove_suffix(1);
        if (!name.empty())
            out.emplace_back(name);
    }
    return out;
}

// Generic names are aliases that fontconfig always resolves to some installed font.
bool is_generic_family(std::string_view name) noexcept
{
    for (std::string_view generic :
        { "sans-serif", "sans", "serif", "monospace", "emoji", "system-ui", "cursive" }) {
        if (std::equal(name.begin(), name.end(), generic.begin(), generic.end(),
                [](char a, char b) { return g_ascii_tolower(a) == g_ascii_tolower(b); }))
            return true;
    }
    return false;
}

bool family_installed(std::string const& name)
{
    FcPatternPtr const pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<FcChar8 const*>(name.c_str()));
    FcObjectSetPtr const properties(FcObjectSetBuild(FC_FAMILY, nullptr));
    // FcFontList matches family names exactly (ignoring case), unlike FcFontMatch, which always
    // substitutes something.
    FcFontSetPtr const fonts(FcFontList(nullptr, pattern.get(), properties.get()));
    return fonts && fonts->nfont > 0;
}

} // namespace

std::vector<std::string> TextRenderer::missing_families() const
{
    std::vector<std::string> missing;
    for (std::string const& name : split_families(m_impl->families)) {
        if (!is_generic_family(name) && !family_installed(name))
            missing.push_back(name);
    }
    return missing;
}

// ---- RichTextLayout ----

void RichTextLayout::shape(
    TextRenderer& renderer, std::string_view text, std::span<RichSpan const> spans, TextStyle const& style)
{
    m_shaped = renderer.shape_rich(text, spans, style);
    PangoShapedText const* pango = as_pango(*m_shaped);
    VERIFY(pango);
    m_chips = chip_rects(*pango, spans);
}

// ---- Grapheme clusters ----

namespace {

// Appends the cluster ends inside the valid UTF-8 `run` that starts at byte `base` of the text.
void append_run_boundaries(std::string_view run, std::size_t base, std::vector<std::size_t>& out)
{
    auto const length = static_cast<int>(run.size());
    auto const chars = static_cast<int>(g_utf8_strlen(run.data(), length));
    std::vector<PangoLogAttr> attrs(static_cast<std::size_t>(chars) + 1);
    pango_get_log_attrs(run.data(), length, -1, pango_language_get_default(), attrs.data(), chars + 1);
    std::size_t at = 0;
    for (int c = 1; c < chars; ++c) {
        at += valid_sequence_length(run.substr(at));
        if (attrs[static_cast<std::size_t>(c)].is_cursor_position)
            out.push_back(base + at);
    }
    out.push_back(base + run.size());
}

} // namespace

std::vector<std::size_t> grapheme_boundaries(std::string_view text)
{
    std::vector<std::size_t> out { 0 };
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i;
        for (std::size_t length; end < text.size() && (length = valid_sequence_length(text.substr(end))) > 0;)
            end += length;
        if (end == i) {
            out.push_back(++i); // an invalid byte is a cluster of its own
            continue;
        }
        // FIXME: runs longer than 2 GiB would overflow Pango's int lengths; chat text never gets close.
        append_run_boundaries(text.substr(i, end - i), i, out);
        i = end;
    }
    return out;
}

} // namespace vrel_ui
