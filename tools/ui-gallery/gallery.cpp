#include "gallery.h"

#include "sample_images.h"

#include <vrel_ui/avatar.h>
#include <vrel_ui/painters.h>

#include <array>
#include <cstdio>

namespace gallery {

using namespace vrel_ui;

namespace {

constexpr float margin = 28;
constexpr float column_gap = 28;
constexpr float section_gap = 22;

char const* const sample_emoji_line
    = "Ship it 🚀  🎉 👍🏽 👨‍👩‍👧 🇩🇪  — 国际化 · Zoë";
char const* const sample_paragraph
    = "Text wraps at word boundaries inside its width, keeps emoji like 🧵 and 🙌 in colour, and "
      "measures the same at every device scale because metrics are unhinted.";

Theme const& pick_theme(DrawContext const& ctx, bool dark_override, Theme& storage)
{
    if (!dark_override)
        return ctx.theme;
    storage = ctx.theme.dark ? Theme::light() : Theme::dark_theme();
    storage.scale = ctx.theme.scale;
    return storage;
}

} // namespace

Gallery::Gallery()
    : m_images([](std::string const& key) { return load_sample_image(key); })
    , m_input(TextInput::local())
{
    m_input.set_placeholder("Write a message…");
    m_input.set_text("Draft with a selection 👋 — Shift+Enter breaks the line");
    struct Spec {
        char const* label;
        ButtonKind kind;
        ButtonState state;
    };
    Spec const specs[] = {
        { "Normal", ButtonKind::Normal, {} },
        { "Hovered", ButtonKind::Normal, { .hovered = true } },
        { "Active", ButtonKind::Normal, { .active = true } },
        { "Primary", ButtonKind::Primary, {} },
        { "Delete", ButtonKind::Destructive, {} },
        { "Quiet", ButtonKind::Quiet, {} },
        { "Disabled", ButtonKind::Primary, { .disabled = true } },
        { "Muted", ButtonKind::Normal, { .pressed = true } },
        { "Focused", ButtonKind::Normal, { .focused = true } },
        { "Toggle theme", ButtonKind::Primary, {} },
    };
    for (auto const& spec : specs)
        m_buttons.push_back({ spec.label, spec.kind, spec.state, {} });
}

void Gallery::open_menu(Point at)
{
    m_menu.clear();
    m_menu.push("Rename", Icon::Edit);
    m_menu.push("Move up", Icon::Up);
    m_menu.push("Move down", Icon::Down);
    m_menu.push("Archive / unarchive", Icon::Archive);
    m_menu.push("New text channel", Icon::Add);
    m_menu.push("Delete", Icon::Delete, true);
    m_menu.open_at_clamped(at, bounds());
}

void Gallery::stage_for_screenshot(EventContext& ctx)
{
    m_input.set_focused(true, &ctx);
    m_input.set_cursor_pos(m_input.text().size());
    for (int i = 0; i < 3; ++i)
        (void)m_input.handle_event(KeyDown { Key::Left, 0, ModShift | ModCtrl }, ctx);
    // Button rects come from the first draw, which the caller has done.
    m_hovered_button = 1;
    Point const pointer = m_buttons[1].rect.center();
    m_tooltip.on_pointer(label_at(pointer), pointer, 0);
    m_tooltip.tick(10);
    open_menu({ bounds().w * 0.36f, bounds().h * 0.56f });
}

float Gallery::draw_heading(DrawContext& ctx, Point at, std::string_view title)
{
    ctx.text.draw_text_weighted(ctx.scene, title, at, 12, Weight::Semibold, ctx.theme.text_muted);
    return ctx.text.line_height(12, Weight::Semibold) + 8;
}

float Gallery::draw_typography(DrawContext& ctx, Rect column)
{
    auto& text = ctx.text;
    auto const& theme = ctx.theme;
    float y = column.y + draw_heading(ctx, { column.x, column.y }, "TYPE");
    struct Sample {
        float size;
        Weight weight;
        char const* label;
    };
    Sample const samples[] = { { 22, Weight::Bold, "Vrel workspace" },
        { 17, Weight::Semibold, "# design-crit" }, { 15, Weight::Regular, "Message text at fifteen" },
        { 13, Weight::Medium, "Medium label, 13" }, { 11, Weight::Regular, "Caption at eleven — 11:42" } };
    for (auto const& sample : samples) {
        text.draw_text_weighted(
            ctx.scene, sample.label, { column.x, y }, sample.size, sample.weight, theme.text);
        y += text.line_height(sample.size, sample.weight) + 4;
    }
    text.draw_text_weighted(ctx.scene, sample_emoji_line, { column.x, y }, 16, Weight::Regular, theme.text);
    y += text.line_height(16) + 8;
    auto const paragraph = text.measure_weighted(sample_paragraph, 13, Weight::Regular, column.w);
    text.draw_text_weighted(
        ctx.scene, sample_paragraph, { column.x, y }, 13, Weight::Regular, theme.text_secondary, column.w);
    y += paragraph.h + 10;
    for (float width : { column.w, 220.f, 120.f, 14.f }) {
        text.draw_fitted(ctx.scene, "Fitted into a narrower width with an ellipsis 🎯", { column.x, y }, width,
            13, Weight::Regular, theme.text);
        ctx.scene.fill_rect({ column.x + width, y, 1, text.line_height(13) }, theme.accent);
        y += text.line_height(13) + 4;
    }
    y += 6;
    std::string const rich = "@Lena Fischer can you review #release-notes? 🙏 thanks @Otto";
    std::array<RichSpan, 3> const spans { RichSpan { 0, 13, theme.accent, Weight::Semibold,
                                              theme.accent.with_alpha(0.16f) },
        RichSpan { 29, 43, theme.live, std::nullopt, std::nullopt },
        RichSpan {
            rich.size() - 5, rich.size(), theme.accent, Weight::Semibold, theme.accent.with_alpha(0.16f) } };
    RichTextLayout layout;
    layout.shape(text, rich, spans, TextStyle { 14, Weight::Regular, column.w, 1.25f });
    text.draw_rich(ctx.scene, layout, { column.x, y }, theme.text);
    return y + layout.height() - column.y;
}

float Gallery::draw_buttons(DrawContext& ctx, Rect column)
{
    float y = column.y + draw_heading(ctx, { column.x, column.y }, "BUTTONS");
    float x = column.x;
    float const spacing = ctx.theme.spacing.spacing;
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        auto& slot = m_buttons[i];
        Size const size = Button::measure(ctx.text, ctx.theme, slot.label);
        if (x + size.w > column.right() && x > column.x) {
            x = column.x;
            y += size.h + spacing;
        }
        slot.rect = { x, y, size.w, size.h };
        ButtonState state = slot.state;
        state.hovered = state.hovered || m_hovered_button == i;
        state.active = state.active || m_pressed_button == i;
        Button::paint(ctx, slot.rect, slot.label, slot.kind, state);
        x += size.w + spacing;
    }
    y += Button::measure(ctx.text, ctx.theme, "Ag").h + 8;
    ctx.text.draw_fitted(
        ctx.scene, m_status, { column.x, y }, column.w, 12, Weight::Regular, ctx.theme.text_muted);
    return y + ctx.text.line_height(12) - column.y;
}

