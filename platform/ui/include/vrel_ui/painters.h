// The toolkit's stock painters: surfaces, edges and outlines drawn the same everywhere.
#pragma once

#include <vrel_ui/geometry.h>
#include <vrel_ui/scene.h>
#include <vrel_ui/theme.h>

namespace vrel_ui::painters {

enum class Edge : unsigned char { Top, Right, Bottom, Left };

// A raised card: the surface colour with a soft shadow and a hairline outline.
void card(Scene& scene, Theme const& theme, Rect rect, float radius);
// A one-pixel hairline along one edge of `rect`, tuned to show on `surface`.
void edge_on(Scene& scene, Theme const& theme, Rect rect, Edge edge, Color surface);
// A one-pixel hairline outline just inside a rounded rect.
void edge_outline(Scene& scene, Theme const& theme, Rect rect, float radius);
// A horizontal hairline across `width` starting at `from`.
void separator(Scene& scene, Theme const& theme, Point from, float width);
// The elevation shadow under floating panels and popovers.
void shadow(Scene& scene, Theme const& theme, Rect rect, float radius);
// The border of a floating panel: a hairline in the theme's outline colour plus a faint inner
// highlight that separates the panel from content of the same colour.
void panel_border(Scene& scene, Theme const& theme, Rect rect, float radius);
// A faint light outline for panels over video and dark media.
void soft_outline(Scene& scene, Theme const& theme, Rect rect, float radius);
// The grip bar across the top of a floating surface, centred in `grip`.
void floating_drag_grip(Scene& scene, Theme const& theme, Rect grip);

} // namespace vrel_ui::painters
