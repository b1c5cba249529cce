// The Cairo backend of the scene: the one place where draw commands become pixels.
//
// The window and the headless screenshot frame both paint through render_scene, so a screenshot
// shows exactly what the window shows.
#pragma once

#include "c_handles.h"

#include <vrel_ui/scene.h>

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace vrel_ui {

// Blurred shadow images kept between renders. Shadows that share a corner radius, blur, colour
// and size class share one image, so a list of cards blurs once, not once per card. Belongs to
// one thread, like the Cairo context it paints on.
class ShadowCache {
public:
    // What a shadow image depends on, in device pixels: the shape it blurs (clamped to the
    // size whose middle row and column are straight), its corner radius, blur and colour.
    struct Key {
        int shape_w {}, shape_h {};
        double radius {};
        int half {}; // the box-blur half width
        std::uint32_t argb {}; // the straight colour, 8 bits a channel
        friend bool operator==(Key const&, Key const&) = default;
    };
    // The blurred, coloured image plus copies of its middle column and row for stretching.
    struct Sprite {
        CairoSurfacePtr image, column, row;
    };

    [[nodiscard]] Sprite const* find(Key const& key) const noexcept;
    // Stores `sprite` under `key` (a miss), dropping the oldest entry when full.
    Sprite const& insert(Key const& key, Sprite sprite);
    [[nodiscard]] std::size_t size() const noexcept { return m_entries.size(); }
    void clear() noexcept { m_entries.clear(); }

    static constexpr std::size_t kCapacity = 64;

private:
    std::vector<std::pair<Key, Sprite>> m_entries;
};

// Paints every command of `scene` onto `cr` in order, in the user space `cr` has on entry.
// Commands with non-finite or empty geometry draw nothing; unmatched pops are ignored and pushes
// left open are closed at the end. The state of `cr` is restored before returning.
void render_scene(cairo_t* cr, Scene const& scene, ShadowCache& shadows);
// The same with a cache that lives for this call only.
void render_scene(cairo_t* cr, Scene const& scene);

} // namespace vrel_ui
