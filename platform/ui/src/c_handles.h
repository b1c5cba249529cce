// Owning pointers for the C libraries the toolkit uses, so every handle is freed on every path.
//
// The deleter is an empty type, so each pointer stays one word. Add a library's aliases here
// rather than writing a new deleter next to the code that uses it.
#pragma once

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <glib-object.h>
#include <pango/pango.h>

#include <memory>

namespace vrel_ui {

// Calls Free on a non-null pointer; the unique_ptr deleter for C handles.
template <auto Free> struct FreeWith {
    template <class T> void operator()(T* p) const noexcept
    {
        if (p)
            Free(p);
    }
};

using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, FreeWith<cairo_surface_destroy>>;
using CairoPtr = std::unique_ptr<cairo_t, FreeWith<cairo_destroy>>;
using CairoFontOptionsPtr = std::unique_ptr<cairo_font_options_t, FreeWith<cairo_font_options_destroy>>;
using CairoPatternPtr = std::unique_ptr<cairo_pattern_t, FreeWith<cairo_pattern_destroy>>;

using PangoFontMapPtr = std::unique_ptr<PangoFontMap, FreeWith<g_object_unref>>;
using PangoContextPtr = std::unique_ptr<PangoContext, FreeWith<g_object_unref>>;
using PangoLayoutPtr = std::unique_ptr<PangoLayout, FreeWith<g_object_unref>>;
using PangoFontDescriptionPtr = std::unique_ptr<PangoFontDescription, FreeWith<pango_font_description_free>>;
using PangoAttrListPtr = std::unique_ptr<PangoAttrList, FreeWith<pango_attr_list_unref>>;
using PangoLayoutIterPtr = std::unique_ptr<PangoLayoutIter, FreeWith<pango_layout_iter_free>>;

using FcPatternPtr = std::unique_ptr<FcPattern, FreeWith<FcPatternDestroy>>;
using FcObjectSetPtr = std::unique_ptr<FcObjectSet, FreeWith<FcObjectSetDestroy>>;
using FcFontSetPtr = std::unique_ptr<FcFontSet, FreeWith<FcFontSetDestroy>>;

// g_free'd memory that GLib and Pango hand back (strings, range arrays).
using GMemoryPtr = std::unique_ptr<void, FreeWith<g_free>>;

} // namespace vrel_ui