float Gallery::draw_avatars(DrawContext& ctx, Rect column)
{
    float y = column.y + draw_heading(ctx, { column.x, column.y }, "AVATARS");
    char const* const names[]
        = { "Lena Fischer", "otto", "Élodie Durand", "Mika Järvinen", "李 小龍", "🤖 Build bot", "" };
    Color const presence[] = { ctx.theme.online, ctx.theme.idle, ctx.theme.busy, ctx.theme.offline };
    float x = column.x + 20;
    for (std::size_t i = 0; i < std::size(names); ++i) {
        Avatar::draw_at(ctx, { x, y + 20 }, 40, names[i], ctx.theme.palette_color(long(i)), presence[i % 4]);
        x += 52;
    }
    return y + 48 - column.y;
}

float Gallery::draw_input(DrawContext& ctx, Rect column)
{
    float const y = column.y + draw_heading(ctx, { column.x, column.y }, "TEXT INPUT");
    float const height = std::max(76.f, m_input.preferred_height(ctx.text, column.w));
    Rect const box { column.x, y, column.w, height };
    ctx.scene.fill_round_rect(box, 12, ctx.theme.surface);
    ctx.scene.stroke_round_rect(inset(box, 0.5f), 12, m_input.focused() ? 2.f : 1.f,
        m_input.focused() ? ctx.theme.accent : ctx.theme.hairline);
    m_input.apply_layout_external(inset(box, 2));
    m_input.draw(ctx);
    return y + height - column.y;
}

