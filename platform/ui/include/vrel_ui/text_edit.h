// The editing model behind text fields: UTF-8 text with a caret, a selection anchor and undo.
//
// Positions are byte offsets that always sit on grapheme-cluster boundaries, so an emoji ZWJ
// sequence or a letter with its combining marks moves and deletes as one character. The model
// knows nothing of fonts or layout; moving between visual lines belongs to the field that shapes
// the text, which hands the model a byte position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vrel_ui {

// An ordered byte range [first, second).
using ByteRange = std::pair<std::size_t, std::size_t>;

// Makes text fit for the editor: invalid UTF-8 becomes U+FFFD, CR LF and a lone CR become LF,
// and control characters other than tab and LF are dropped.
[[nodiscard]] std::string sanitize_editor_text(std::string_view text);

class TextEdit {
public:
    // Whether a caret move keeps the selection anchor where it is.
    enum class Extend : bool { No, Yes };

    // Caret motions that need no layout. Lines here are logical lines, delimited by "\n".
    enum class Motion : std::uint8_t {
        GraphemeLeft,
        GraphemeRight,
        WordLeft,
        WordRight,
        LineStart,
        LineEnd,
        TextStart,
        TextEnd
    };

    enum class EraseUnit : std::uint8_t { Grapheme, Word };

    // Typed text joins the typed run before it in one undo step; pasted text is a step of its own.
    enum class InsertKind : std::uint8_t { Typed, Pasted };

    TextEdit() = default;
    // Starts with the sanitized text and the caret at its end.
    explicit TextEdit(std::string_view text);

    [[nodiscard]] std::string const& text() const noexcept { return m_text; }
    [[nodiscard]] std::size_t caret() const noexcept { return m_caret; }
    [[nodiscard]] std::size_t anchor() const noexcept { return m_anchor; }
    // The ordered selected range, when the selection is not empty.
    [[nodiscard]] std::optional<ByteRange> selection() const noexcept;
    [[nodiscard]] std::string_view selected_text() const noexcept;

    // The grapheme boundary at or before `byte`, which is clamped to the text first.
    [[nodiscard]] std::size_t snap(std::size_t byte) const noexcept;
    // Where `motion` takes the caret from where it is now, selection aside.
    [[nodiscard]] std::size_t motion_target(Motion motion) const noexcept;

    // Replaces the whole text as a new document: no undo step, history cleared, caret at the end.
    void reset(std::string_view text);

    // Caret placement; positions are clamped and snapped to a grapheme boundary.
    void set_caret(std::size_t byte, Extend extend);
    void set_selection(std::size_t anchor, std::size_t caret);
    // Without Extend, a grapheme move with a selection collapses it to the side moved towards,
    // as desktop editors do.
    void move(Motion motion, Extend extend);
    void select_all();
    // Selects the run of word characters (or spaces, or punctuation) around `byte`.
    void select_word_at(std::size_t byte);
    // Selects the logical line around `byte`, without its "\n".
    void select_line_at(std::size_t byte);

    // Edits replace the selection when there is one and return whether the text changed.
    // Inserting "" erases the selection; text that sanitizes to nothing changes nothing.
    bool insert(std::string_view text, InsertKind kind = InsertKind::Pasted);
    bool erase_backward(EraseUnit unit);
    bool erase_forward(EraseUnit unit);
    // Replaces the whole text as one undoable edit, leaving the caret at the end.
    bool replace_all(std::string_view text);

    bool undo();
    bool redo();
    [[nodiscard]] bool can_undo() const noexcept { return !m_undo.empty(); }
    [[nodiscard]] bool can_redo() const noexcept { return !m_redo.empty(); }

private:
    enum class EditKind : std::uint8_t { None, Typing, EraseBackward, EraseForward, Other };
    enum class CharClass : std::uint8_t { Word, Space, Newline, Other };
    struct Snapshot {
        std::string text;
        std::size_t caret {};
        std::size_t anchor {};
    };

    void replace_range(ByteRange range, std::string_view with, EditKind kind);
    void record_undo(EditKind kind, std::string_view inserted);
    void restore(Snapshot snapshot);
    void adopt_text(std::string text);
    [[nodiscard]] std::size_t snap_forward(std::size_t byte) const noexcept;
    [[nodiscard]] std::size_t previous_boundary(std::size_t byte) const noexcept;
    [[nodiscard]] std::size_t next_boundary(std::size_t byte) const noexcept;
    [[nodiscard]] std::size_t word_left(std::size_t byte) const noexcept;
    [[nodiscard]] std::size_t word_right(std::size_t byte) const noexcept;
    [[nodiscard]] std::size_t line_start(std::size_t byte) const noexcept;
    [[nodiscard]] std::size_t line_end(std::size_t byte) const noexcept;
    [[nodiscard]] CharClass class_at(std::size_t byte) const noexcept;

    std::string m_text;
    // Grapheme boundaries of m_text, ascending, always holding 0 and m_text.size().
    std::vector<std::size_t> m_boundaries { 0 };
    std::size_t m_caret {};
    std::size_t m_anchor {};
    std::vector<Snapshot> m_undo;
    std::vector<Snapshot> m_redo;
    // The last edit and where it left the caret: a typed run or a run of single-grapheme erases
    // joins it in one undo step while the caret has not moved in between.
    EditKind m_last_edit { EditKind::None };
    std::size_t m_last_edit_caret {};
};

} // namespace vrel_ui
