// The multi-line text field that composers and dialogs embed.
//
// The field is not a Widget of its own: its owner places it with apply_layout_external, forwards
// events to handle_event, decides which field has focus, and paints the field's frame. The field
// paints only what is inside: text or placeholder, selection, caret and input-method preedit.
#pragma once

#include <vrel_ui/accessibility.h>
#include <vrel_ui/event.h>
#include <vrel_ui/geometry.h>
#include <vrel_ui/platform.h>
#include <vrel_ui/text.h>
#include <vrel_ui/text_edit.h>
#include <vrel_ui/widget.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vrel_ui {

enum class TextInputResponse : std::uint8_t {
    Ignored,
    Handled,
    // Enter without Shift: the owner reads text() and sends it.
    Submitted,
};

[[nodiscard]] constexpr EventResponse to_event_response(TextInputResponse response) noexcept
{
    return response == TextInputResponse::Ignored ? EventResponse::Ignored : EventResponse::Handled;
}

class TextInput {
public:
    // A plain editor whose edits stay in this process.
    [[nodiscard]] static TextInput local();
    TextInput() = default;

    // Programmatic replacement (a restored draft, clearing after send): it is not a user edit,
    // so it leaves take_dirty() alone and starts a fresh undo history. Invalid UTF-8 becomes U+FFFD.
    void set_text(std::string_view text);
    [[nodiscard]] std::string const& text() const noexcept { return m_edit.text(); }
    void set_placeholder(std::string placeholder) { m_placeholder = std::move(placeholder); }
    [[nodiscard]] std::string const& placeholder() const noexcept { return m_placeholder; }
    // The text style, 15 px by default; its wrap width is ignored, since the field wraps to its rect.
    void set_style(TextStyle style);
    [[nodiscard]] TextStyle const& style() const noexcept { return m_style; }
    // Space between the rect and the text on every side.
    void set_padding(float padding);
    [[nodiscard]] float padding() const noexcept { return m_padding; }

    // Collapses the selection at `byte`, moved back to a grapheme boundary.
    void set_cursor_pos(std::size_t byte);
    [[nodiscard]] std::size_t cursor_pos() const noexcept { return m_edit.caret(); }
    // Selects from `anchor` to the caret at `caret`, both moved back to grapheme boundaries.
    void set_selection(std::size_t anchor, std::size_t caret);
    // Inserts at the caret, replacing the selection, as the user would (an emoji picker, a
    // mention completion): it counts as a user edit and is undoable.
    void insert_at_cursor(std::string_view text);
    // The ordered byte range of a non-empty selection.
    [[nodiscard]] std::optional<std::pair<std::size_t, std::size_t>> selection_range_public() const noexcept
    {
        return m_edit.selection();
    }
    // The uncommitted input-method text shown at the caret; never part of text().
    [[nodiscard]] std::string const& composition() const noexcept { return m_composition.text; }
    [[nodiscard]] TextEdit const& edit() const noexcept { return m_edit; }

    // The author id that local edits carry once the field edits a shared document.
    void set_local_author(std::string author) { m_local_author = std::move(author); }
    [[nodiscard]] std::string const& local_author() const noexcept { return m_local_author; }
    // True once after the user changed the text: typing, erasing, cutting, pasting, undo,
    // insert_at_cursor and assistive SetText/ReplaceSelection count; set_text does not.
    [[nodiscard]] bool take_dirty() noexcept { return std::exchange(m_dirty, false); }

    // The owner places the field; the rect is in window coordinates.
    void apply_layout_external(Rect rect);
    [[nodiscard]] Rect rect() const noexcept { return m_rect; }
    // The height the field needs to show all its text at `width`, padding included.
    [[nodiscard]] float preferred_height(TextRenderer& renderer, float width) const;
    // How far the text is scrolled up inside the rect, in pixels.
    [[nodiscard]] float scroll_offset() const noexcept { return m_scroll; }

    void draw(DrawContext& ctx);
    // Events other than a primary PointerDown inside the rect are ignored while unfocused.
    TextInputResponse handle_event(Event const& event, EventContext& ctx);

