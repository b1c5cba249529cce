#include <vrel_ui/text.h>
#include <vrel_ui/text_edit.h>

#include <glib.h>

#include <algorithm>

namespace vrel_ui {

namespace {

// Long enough for any editing session in a chat field; the oldest steps go first.
constexpr std::size_t undo_limit = 200;
constexpr std::string_view replacement_character = "\xEF\xBF\xBD";

struct Sequence {
    std::size_t length {};
    bool valid {};
};

// Measures the UTF-8 sequence at `i`. An invalid one reports its maximal valid prefix (at least
// one byte), so that each broken sequence becomes a single U+FFFD, as browsers decode.
Sequence scan_sequence(std::string_view s, std::size_t i)
{
    auto const lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80)
        return { 1, true };
    int needed = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 2;
        low = lead == 0xE0 ? 0xA0 : 0x80; // overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // UTF-16 surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // beyond U+10FFFF
    } else {
        return { 1, false };
    }
    std::size_t length = 1;
    for (int k = 0; k < needed; ++k, ++length) {
        if (i + length >= s.size())
            return { length, false };
        auto const c = static_cast<unsigned char>(s[i + length]);
        if (c < low || c > high)
            return { length, false };
        low = 0x80;
        high = 0xBF;
    }
    return { length, true };
}

// C0 and C1 controls other than tab and LF would draw as boxes or confuse the layout.
bool is_dropped_control(std::string_view sequence)
{
    auto const first = static_cast<unsigned char>(sequence[0]);
    if (sequence.size() == 1)
        return (first < 0x20 && first != '\t' && first != '\n') || first == 0x7F;
    return sequence.size() == 2 && first == 0xC2 && static_cast<unsigned char>(sequence[1]) < 0xA0;
}

bool is_space_text(std::string_view text)
{
    return !text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n');
}

} // namespace

std::string sanitize_editor_text(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto const [length, valid] = scan_sequence(text, i);
        std::string_view const sequence = text.substr(i, length);
        i += length;
        if (!valid)
            out += replacement_character;
        else if (sequence == "\r")
            out += (i < text.size() && text[i] == '\n') ? "" : "\n";
        else if (!is_dropped_control(sequence))
            out += sequence;
    }
    return out;
}

TextEdit::TextEdit(std::string_view text) { reset(text); }

std::optional<ByteRange> TextEdit::selection() const noexcept
{
    if (m_caret == m_anchor)
        return std::nullopt;
    return ByteRange { std::min(m_caret, m_anchor), std::max(m_caret, m_anchor) };
}

std::string_view TextEdit::selected_text() const noexcept
{
    auto const range = selection();
    if (!range)
        return {};
    return std::string_view(m_text).substr(range->first, range->second - range->first);
}

std::size_t TextEdit::snap(std::size_t byte) const noexcept
{
    auto const it = std::upper_bound(m_boundaries.begin(), m_boundaries.end(), byte);
    return *std::prev(it);
}

std::size_t TextEdit::snap_forward(std::size_t byte) const noexcept
{
    auto const it = std::lower_bound(m_boundaries.begin(), m_boundaries.end(), byte);
    return it == m_boundaries.end() ? m_text.size() : *it;
}

std::size_t TextEdit::previous_boundary(std::size_t byte) const noexcept
{
    auto const it = std::lower_bound(m_boundaries.begin(), m_boundaries.end(), byte);
    return it == m_boundaries.begin() ? 0 : *std::prev(it);
}

std::size_t TextEdit::next_boundary(std::size_t byte) const noexcept
{
    auto const it = std::upper_bound(m_boundaries.begin(), m_boundaries.end(), byte);
    return it == m_boundaries.end() ? m_text.size() : *it;
}

// Classifies the grapheme starting at `byte` by its base character; emoji count as Other, so
// word motion passes over them like punctuation.
TextEdit::CharClass TextEdit::class_at(std::size_t byte) const noexcept
{
    gunichar const c = g_utf8_get_char(m_text.data() + byte);
    if (c == '\n')
        return CharClass::Newline;
    if (g_unichar_isspace(c))
        return CharClass::Space;
    if (g_unichar_isalnum(c) || g_unichar_ismark(c))
        return CharClass::Word;
    return CharClass::Other;
}

