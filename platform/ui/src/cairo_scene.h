// The Cairo backend of the scene: the one place where draw commands become pixels.
//
// The window and the headless screenshot frame both paint through render_scene, so a screenshot
// shows exactly what the window shows.
#pragma once

#include <vrel_ui/scene.h>

#include <cairo.h>

namespace vrel_ui {

// Paints every command of `scene` onto `cr` in order, in the user space `cr` has on entry.
// Commands with non-finite or empty geometry draw nothing; unmatched pops are ignored and pushes
// left open are closed at the end. The state of `cr` is restored before returning.
void render_scene(cairo_t* cr, Scene const& scene);

} // namespace vrel_ui
