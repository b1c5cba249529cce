#include <vrel_ui/context_menu.h>
#include <vrel_ui/painters.h>
#include <vrel_ui/text.h>
#include <vrel_ui/theme.h>
#include <vrel_ui/widget.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>
#include <variant>

namespace vrel_ui {

namespace {

constexpr std::string_view menu_id = "context-menu";
constexpr std::string_view item_id_prefix = "context-menu:item:";
constexpr float row_radius = 6;
constexpr float label_end_inset = 10;

bool finite(Point p) noexcept { return std::isfinite(p.x) && std::isfinite(p.y); }

// Where a menu of `size` opens at `anchor`: flipped to the other side of the anchor on an
// axis where it would cross the window's margin, then moved inside if it still does not fit.
Rect place(Point anchor, Size size, Rect window, float margin) noexcept
{
    float x = anchor.x;
    float y = anchor.y;
    if (x + size.w > window.right() - margin)
        x = anchor.x - size.w;
    if (y + size.h > window.bottom() - margin)
        y = anchor.y - size.h;
    return clamp_inside({ x, y, size.w, size.h }, window, margin);
}

// Parses the index out of "context-menu:item:<index>", accepting only the decimal form the
// menu itself writes: digits, no sign, no leading zero.
std::optional<std::size_t> parse_item_id(std::string_view id)
{
    if (!id.starts_with(item_id_prefix))
        return std::nullopt;
    std::string_view const digits = id.substr(item_id_prefix.size());
    bool const plain = !digits.empty() && (digits.size() == 1 || digits.front() != '0')
        && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!plain)
        return std::nullopt;
    std::size_t index {};
    auto const [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc {} || end != digits.data() + digits.size())
        return std::nullopt;
    return index;
}

} // namespace

void ContextMenu::push(std::string label, Icon icon, bool destructive)
{
    m_items.push_back({ std::move(label), icon, destructive });
    m_laid_out = false;
}

void ContextMenu::clear()
{
    m_items.clear();
    m_laid_out = false;
    close();
}

void ContextMenu::open(Point anchor, std::optional<Rect> window)
{
    if (m_items.empty() || !finite(anchor)) {
        close();
        return;
    }
    m_anchor = anchor;
    m_window = window;
    m_open = true;
    m_highlighted.reset();
    m_press_inside = false;
}

void ContextMenu::open_at(Point anchor) { open(anchor, std::nullopt); }

void ContextMenu::open_at_clamped(Point anchor, Rect window)
{
    bool const usable = std::isfinite(window.x) && std::isfinite(window.y) && std::isfinite(window.w)
        && std::isfinite(window.h) && !window.empty();
    open(anchor, usable ? std::optional { window } : std::nullopt);
}

void ContextMenu::close()
{
    m_open = false;
    m_highlighted.reset();
    m_press_inside = false;
}

void ContextMenu::layout(TextRenderer& text, Theme const&)
{
    if (m_laid_out)
        return;
    float widest = 0;
    for (auto const& item : m_items)
        widest = std::max(widest, text.measure(item.label, text_size).w);
    float const natural = 2 * padding + icon_column + std::ceil(widest) + label_end_inset;
    m_width = std::clamp(natural, min_width, max_width);
    m_laid_out = true;
}

Rect ContextMenu::rect() const noexcept
{
    Size const size { m_width, 2 * padding + float(m_items.size()) * item_height };
    if (m_window)
        return place(m_anchor, size, *m_window, window_margin);
    return { m_anchor.x, m_anchor.y, size.w, size.h };
}

std::optional<Rect> ContextMenu::item_rect(std::size_t index) const noexcept
{
    if (index >= m_items.size())
        return std::nullopt;
    Rect const menu = rect();
    return Rect { menu.x + padding, menu.y + padding + float(index) * item_height, menu.w - 2 * padding,
        item_height };
}

std::optional<std::size_t> ContextMenu::item_at(Point pos) const noexcept
{
    Rect const menu = rect();
    Rect const rows { menu.x + padding, menu.y + padding, menu.w - 2 * padding, menu.h - 2 * padding };
    if (!rows.contains(pos))
        return std::nullopt;
    auto const index = std::size_t((pos.y - rows.y) / item_height);
    return index < m_items.size() ? std::optional { index } : std::nullopt;
}

MenuResponse ContextMenu::handle_event(Event const& event, EventContext& ctx)
{
    if (!m_open)
        return {};
    layout(ctx.text, ctx.theme);
    if (auto const* move = std::get_if<PointerMove>(&event)) {
        bool const inside = rect().contains(move->pos);
        if (inside)
            m_highlighted = item_at(move->pos);
        return { .consumed = inside };
    }
    if (auto const* down = std::get_if<PointerDown>(&event))
        return on_pointer_down(*down);
    if (auto const* up = std::get_if<PointerUp>(&event))
        return on_pointer_up(*up);
    if (auto const* key = std::get_if<KeyDown>(&event))
        return on_key(*key);
    if (auto const* wheel = std::get_if<Wheel>(&event))
        return { .consumed = rect().contains(wheel->pos) };
    if (auto const* focus = std::get_if<FocusChange>(&event); focus && !focus->focused) {
        close();
        return { .closed = true };
    }
    // An open menu holds the keyboard, so typing must not reach the field beneath it.
    bool const keyboard = std::holds_alternative<KeyUp>(event) || std::holds_alternative<TextEntered>(event)
        || std::holds_alternative<TextComposition>(event);
    return { .consumed = keyboard };
}