std::size_t TextEdit::word_left(std::size_t byte) const noexcept
{
    while (byte > 0 && class_at(previous_boundary(byte)) != CharClass::Word)
        byte = previous_boundary(byte);
    while (byte > 0 && class_at(previous_boundary(byte)) == CharClass::Word)
        byte = previous_boundary(byte);
    return byte;
}

std::size_t TextEdit::word_right(std::size_t byte) const noexcept
{
    while (byte < m_text.size() && class_at(byte) != CharClass::Word)
        byte = next_boundary(byte);
    while (byte < m_text.size() && class_at(byte) == CharClass::Word)
        byte = next_boundary(byte);
    return byte;
}

std::size_t TextEdit::line_start(std::size_t byte) const noexcept
{
    auto const newline = byte == 0 ? std::string::npos : m_text.rfind('\n', byte - 1);
    return newline == std::string::npos ? 0 : newline + 1;
}

std::size_t TextEdit::line_end(std::size_t byte) const noexcept
{
    auto const newline = m_text.find('\n', byte);
    return newline == std::string::npos ? m_text.size() : newline;
}

std::size_t TextEdit::motion_target(Motion motion) const noexcept
{
    switch (motion) {
    case Motion::GraphemeLeft:
        return previous_boundary(m_caret);
    case Motion::GraphemeRight:
        return next_boundary(m_caret);
    case Motion::WordLeft:
        return word_left(m_caret);
    case Motion::WordRight:
        return word_right(m_caret);
    case Motion::LineStart:
        return line_start(m_caret);
    case Motion::LineEnd:
        return line_end(m_caret);
    case Motion::TextStart:
        return 0;
    case Motion::TextEnd:
        return m_text.size();
    }
    return m_caret;
}

void TextEdit::adopt_text(std::string text)
{
    m_text = std::move(text);
    m_boundaries = grapheme_boundaries(m_text);
    // The model's searches rely on an ascending list that starts at 0 and ends at the size,
    // whatever the segmenter returns for edge cases such as the empty text.
    std::erase_if(m_boundaries, [&](std::size_t b) { return b > m_text.size(); });
    m_boundaries.push_back(0);
    m_boundaries.push_back(m_text.size());
    std::sort(m_boundaries.begin(), m_boundaries.end());
    m_boundaries.erase(std::unique(m_boundaries.begin(), m_boundaries.end()), m_boundaries.end());
}

void TextEdit::reset(std::string_view text)
{
    adopt_text(sanitize_editor_text(text));
    m_caret = m_anchor = m_text.size();
    m_undo.clear();
    m_redo.clear();
    m_last_edit = EditKind::None;
}

void TextEdit::set_caret(std::size_t byte, Extend extend)
{
    m_caret = snap(byte);
    if (extend == Extend::No)
        m_anchor = m_caret;
    m_last_edit = EditKind::None;
}

void TextEdit::set_selection(std::size_t anchor, std::size_t caret)
{
    m_anchor = snap(anchor);
    m_caret = snap(caret);
    m_last_edit = EditKind::None;
}

void TextEdit::move(Motion motion, Extend extend)
{
    auto const range = selection();
    if (range && extend == Extend::No
        && (motion == Motion::GraphemeLeft || motion == Motion::GraphemeRight)) {
        set_caret(motion == Motion::GraphemeLeft ? range->first : range->second, Extend::No);
        return;
    }
    set_caret(motion_target(motion), extend);
}

void TextEdit::select_all() { set_selection(0, m_text.size()); }

void TextEdit::select_word_at(std::size_t byte)
{
    std::size_t at = snap(byte);
    // A click past the end of a line lands on its "\n" (or the text end): take the word before.
    if ((at == m_text.size() || class_at(at) == CharClass::Newline) && at > 0
        && class_at(previous_boundary(at)) != CharClass::Newline)
        at = previous_boundary(at);
    if (at == m_text.size() || class_at(at) == CharClass::Newline) {
        set_caret(at, Extend::No);
        return;
    }
    CharClass const kind = class_at(at);
    std::size_t start = at, end = next_boundary(at);
    while (start > 0 && class_at(previous_boundary(start)) == kind)
        start = previous_boundary(start);
    while (end < m_text.size() && class_at(end) == kind)
        end = next_boundary(end);
    set_selection(start, end);
}

