#include <vrel_ui/text_input.h>

#include <algorithm>
#include <cmath>

namespace vrel_ui {

namespace {

constexpr float caret_width = 1.5f;
constexpr float selection_alpha = 0.3f;
constexpr float wheel_step_lines = 3;
// Wider than any screen; it keeps an absurd rect from overflowing Pango's integer units.
constexpr float max_wrap_width = 100000;

// The byte offset of code point `index` in UTF-8 text, clamped to the text. Input methods count
// their preedit cursor in characters.
std::size_t code_point_offset(std::string_view text, int index)
{
    std::size_t byte = 0;
    for (int i = 0; i < index && byte < text.size(); ++i) {
        ++byte;
        while (byte < text.size() && (static_cast<unsigned char>(text[byte]) & 0xC0) == 0x80)
            ++byte;
    }
    return byte;
}

TextEdit::Extend extend_with(Modifiers mods)
{
    return (mods & ModShift) ? TextEdit::Extend::Yes : TextEdit::Extend::No;
}

bool is_vertical(Key key)
{
    return key == Key::Up || key == Key::Down || key == Key::PageUp || key == Key::PageDown;
}

// Clamps, sending NaN to the low end: pointer positions from a broken event must not reach Pango,
// whose integer units overflow on them.
float clamp_finite(float v, float low, float high) { return std::isnan(v) ? low : std::clamp(v, low, high); }

bool is_finite(Rect r)
{
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.w) && std::isfinite(r.h);
}

} // namespace

TextInput TextInput::local() { return TextInput {}; }

void TextInput::set_text(std::string_view text)
{
    m_edit.reset(text);
    m_preferred_x.reset();
    m_reveal_caret = true;
}

void TextInput::set_style(TextStyle style)
{
    m_style = std::move(style);
    m_style.wrap_width.reset();
    if (!std::isfinite(m_style.size) || m_style.size <= 0)
        m_style.size = 15;
    m_reveal_caret = true;
}

void TextInput::set_padding(float padding)
{
    m_padding = std::isfinite(padding) ? std::max(0.f, padding) : 0.f;
    m_reveal_caret = true;
}

void TextInput::set_cursor_pos(std::size_t byte)
{
    m_edit.set_caret(byte, TextEdit::Extend::No);
    m_preferred_x.reset();
    m_reveal_caret = true;
}

void TextInput::set_selection(std::size_t anchor, std::size_t caret)
{
    m_edit.set_selection(anchor, caret);
    m_preferred_x.reset();
    m_reveal_caret = true;
}

void TextInput::insert_at_cursor(std::string_view text)
{
    note_edit(m_edit.insert(text, TextEdit::InsertKind::Pasted));
}

void TextInput::apply_layout_external(Rect rect)
{
    // A broken rect from the owner's layout draws nothing rather than feeding NaN to Pango.
    Rect const placed = is_finite(rect) ? rect : Rect {};
    if (placed.w != m_rect.w || placed.h != m_rect.h)
        m_reveal_caret = true;
    m_rect = placed;
}

float TextInput::preferred_height(TextRenderer& renderer, float width) const
{
    float const inner = std::isfinite(width) ? std::max(0.f, width - 2 * m_padding) : 0.f;
    std::string_view const shown
        = text().empty() ? std::string_view(m_placeholder) : std::string_view(text());
    auto const shaped = renderer.shape(shown, layout_style(inner));
    float const line = renderer.line_height(m_style.size, m_style.weight);
    return std::max(shaped->size().h, line) + 2 * m_padding;
}

Rect TextInput::content_rect() const noexcept
{
    return { m_rect.x + m_padding, m_rect.y + m_padding, std::max(0.f, m_rect.w - 2 * m_padding),
        std::max(0.f, m_rect.h - 2 * m_padding) };
}

TextStyle TextInput::layout_style(float width) const
{
    TextStyle style = m_style;
    if (width > 0)
        style.wrap_width = std::min(width, max_wrap_width);
    return style;
}

