// A pop-up menu of actions opened at a point: its items, placement, input and drawing.
//
// The menu measures its labels lazily: draw and handle_event lay it out with their renderer,
// and rect() before the first layout assumes the minimum width. The placement is kept as the
// anchor and window, so a later layout that widens the menu still keeps it inside the window.
#pragma once

#include <vrel_ui/accessibility.h>
#include <vrel_ui/event.h>
#include <vrel_ui/geometry.h>
#include <vrel_ui/icons.h>

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vrel_ui {

struct DrawContext;
struct EventContext;
struct Theme;
class TextRenderer;

struct ContextMenuItem {
    std::string label;
    Icon icon { Icon::None };
    bool destructive {};
    friend bool operator==(ContextMenuItem const&, ContextMenuItem const&) = default;
};

// What one event did to the menu: the item chosen, whether it closed, and whether the event
// was the menu's (and must not reach what lies beneath it).
struct MenuResponse {
    std::optional<std::size_t> chosen;
    bool closed {};
    bool consumed {};
    friend bool operator==(MenuResponse const&, MenuResponse const&) = default;
};

class ContextMenu {
public:
    static constexpr float item_height = 32;
    static constexpr float padding = 6;
    static constexpr float min_width = 180;
    static constexpr float max_width = 360;
    static constexpr float window_margin = 8;
    static constexpr float text_size = 13;
    static constexpr float icon_column = 28;
    static constexpr float radius = 8;

    void push(std::string label, Icon icon = Icon::None, bool destructive = false);
    void clear();
    [[nodiscard]] std::span<ContextMenuItem const> items() const noexcept { return m_items; }

    // Opens with the top-left corner at `anchor`. A menu without items, or a non-finite anchor,
    // stays closed.
    void open_at(Point anchor);
    // Opens at `anchor`, flipping left or up where the menu would cross the window's edge and
    // keeping it `window_margin` inside the window.
    void open_at_clamped(Point anchor, Rect window);
    void close();
    [[nodiscard]] bool is_open() const noexcept { return m_open; }
    [[nodiscard]] std::optional<std::size_t> highlighted() const noexcept { return m_highlighted; }

    // Measures the labels; cheap when nothing changed since the last call.
    void layout(TextRenderer& text, Theme const& theme);
    // The menu's bounds where it is (or would be) open.
    [[nodiscard]] Rect rect() const noexcept;
    // The row of item `index` inside rect(); none for an index past the items.
    [[nodiscard]] std::optional<Rect> item_rect(std::size_t index) const noexcept;

    MenuResponse handle_event(Event const& event, EventContext& ctx);
    void draw(DrawContext& ctx);

    // A Menu node with one MenuItem child per item, ids "context-menu:item:<index>"; nothing
    // while closed.
    [[nodiscard]] std::vector<AccessNode> accessibility() const;
    // Chooses the item a node id names and closes the menu; none for ids that name no item of
    // the open menu.
    std::optional<std::size_t> perform_semantic_action(std::string_view node_id);

private:
    [[nodiscard]] std::optional<std::size_t> item_at(Point pos) const noexcept;
    [[nodiscard]] MenuResponse choose(std::size_t index);
    [[nodiscard]] MenuResponse on_key(KeyDown const& key);
    [[nodiscard]] MenuResponse on_pointer_down(PointerDown const& down);
    [[nodiscard]] MenuResponse on_pointer_up(PointerUp const& up);
    void move_highlight(int step);
    void draw_item(DrawContext& ctx, std::size_t index);
    void open(Point anchor, std::optional<Rect> window);

    std::vector<ContextMenuItem> m_items;
    std::optional<std::size_t> m_highlighted;
    Point m_anchor;
    std::optional<Rect> m_window;
    float m_width { min_width };
    bool m_laid_out {};
    bool m_open {};
    bool m_press_inside {};
};

} // namespace vrel_ui
