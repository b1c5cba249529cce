// Text shaping, measuring and drawing over Pango, with a bounded cache of shaped layouts.
//
// Sizes are in logical pixels (a font size of 14 is 14 px tall em), independent of the device
// scale: metrics are unhinted so a layout measured once draws the same at any scale.
#pragma once

#include <vrel_ui/color.h>
#include <vrel_ui/geometry.h>
#include <vrel_ui/scene.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vrel_ui {

// Font weights; Semibold (3) is what emphasised labels use.
enum class Weight : std::uint8_t { Light = 0, Regular = 1, Medium = 2, Semibold = 3, Bold = 4 };

struct TextStyle {
    float size { 14 };
    Weight weight { Weight::Regular };
    // Wraps at word boundaries (and inside over-long words) to this width; none: one line per
    // paragraph.
    std::optional<float> wrap_width;
    // Multiplies the natural line spacing.
    float line_height_factor { 1 };
    friend bool operator==(TextStyle const&, TextStyle const&) = default;
};

// A shaped, immutable run of text. Created only by TextRenderer; shared with the scene that
// paints it, so a cached layout is painted without shaping again.
class ShapedText {
public:
    virtual ~ShapedText() = default;
    [[nodiscard]] Size size() const noexcept { return m_size; }
    [[nodiscard]] int line_count() const noexcept { return m_lines; }

protected:
    ShapedText(Size size, int lines)
        : m_size(size)
        , m_lines(lines)
    {
    }

private:
    Size m_size;
    int m_lines {};
};

// A span of a rich text by byte range [start, end): a colour for its glyphs, a weight, and a
// chip (a rounded background behind the range, as mentions have).
struct RichSpan {
    std::size_t start {};
    std::size_t end {};
    std::optional<Color> color;
    std::optional<Weight> weight;
    std::optional<Color> chip;
    friend bool operator==(RichSpan const&, RichSpan const&) = default;
};

class TextRenderer;

// Rich text shaped for drawing: coloured spans and chip rectangles laid out once.
class RichTextLayout {
public:
    // Shapes `text` with `spans` (byte ranges outside the text or not on UTF-8 boundaries are
    // clipped to the nearest valid range, never trusted).
    void shape(TextRenderer& renderer, std::string_view text, std::span<RichSpan const> spans,
        TextStyle const& style);
    [[nodiscard]] float height() const noexcept { return m_shaped ? m_shaped->size().h : 0; }
    [[nodiscard]] Size size() const noexcept { return m_shaped ? m_shaped->size() : Size {}; }
    [[nodiscard]] std::shared_ptr<ShapedText const> const& shaped() const noexcept { return m_shaped; }
    // Chip backgrounds relative to the layout's top-left, one per chip span and line.
    struct Chip {
        Rect rect;
        Color color;
    };
    [[nodiscard]] std::vector<Chip> const& chips() const noexcept { return m_chips; }

private:
    std::shared_ptr<ShapedText const> m_shaped;
    std::vector<Chip> m_chips;
};

struct TextCacheStats {
    std::size_t hits {};
    std::size_t misses {};
    std::size_t entries {};
};

// NOTE: A renderer and the layouts it shapes belong to one thread (Pango is not thread-safe).
// Text that is not valid UTF-8 is drawn with U+FFFD per invalid byte; byte indices still refer
// to the caller's bytes, each invalid byte counting as one character.
class TextRenderer {
public:
    // Default families: Inter for text, Noto Sans for other scripts; emoji come from fontconfig's
    // fallback (Noto Color Emoji). Naming the emoji font in the list would make Pango take the
    // digits and "#" from it too, since they are emoji characters as well.
    TextRenderer();
    explicit TextRenderer(std::string families, std::size_t cache_capacity = 4096);
    ~TextRenderer();
    TextRenderer(TextRenderer const&) = delete;
    TextRenderer& operator=(TextRenderer const&) = delete;

    [[nodiscard]] Size measure(std::string_view text, float size);
    [[nodiscard]] Size measure_weighted(
        std::string_view text, float size, Weight weight, std::optional<float> wrap_width = std::nullopt);
    // The height of the sample "Ag" at this size and weight: what one line of text takes.
    [[nodiscard]] float line_height(float size, Weight weight = Weight::Regular);

    // Shapes (or takes from the cache) the text in the style.
    [[nodiscard]] std::shared_ptr<ShapedText const> shape(std::string_view text, TextStyle const& style);
    // Shapes rich text; not cached, since spans change with the content.
    [[nodiscard]] std::shared_ptr<ShapedText const> shape_rich(
        std::string_view text, std::span<RichSpan const> spans, TextStyle const& style);

    void draw_text_weighted(Scene& scene, std::string_view text, Point top_left, float size, Weight weight,
        Color color, std::optional<float> wrap_width = std::nullopt);
    void draw_rich(Scene& scene, RichTextLayout const& layout, Point top_left, Color color);

    // The fitting rule: empty when width <= 0, the whole text when it fits, else the longest
    // prefix of whole characters that fits with "…" appended ("…" alone when none does).
    [[nodiscard]] std::string fit(
        std::string_view text, float width, float size, Weight weight = Weight::Regular);
    void draw_fitted(Scene& scene, std::string_view text, Point top_left, float width, float size,
        Weight weight, Color color);

    // Caret geometry for editors, in the shaped text's own coordinates. Byte indices are
    // clamped to the text and moved back to a character boundary.
    [[nodiscard]] std::size_t index_at(ShapedText const& shaped, Point local) const;
    [[nodiscard]] Rect caret_rect(ShapedText const& shaped, std::size_t byte_index) const;
    // Byte ranges and rects of the selection [from, to) line by line.
    [[nodiscard]] std::vector<Rect> selection_rects(
        ShapedText const& shaped, std::size_t from, std::size_t to) const;

    [[nodiscard]] TextCacheStats cache_stats() const noexcept;
    void clear_cache();
    // Font families asked for that fontconfig could not find (drawing falls back to others).
    [[nodiscard]] std::vector<std::string> missing_families() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The grapheme-cluster boundaries of UTF-8 text: 0, each boundary, text.size(). Invalid
// UTF-8 counts byte by byte.
[[nodiscard]] std::vector<std::size_t> grapheme_boundaries(std::string_view text);

} // namespace vrel_ui