TextInput::Splice TextInput::splice() const noexcept
{
    if (m_composition.text.empty())
        return { m_edit.caret(), 0, 0 };
    // The preedit stands in for the selection it will replace once committed.
    auto const range = m_edit.selection().value_or(ByteRange { m_edit.caret(), m_edit.caret() });
    return { range.first, range.second - range.first, m_composition.text.size() };
}

std::size_t TextInput::to_display(std::size_t byte) const noexcept
{
    Splice const s = splice();
    if (byte <= s.at)
        return byte;
    if (byte >= s.at + s.removed)
        return byte - s.removed + s.inserted;
    return s.at;
}

std::size_t TextInput::from_display(std::size_t byte) const noexcept
{
    Splice const s = splice();
    if (byte <= s.at)
        return byte;
    if (byte >= s.at + s.inserted)
        return byte - s.inserted + s.removed;
    return s.at;
}

std::size_t TextInput::display_caret() const noexcept
{
    if (m_composition.text.empty())
        return m_edit.caret();
    return splice().at + m_composition.cursor;
}

std::shared_ptr<ShapedText const> TextInput::shape(TextRenderer& renderer) const
{
    TextStyle const style = layout_style(content_rect().w);
    if (m_composition.text.empty())
        return renderer.shape(text(), style);
    Splice const s = splice();
    std::string shown = text();
    shown.replace(s.at, s.removed, m_composition.text);
    return renderer.shape(shown, style);
}

std::size_t TextInput::index_at_point(TextRenderer& renderer, Point window) const
{
    auto const shaped = shape(renderer);
    Rect const content = content_rect();
    // Points above or below the text (a drag that left the field) land on its first or last line.
    float const bottom = std::max(0.f, shaped->size().h - 0.5f);
    float const right = std::max(content.w, shaped->size().w) + 1;
    Point const local { clamp_finite(window.x - content.x, 0, right),
        clamp_finite(window.y - content.y + m_scroll, 0, bottom) };
    return m_edit.snap(from_display(renderer.index_at(*shaped, local)));
}

Rect TextInput::caret_in_window(TextRenderer& renderer) const
{
    auto const shaped = shape(renderer);
    Rect const caret = renderer.caret_rect(*shaped, display_caret());
    Rect const content = content_rect();
    return { content.x + caret.x, content.y + caret.y - m_scroll, std::max(caret.w, caret_width), caret.h };
}

void TextInput::note_edit(bool changed)
{
    m_dirty = m_dirty || changed;
    m_preferred_x.reset();
    m_reveal_caret = true;
}

void TextInput::clamp_scroll(float content_height)
{
    float const overflow = std::max(0.f, content_height - content_rect().h);
    m_scroll = std::isfinite(m_scroll) ? std::clamp(m_scroll, 0.f, overflow) : 0.f;
}

void TextInput::reveal_caret(TextRenderer& renderer)
{
    auto const shaped = shape(renderer);
    Rect const caret = renderer.caret_rect(*shaped, display_caret());
    float const view = content_rect().h;
    // The top check goes last so that a caret taller than the view shows its top.
    if (caret.bottom() > m_scroll + view)
        m_scroll = caret.bottom() - view;
    if (caret.y < m_scroll)
        m_scroll = caret.y;
    clamp_scroll(shaped->size().h);
    m_reveal_caret = false;
}

void TextInput::report_caret(EventContext& ctx)
{
    if (!m_focused)
        return;
    Rect const caret = caret_in_window(ctx.text);
    if (m_reported_caret == caret)
        return;
    ctx.text_input.start_text_input(caret);
    m_reported_caret = caret;
}

void TextInput::set_focused(bool focused, EventContext* ctx)
{
    if (focused) {
        m_focused = true;
        m_reveal_caret = true;
        m_reported_caret.reset();
        if (ctx) {
            reveal_caret(ctx->text);
            report_caret(*ctx);
        }
        return;
    }
    // Stopping text input for a field that never had it would cut off the field that does.
    if (!m_focused)
        return;
    m_focused = false;
    m_dragging = false;
    m_composition = {};
    m_preferred_x.reset();
    m_reported_caret.reset();
    if (ctx)
        ctx->text_input.stop_text_input();
}

