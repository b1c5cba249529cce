// The Pango side of ShapedText: the layout a TextRenderer shaped, and how a Cairo backend paints it.
//
// NOTE: Pango objects are not thread-safe. A TextRenderer, the layouts it shapes and the backend
// that paints them all belong to one thread (the UI thread).
#pragma once

#include "c_handles.h"

#include <vrel_ui/text.h>

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstddef>
#include <vector>

namespace vrel_ui {

// Maps byte indices between the caller's text and the repaired UTF-8 that Pango holds. Each
// invalid byte of the caller's text became a 3-byte U+FFFD; valid text maps 1:1.
class ByteMap {
public:
    ByteMap() = default;
    // `invalid_bytes`: ascending offsets, in the caller's text, of the bytes that were replaced.
    explicit ByteMap(std::vector<std::size_t> invalid_bytes)
        : m_invalid(std::move(invalid_bytes))
    {
    }
    // The layout index of caller index `index` (not clamped; callers clamp first).
    [[nodiscard]] std::size_t to_layout(std::size_t index) const noexcept;
    // The caller index of layout index `index`; inside a replacement it is the replaced byte.
    [[nodiscard]] std::size_t to_text(std::size_t index) const noexcept;
    [[nodiscard]] bool identity() const noexcept { return m_invalid.empty(); }

private:
    std::vector<std::size_t> m_invalid;
};

// A shaped text held as its PangoLayout. Immutable once made: the layout is never changed after
// construction, so a cached instance can be shared by every scene that paints it.
class PangoShapedText final : public ShapedText {
public:
    PangoShapedText(PangoLayoutPtr layout, ByteMap map, std::size_t text_size);

    [[nodiscard]] PangoLayout* layout() const noexcept { return m_layout.get(); }
    [[nodiscard]] ByteMap const& byte_map() const noexcept { return m_map; }
    // Size in bytes of the caller's text (before repair).
    [[nodiscard]] std::size_t text_size() const noexcept { return m_text_size; }
    // Clamps a caller index to the text, moves it back to a character start and maps it into the
    // layout's text.
    [[nodiscard]] int layout_index(std::size_t index) const noexcept;

private:
    PangoLayoutPtr m_layout;
    ByteMap m_map;
    std::size_t m_text_size {};
};

// The Pango layout behind `text`, or null when `text` was not made by a TextRenderer.
[[nodiscard]] PangoShapedText const* as_pango(ShapedText const& text) noexcept;

// Paints `text` with its layout's top-left at `origin`; glyphs without a span colour take `color`.
void paint_shaped_text(cairo_t* cr, ShapedText const& text, Point origin, Color color);

} // namespace vrel_ui