void Gallery::draw_image_or_placeholder(DrawContext& ctx, std::string const& key, Rect rect)
{
    auto const state = m_images.get(key);
    if (state.kind == ImageState::Kind::Ready) {
        paint_image_cover(ctx.scene, state.image, rect, 12);
        return;
    }
    ctx.scene.fill_round_rect(rect, 12, ctx.theme.subtle_surface);
    bool const failed = state.kind == ImageState::Kind::Failed;
    auto const label = failed ? "Image failed to load" : "Loading image…";
    auto const size = ctx.text.measure(label, 11);
    ctx.text.draw_text_weighted(ctx.scene, label,
        { rect.center().x - size.w / 2, rect.center().y - size.h / 2 }, 11, Weight::Regular,
        failed ? ctx.theme.error : ctx.theme.text_muted);
    painters::edge_outline(ctx.scene, ctx.theme, rect, 12);
}

float Gallery::draw_images(DrawContext& ctx, Rect column)
{
    float const y = column.y + draw_heading(ctx, { column.x, column.y }, "IMAGES (COVER, ROUNDED)");
    float const w = (column.w - 16) / 3;
    draw_image_or_placeholder(ctx, "landscape", { column.x, y, w, 96 });
    draw_image_or_placeholder(ctx, "portrait", { column.x + w + 8, y, w, 96 });
    draw_image_or_placeholder(ctx, "broken", { column.x + 2 * (w + 8), y, w, 96 });
    return y + 96 - column.y;
}

float Gallery::draw_painters(DrawContext& ctx, Rect column)
{
    auto const& theme = ctx.theme;
    float const y = column.y + draw_heading(ctx, { column.x, column.y }, "SURFACES AND SHAPES");
    Rect const card { column.x, y, column.w * 0.48f, 92 };
    painters::card(ctx.scene, theme, card, 10);
    ctx.text.draw_text_weighted(
        ctx.scene, "card", { card.x + 12, card.y + 10 }, 13, Weight::Semibold, theme.text);
    painters::separator(ctx.scene, theme, { card.x + 12, card.y + 36 }, card.w - 24);
    painters::edge_on(ctx.scene, theme, card, painters::Edge::Bottom, theme.surface);
    ctx.text.draw_text_weighted(ctx.scene, "separator, edge", { card.x + 12, card.y + 46 }, 12,
        Weight::Regular, theme.text_secondary);

    Rect const panel { column.x + column.w * 0.52f, y, column.w * 0.48f, 92 };
    painters::shadow(ctx.scene, theme, panel, 14);
    ctx.scene.vertical_gradient(panel, 14, theme.tile, theme.video);
    painters::panel_border(ctx.scene, theme, panel, 14);
    painters::soft_outline(ctx.scene, theme, inset(panel, 6), 10);
    painters::floating_drag_grip(ctx.scene, theme, { panel.x, panel.y, panel.w, 24 });
    ctx.text.draw_text_weighted(ctx.scene, "panel, gradient, grip", { panel.x + 12, panel.bottom() - 28 }, 12,
        Weight::Regular, colors::white);

    float const row = y + 108;
    ctx.scene.fill_disc({ column.x + 14, row + 14 }, 14, theme.accent);
    ctx.scene.stroke_ring({ column.x + 50, row + 14 }, 12, 3, theme.live);
    ctx.scene.line({ column.x + 76, row + 26 }, { column.x + 120, row + 2 }, 2, theme.alert);
    ctx.scene.push_layer(0.5f);
    ctx.scene.fill_round_rect({ column.x + 132, row, 60, 28 }, 8, theme.error);
    ctx.scene.pop_layer();
    ctx.scene.push_clip({ column.x + 204, row, 40, 28 }, 8);
    ctx.scene.fill_disc({ column.x + 224, row + 14 }, 26, theme.secondary);
    ctx.scene.pop_clip();
    return row + 28 - column.y;
}

float Gallery::draw_palette(DrawContext& ctx, Rect column)
{
    auto const& theme = ctx.theme;
    float const y = column.y + draw_heading(ctx, { column.x, column.y }, "PALETTE AND CONTRAST");
    float const swatch = (column.w - 7 * 6) / 8;
    for (int i = 0; i < 8; ++i)
        ctx.scene.fill_round_rect(
            { column.x + float(i) * (swatch + 6), y, swatch, 26 }, 6, theme.palette_color(i));
    struct Role {
        char const* name;
        Color color;
    };
    Role const roles[] = { { "text", theme.text }, { "secondary", theme.text_secondary },
        { "muted", theme.text_muted }, { "accent", theme.accent }, { "error", theme.error } };
    float x = column.x;
    for (auto const& role : roles) {
        char label[48];
        std::snprintf(
            label, sizeof label, "%s %.1f", role.name, Colors::contrast_ratio(role.color, theme.background));
        ctx.text.draw_text_weighted(ctx.scene, label, { x, y + 34 }, 11, Weight::Medium, role.color);
        x += ctx.text.measure_weighted(label, 11, Weight::Medium).w + 12;
    }
    return y + 34 + ctx.text.line_height(11) - column.y;
}