TextInputResponse TextInput::handle_event(Event const& event, EventContext& ctx)
{
    auto const response = std::visit([&](auto const& e) { return handle(e, ctx); }, event);
    if (response != TextInputResponse::Ignored && m_focused) {
        if (m_reveal_caret)
            reveal_caret(ctx.text);
        report_caret(ctx);
    }
    return response;
}

TextInputResponse TextInput::handle(PointerDown const& down, EventContext& ctx)
{
    if (down.button != PointerButton::Primary || !m_rect.contains(down.pos))
        return TextInputResponse::Ignored;
    if (!m_focused)
        set_focused(true, &ctx);
    m_preferred_x.reset();
    std::size_t const index = index_at_point(ctx.text, down.pos);
    if (down.clicks == 2)
        m_edit.select_word_at(index);
    else if (down.clicks >= 3)
        m_edit.select_line_at(index);
    else
        m_edit.set_caret(index, extend_with(down.mods));
    m_dragging = true;
    m_reveal_caret = true;
    return TextInputResponse::Handled;
}

TextInputResponse TextInput::handle(PointerMove const& move, EventContext& ctx)
{
    if (!m_dragging || !m_focused)
        return TextInputResponse::Ignored;
    m_edit.set_caret(index_at_point(ctx.text, move.pos), TextEdit::Extend::Yes);
    m_reveal_caret = true;
    return TextInputResponse::Handled;
}

TextInputResponse TextInput::handle(PointerUp const&, EventContext&)
{
    if (!m_dragging)
        return TextInputResponse::Ignored;
    m_dragging = false;
    return TextInputResponse::Handled;
}

TextInputResponse TextInput::handle(Wheel const& wheel, EventContext& ctx)
{
    if (!m_focused || !m_rect.contains(wheel.pos) || !std::isfinite(wheel.dy))
        return TextInputResponse::Ignored;
    float const height = shape(ctx.text)->size().h;
    // Text that fits leaves the wheel to the owner's scroll view.
    if (height <= content_rect().h)
        return TextInputResponse::Ignored;
    float const step
        = wheel.lines ? ctx.text.line_height(m_style.size, m_style.weight) * wheel_step_lines : 1.f;
    m_scroll -= wheel.dy * step;
    clamp_scroll(height);
    return TextInputResponse::Handled;
}

TextInputResponse TextInput::handle(KeyDown const& key, EventContext& ctx)
{
    // Alt and Super chords are the application's (switching channels and the like).
    if (!m_focused || (key.mods & (ModAlt | ModSuper)))
        return TextInputResponse::Ignored;
    // While composing, keys belong to the input method.
    if (!m_composition.text.empty())
        return TextInputResponse::Handled;
    if (!is_vertical(key.key))
        m_preferred_x.reset();
    bool const ctrl = key.mods & ModCtrl;
    TextEdit::Extend const extend = extend_with(key.mods);
    switch (key.key) {
    case Key::Left:
        m_edit.move(ctrl ? TextEdit::Motion::WordLeft : TextEdit::Motion::GraphemeLeft, extend);
        break;
    case Key::Right:
        m_edit.move(ctrl ? TextEdit::Motion::WordRight : TextEdit::Motion::GraphemeRight, extend);
        break;
    case Key::Home:
        m_edit.move(ctrl ? TextEdit::Motion::TextStart : TextEdit::Motion::LineStart, extend);
        break;
    case Key::End:
        m_edit.move(ctrl ? TextEdit::Motion::TextEnd : TextEdit::Motion::LineEnd, extend);
        break;
    case Key::Up:
    case Key::Down:
    case Key::PageUp:
    case Key::PageDown:
        return move_vertically(key.key, extend, ctx.text);
    case Key::Character:
        return handle_shortcut(key, ctx.clipboard);
    default:
        return handle_editing_key(key);
    }
    m_reveal_caret = true;
    return TextInputResponse::Handled;
}