    // With a context, focusing starts the input method at the caret and unfocusing stops it.
    void set_focused(bool focused, EventContext* ctx);
    [[nodiscard]] bool focused() const noexcept { return m_focused; }

    // Assistive-technology requests; Copy, Cut and Paste need the clipboard overload. Focus and
    // Activate return false: focus belongs to the owner, which knows the other fields.
    bool perform_action(SemanticRequest const& request, Clipboard& clipboard);
    bool perform_action(SemanticRequest const& request);
    [[nodiscard]] AccessNode accessibility_node(std::string id, std::string label) const;

    // Clipboard commands; each returns false when there was nothing to do.
    bool copy(Clipboard& clipboard) const;
    bool cut(Clipboard& clipboard);
    bool paste(Clipboard& clipboard);
    bool undo();
    bool redo();

private:
    struct Composition {
        std::string text;
        std::size_t cursor {}; // bytes into text
    };
    // How the shaped text differs from text(): the preedit replaces [at, at + removed).
    struct Splice {
        std::size_t at {};
        std::size_t removed {};
        std::size_t inserted {};
    };

    [[nodiscard]] Rect content_rect() const noexcept;
    [[nodiscard]] TextStyle layout_style(float width) const;
    [[nodiscard]] Splice splice() const noexcept;
    [[nodiscard]] std::size_t to_display(std::size_t byte) const noexcept;
    [[nodiscard]] std::size_t from_display(std::size_t byte) const noexcept;
    [[nodiscard]] std::size_t display_caret() const noexcept;
    [[nodiscard]] std::shared_ptr<ShapedText const> shape(TextRenderer& renderer) const;
    [[nodiscard]] std::size_t index_at_point(TextRenderer& renderer, Point window) const;
    [[nodiscard]] Rect caret_in_window(TextRenderer& renderer) const;

    void note_edit(bool changed);
    void reveal_caret(TextRenderer& renderer);
    void clamp_scroll(float content_height);
    void report_caret(EventContext& ctx);

    TextInputResponse handle(PointerDown const& down, EventContext& ctx);
    TextInputResponse handle(PointerMove const& move, EventContext& ctx);
    TextInputResponse handle(PointerUp const& up, EventContext& ctx);
    TextInputResponse handle(Wheel const& wheel, EventContext& ctx);
    TextInputResponse handle(KeyDown const& key, EventContext& ctx);
    TextInputResponse handle(TextEntered const& entered, EventContext& ctx);
    TextInputResponse handle(TextComposition const& composition, EventContext& ctx);
    TextInputResponse handle(FocusChange const& change, EventContext& ctx);
    template <class Other> TextInputResponse handle(Other const&, EventContext&)
    {
        return TextInputResponse::Ignored;
    }
    TextInputResponse handle_editing_key(KeyDown const& key);
    TextInputResponse handle_shortcut(KeyDown const& key, Clipboard& clipboard);
    TextInputResponse move_vertically(Key key, TextEdit::Extend extend, TextRenderer& renderer);

    void draw_text(DrawContext& ctx, std::shared_ptr<ShapedText const> const& shaped, Point origin) const;
    void draw_placeholder(DrawContext& ctx, Point origin, float width) const;
    void draw_caret(DrawContext& ctx, ShapedText const& shaped, Point origin) const;

    TextEdit m_edit;
    std::string m_placeholder;
    std::string m_local_author;
    TextStyle m_style { .size = 15 };
    float m_padding { 8 };
    Rect m_rect;
    float m_scroll {};
    Composition m_composition;
    // The x a run of Up/Down presses keeps, so the caret returns to its column after a short line.
    std::optional<float> m_preferred_x;
    // The caret rect last handed to the input method, so it is told again only when it moves.
    std::optional<Rect> m_reported_caret;
    bool m_focused {};
    bool m_dirty {};
    bool m_dragging {};
    bool m_reveal_caret {};
};

} // namespace vrel_ui