MenuResponse ContextMenu::on_pointer_down(PointerDown const& down)
{
    if (!rect().contains(down.pos)) {
        close();
        return { .closed = true, .consumed = true };
    }
    m_press_inside = down.button == PointerButton::Primary;
    if (m_press_inside)
        m_highlighted = item_at(down.pos);
    return { .consumed = true };
}

// An item is chosen on the release of a press that began inside the menu. The release of the
// click that opened the menu began outside it, so it cannot choose the item it lands on.
MenuResponse ContextMenu::on_pointer_up(PointerUp const& up)
{
    bool const armed = std::exchange(m_press_inside, false);
    if (!armed || up.button != PointerButton::Primary)
        return { .consumed = rect().contains(up.pos) };
    if (auto const item = item_at(up.pos))
        return choose(*item);
    return { .consumed = true };
}

MenuResponse ContextMenu::on_key(KeyDown const& key)
{
    switch (key.key) {
    case Key::Up:
        move_highlight(-1);
        break;
    case Key::Down:
        move_highlight(1);
        break;
    case Key::Tab:
        move_highlight((key.mods & ModShift) ? -1 : 1);
        break;
    case Key::Home:
        m_highlighted = 0;
        break;
    case Key::End:
        m_highlighted = m_items.size() - 1;
        break;
    case Key::Enter:
    case Key::Space:
        if (m_highlighted)
            return choose(*m_highlighted);
        break;
    case Key::Escape:
        close();
        return { .closed = true, .consumed = true };
    default:
        break;
    }
    return { .consumed = true };
}

void ContextMenu::move_highlight(int step)
{
    std::size_t const count = m_items.size();
    if (!m_highlighted) {
        m_highlighted = step > 0 ? 0 : count - 1;
        return;
    }
    std::size_t const back = count - 1;
    m_highlighted = step > 0 ? (*m_highlighted + 1) % count : (*m_highlighted + back) % count;
}

MenuResponse ContextMenu::choose(std::size_t index)
{
    close();
    return { .chosen = index, .closed = true, .consumed = true };
}

void ContextMenu::draw(DrawContext& ctx)
{
    if (!m_open)
        return;
    layout(ctx.text, ctx.theme);
    Rect const menu = rect();
    painters::shadow(ctx.scene, ctx.theme, menu, radius);
    ctx.scene.fill_round_rect(menu, radius, ctx.theme.surface);
    painters::panel_border(ctx.scene, ctx.theme, menu, radius);
    for (std::size_t i = 0; i < m_items.size(); ++i)
        draw_item(ctx, i);
}

void ContextMenu::draw_item(DrawContext& ctx, std::size_t index)
{
    Theme const& theme = ctx.theme;
    ContextMenuItem const& item = m_items[index];
    Rect const row = *item_rect(index);
    if (m_highlighted == index)
        ctx.scene.fill_round_rect(row, row_radius, theme.hover);
    if (auto const glyph = icon_glyph(item.icon); !glyph.empty()) {
        auto shaped = ctx.text.shape(glyph, TextStyle { .size = text_size });
        Size const extent = shaped->size();
        Point const origin { row.x + (icon_column - extent.w) / 2, row.y + (row.h - extent.h) / 2 };
        ctx.scene.text(std::move(shaped), origin, item.destructive ? theme.error : theme.text_secondary);
    }
    float const line = ctx.text.line_height(text_size);
    Point const label_origin { row.x + icon_column, row.y + (row.h - line) / 2 };
    float const room = row.w - icon_column - label_end_inset;
    ctx.text.draw_fitted(ctx.scene, item.label, label_origin, room, text_size, Weight::Regular,
        item.destructive ? theme.error : theme.text);
}

std::vector<AccessNode> ContextMenu::accessibility() const
{
    if (!m_open)
        return {};
    AccessNode menu {
        .id = std::string { menu_id }, .role = Role::Menu, .label = "Context menu", .rect = rect()
    };
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        menu.children.push_back({ .id = std::string { item_id_prefix } + std::to_string(i),
            .role = Role::MenuItem,
            .label = m_items[i].label,
            .rect = *item_rect(i),
            .focusable = true,
            .focused = m_highlighted == i,
            .destructive = m_items[i].destructive });
    }
    return { std::move(menu) };
}

std::optional<std::size_t> ContextMenu::perform_semantic_action(std::string_view node_id)
{
    if (!m_open)
        return std::nullopt;
    auto const index = parse_item_id(node_id);
    if (!index || *index >= m_items.size())
        return std::nullopt;
    return choose(*index).chosen;
}

} // namespace vrel_ui