TextInputResponse TextInput::handle_editing_key(KeyDown const& key)
{
    bool const ctrl = key.mods & ModCtrl;
    TextEdit::EraseUnit const unit = ctrl ? TextEdit::EraseUnit::Word : TextEdit::EraseUnit::Grapheme;
    switch (key.key) {
    case Key::Backspace:
        note_edit(m_edit.erase_backward(unit));
        return TextInputResponse::Handled;
    case Key::Delete:
        note_edit(m_edit.erase_forward(unit));
        return TextInputResponse::Handled;
    case Key::Enter:
        if (key.mods & ModShift) {
            note_edit(m_edit.insert("\n", TextEdit::InsertKind::Typed));
            return TextInputResponse::Handled;
        }
        // A held Enter must not send the same message again and again.
        return key.repeat ? TextInputResponse::Handled : TextInputResponse::Submitted;
    case Key::Space:
        // Its text arrives as a TextEntered event.
        return ctrl ? TextInputResponse::Ignored : TextInputResponse::Handled;
    default:
        return TextInputResponse::Ignored;
    }
}

TextInputResponse TextInput::handle_shortcut(KeyDown const& key, Clipboard& clipboard)
{
    // A plain printable key: the text it types arrives as a TextEntered event.
    if (!(key.mods & ModCtrl))
        return TextInputResponse::Handled;
    char32_t const ch = (key.ch >= U'A' && key.ch <= U'Z') ? key.ch - U'A' + U'a' : key.ch;
    switch (ch) {
    case U'a':
        m_edit.select_all();
        break;
    case U'c':
        copy(clipboard);
        break;
    case U'x':
        cut(clipboard);
        break;
    case U'v':
        paste(clipboard);
        break;
    case U'z':
        (key.mods & ModShift) ? redo() : undo();
        break;
    case U'y':
        redo();
        break;
    default:
        return TextInputResponse::Ignored;
    }
    m_reveal_caret = true;
    return TextInputResponse::Handled;
}

TextInputResponse TextInput::move_vertically(Key key, TextEdit::Extend extend, TextRenderer& renderer)
{
    auto const shaped = shape(renderer);
    Rect const caret = renderer.caret_rect(*shaped, display_caret());
    float const x = m_preferred_x.value_or(caret.x);
    float const page = std::max(content_rect().h - caret.h, caret.h);
    // Probe just outside the caret's line, so lines of any height are found.
    float const probe = key == Key::Up ? caret.y - 1
        : key == Key::Down             ? caret.bottom() + 1
        : key == Key::PageUp           ? caret.y + caret.h / 2 - page
                                       : caret.y + caret.h / 2 + page;
    std::size_t target = 0;
    if (probe >= shaped->size().h)
        target = text().size();
    else if (probe >= 0)
        target = from_display(renderer.index_at(*shaped, { std::max(0.f, x), probe }));
    m_edit.set_caret(target, extend);
    m_preferred_x = x;
    m_reveal_caret = true;
    return TextInputResponse::Handled;
}

TextInputResponse TextInput::handle(TextEntered const& entered, EventContext&)
{
    if (!m_focused)
        return TextInputResponse::Ignored;
    m_composition = {};
    note_edit(m_edit.insert(entered.text, TextEdit::InsertKind::Typed));
    return TextInputResponse::Handled;
}

TextInputResponse TextInput::handle(TextComposition const& composition, EventContext&)
{
    if (!m_focused)
        return TextInputResponse::Ignored;
    std::string text = sanitize_editor_text(composition.text);
    std::size_t const cursor = code_point_offset(text, composition.cursor);
    m_composition = { std::move(text), cursor };
    m_reveal_caret = true;
    return TextInputResponse::Handled;
}

TextInputResponse TextInput::handle(FocusChange const& change, EventContext&)
{
    // The window lost the keyboard: a drag cannot finish and the input method drops its preedit.
    if (!change.focused && m_focused) {
        m_dragging = false;
        m_composition = {};
    }
    return TextInputResponse::Ignored;
}

bool TextInput::copy(Clipboard& clipboard) const
{
    std::string_view const selected = m_edit.selected_text();
    if (selected.empty())
        return false;
    clipboard.set_text(selected);
    return true;
}