void Gallery::draw(DrawContext& outer)
{
    Theme storage;
    Theme const& theme = pick_theme(outer, m_dark_override, storage);
    DrawContext ctx { outer.scene, outer.text, theme, outer.now };
    m_now = ctx.now;
    Rect const area = bounds();
    ctx.scene.fill_rect(area, theme.background);
    ctx.text.draw_text_weighted(
        ctx.scene, "Vrel toolkit gallery", { margin, 22 }, 22, Weight::Bold, theme.text);
    ctx.text.draw_text_weighted(ctx.scene, theme.dark ? "Dark theme" : "Light theme", { margin, 52 }, 13,
        Weight::Regular, theme.text_muted);
    float const column_w = (area.w - 2 * margin - 2 * column_gap) / 3;
    float const top = 88;
    auto column = [&](int i) {
        return Rect { margin + float(i) * (column_w + column_gap), top, column_w, area.h - top };
    };

    Rect left = column(0);
    left.y += draw_typography(ctx, left) + section_gap;
    draw_avatars(ctx, left);

    Rect middle = column(1);
    middle.y += draw_buttons(ctx, middle) + section_gap;
    middle.y += draw_input(ctx, middle) + section_gap;

    Rect right = column(2);
    right.y += draw_images(ctx, right) + section_gap;
    right.y += draw_painters(ctx, right) + section_gap;
    draw_palette(ctx, right);

    if (m_menu.is_open()) {
        m_menu.layout(ctx.text, theme);
        m_menu.draw(ctx);
    }
    draw_hover_tooltip(ctx, m_tooltip, area);
}

std::optional<std::string> Gallery::label_at(Point pos) const
{
    for (auto const& slot : m_buttons)
        if (slot.rect.contains(pos))
            return slot.label + " button";
    return std::nullopt;
}

EventResponse Gallery::handle_event(Event const& event, EventContext& ctx)
{
    m_redraw = true;
    if (m_menu.is_open()) {
        auto const response = m_menu.handle_event(event, ctx);
        if (response.chosen)
            m_status = "Chose \"" + m_menu.items()[*response.chosen].label + "\" from the menu.";
        if (response.consumed)
            return EventResponse::Handled;
    }
    if (auto const* move = std::get_if<PointerMove>(&event)) {
        m_hovered_button.reset();
        for (std::size_t i = 0; i < m_buttons.size(); ++i)
            if (m_buttons[i].rect.contains(move->pos))
                m_hovered_button = i;
        m_tooltip.on_pointer(label_at(move->pos), move->pos, ctx.now);
    }
    if (auto const* down = std::get_if<PointerDown>(&event)) {
        if (down->button == PointerButton::Secondary) {
            open_menu(down->pos);
            return EventResponse::Handled;
        }
        m_pressed_button = m_hovered_button;
        if (!m_input.rect().contains(down->pos))
            m_input.set_focused(false, &ctx);
    }
    if (std::holds_alternative<PointerUp>(event)) {
        if (m_pressed_button && m_pressed_button == m_hovered_button) {
            auto const& slot = m_buttons[*m_pressed_button];
            if (slot.label == "Toggle theme")
                m_dark_override = !m_dark_override;
            m_status = "Pressed \"" + slot.label + "\".";
        }
        m_pressed_button.reset();
    }
    auto const response = m_input.handle_event(event, ctx);
    if (response == TextInputResponse::Submitted) {
        m_status = "Submitted: " + m_input.text();
        m_input.set_text("");
    }
    return to_event_response(response);
}

bool Gallery::needs_animation_frame() const { return m_tooltip.needs_frame(m_now); }

bool Gallery::take_redraw_request() { return std::exchange(m_redraw, false); }

std::vector<AccessNode> Gallery::accessibility() const
{
    AccessNode root { .id = "gallery", .role = Role::Window, .label = "Vrel toolkit gallery" };
    for (auto const& slot : m_buttons)
        root.children.push_back({ .id = "gallery.button:" + slot.label,
            .role = Role::Button,
            .label = slot.label,
            .rect = slot.rect,
            .focusable = true });
    root.children.push_back(m_input.accessibility_node("gallery.input", "Message"));
    if (m_menu.is_open())
        for (auto& node : m_menu.accessibility())
            root.children.push_back(std::move(node));
    return { root };
}

} // namespace gallery