void TextEdit::select_line_at(std::size_t byte)
{
    std::size_t const at = snap(byte);
    set_selection(line_start(at), line_end(at));
}

void TextEdit::record_undo(EditKind kind, std::string_view inserted)
{
    bool const same_run
        = kind == m_last_edit && kind != EditKind::Other && m_caret == m_last_edit_caret && !selection();
    // A space typed after a word starts a new step, so undo takes back one word at a time.
    bool const word_break = kind == EditKind::Typing && is_space_text(inserted)
        && !is_space_text(std::string_view(m_text).substr(previous_boundary(m_caret)));
    if (!same_run || word_break) {
        m_undo.push_back({ m_text, m_caret, m_anchor });
        if (m_undo.size() > undo_limit)
            m_undo.erase(m_undo.begin());
    }
    m_redo.clear();
}

void TextEdit::replace_range(ByteRange range, std::string_view with, EditKind kind)
{
    record_undo(kind, with);
    std::string text = std::move(m_text);
    text.replace(range.first, range.second - range.first, with);
    adopt_text(std::move(text));
    // Inserted text can merge with the grapheme after it (a base letter before a combining
    // mark), so the caret goes to the end of the merged cluster.
    m_caret = m_anchor = snap_forward(range.first + with.size());
    m_last_edit = kind;
    m_last_edit_caret = m_caret;
}

bool TextEdit::insert(std::string_view text, InsertKind kind)
{
    std::string const clean = sanitize_editor_text(text);
    auto const range = selection().value_or(ByteRange { m_caret, m_caret });
    // Only an empty text erases the selection; a stray control key must not.
    if (clean.empty() && (!text.empty() || range.first == range.second))
        return false;
    replace_range(range, clean, kind == InsertKind::Typed ? EditKind::Typing : EditKind::Other);
    return true;
}

bool TextEdit::erase_backward(EraseUnit unit)
{
    if (auto const range = selection()) {
        replace_range(*range, {}, EditKind::Other);
        return true;
    }
    if (m_caret == 0)
        return false;
    bool const grapheme = unit == EraseUnit::Grapheme;
    std::size_t const from = grapheme ? previous_boundary(m_caret) : word_left(m_caret);
    replace_range({ from, m_caret }, {}, grapheme ? EditKind::EraseBackward : EditKind::Other);
    return true;
}

bool TextEdit::erase_forward(EraseUnit unit)
{
    if (auto const range = selection()) {
        replace_range(*range, {}, EditKind::Other);
        return true;
    }
    if (m_caret == m_text.size())
        return false;
    bool const grapheme = unit == EraseUnit::Grapheme;
    std::size_t const to = grapheme ? next_boundary(m_caret) : word_right(m_caret);
    replace_range({ m_caret, to }, {}, grapheme ? EditKind::EraseForward : EditKind::Other);
    return true;
}

bool TextEdit::replace_all(std::string_view text)
{
    std::string const clean = sanitize_editor_text(text);
    if (clean == m_text)
        return false;
    replace_range({ 0, m_text.size() }, clean, EditKind::Other);
    return true;
}

void TextEdit::restore(Snapshot snapshot)
{
    adopt_text(std::move(snapshot.text));
    m_caret = snap(snapshot.caret);
    m_anchor = snap(snapshot.anchor);
    m_last_edit = EditKind::None;
}

bool TextEdit::undo()
{
    if (m_undo.empty())
        return false;
    m_redo.push_back({ m_text, m_caret, m_anchor });
    Snapshot previous = std::move(m_undo.back());
    m_undo.pop_back();
    restore(std::move(previous));
    return true;
}

bool TextEdit::redo()
{
    if (m_redo.empty())
        return false;
    m_undo.push_back({ m_text, m_caret, m_anchor });
    Snapshot next = std::move(m_redo.back());
    m_redo.pop_back();
    restore(std::move(next));
    return true;
}

} // namespace vrel_ui