bool TextInput::cut(Clipboard& clipboard)
{
    if (!copy(clipboard))
        return false;
    note_edit(m_edit.erase_backward(TextEdit::EraseUnit::Grapheme));
    return true;
}

bool TextInput::paste(Clipboard& clipboard)
{
    bool const changed = m_edit.insert(clipboard.text(), TextEdit::InsertKind::Pasted);
    note_edit(changed);
    return changed;
}

bool TextInput::undo()
{
    bool const changed = m_edit.undo();
    note_edit(changed);
    return changed;
}

bool TextInput::redo()
{
    bool const changed = m_edit.redo();
    note_edit(changed);
    return changed;
}

bool TextInput::perform_action(SemanticRequest const& request, Clipboard& clipboard)
{
    switch (request.action) {
    case SemanticAction::Copy:
        return copy(clipboard);
    case SemanticAction::Cut:
        return cut(clipboard);
    case SemanticAction::Paste:
        return paste(clipboard);
    default:
        return perform_action(request);
    }
}

bool TextInput::perform_action(SemanticRequest const& request)
{
    switch (request.action) {
    case SemanticAction::SetText:
        note_edit(m_edit.replace_all(request.text));
        return true;
    case SemanticAction::ReplaceSelection:
        note_edit(m_edit.insert(request.text, TextEdit::InsertKind::Pasted));
        return true;
    case SemanticAction::SelectAll:
        m_edit.select_all();
        return true;
    case SemanticAction::Activate:
    case SemanticAction::Focus:
    case SemanticAction::Copy:
    case SemanticAction::Cut:
    case SemanticAction::Paste:
        return false;
    }
    return false;
}

AccessNode TextInput::accessibility_node(std::string id, std::string label) const
{
    AccessNode node;
    node.id = std::move(id);
    node.role = Role::TextField;
    node.label = std::move(label);
    node.description = text();
    node.rect = m_rect;
    node.focusable = true;
    node.focused = m_focused;
    return node;
}

void TextInput::draw(DrawContext& ctx)
{
    if (m_rect.empty())
        return;
    auto const shaped = shape(ctx.text);
    if (m_reveal_caret)
        reveal_caret(ctx.text);
    else
        clamp_scroll(shaped->size().h);
    Rect const content = content_rect();
    Point const origin { content.x, content.y - m_scroll };
    ctx.scene.push_clip(m_rect);
    if (text().empty() && m_composition.text.empty())
        draw_placeholder(ctx, origin, content.w);
    else
        draw_text(ctx, shaped, origin);
    if (m_focused)
        draw_caret(ctx, *shaped, origin);
    ctx.scene.pop_clip();
}

void TextInput::draw_text(
    DrawContext& ctx, std::shared_ptr<ShapedText const> const& shaped, Point origin) const
{
    auto const range = m_edit.selection();
    if (m_focused && range && m_composition.text.empty()) {
        Color const fill = ctx.theme.accent.with_alpha(selection_alpha);
        for (Rect const& r : ctx.text.selection_rects(*shaped, range->first, range->second))
            ctx.scene.fill_rect(offset(r, origin.x, origin.y), fill);
    }
    ctx.scene.text(shaped, origin, ctx.theme.text);
    if (m_composition.text.empty())
        return;
    Splice const s = splice();
    for (Rect const& r : ctx.text.selection_rects(*shaped, s.at, s.at + s.inserted)) {
        float const y = origin.y + r.bottom() - 1;
        ctx.scene.line({ origin.x + r.x, y }, { origin.x + r.right(), y }, 1, ctx.theme.text);
    }
}

void TextInput::draw_placeholder(DrawContext& ctx, Point origin, float width) const
{
    if (m_placeholder.empty())
        return;
    ctx.scene.text(ctx.text.shape(m_placeholder, layout_style(width)), origin, ctx.theme.text_muted);
}

void TextInput::draw_caret(DrawContext& ctx, ShapedText const& shaped, Point origin) const
{
    Rect const caret = ctx.text.caret_rect(shaped, display_caret());
    ctx.scene.fill_rect({ origin.x + caret.x, origin.y + caret.y, caret_width, caret.h }, ctx.theme.text);
}

} // namespace vrel_ui
