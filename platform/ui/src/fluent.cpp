// Line-oriented parsing of the Fluent subset: each step takes the remaining input as a view
// and hands back what it consumed, so no step can run past the end.
#include "fluent.h"

#include "c_handles.h"

#include <glib.h>

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace vrel_ui::fluent {

namespace {

// The first line of `input` without its line end ("\n" or "\r\n").
std::string_view first_line(std::string_view input)
{
    std::string_view line = input.substr(0, input.find('\n'));
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    return line;
}

// `input` after its first line and that line's end.
std::string_view after_first_line(std::string_view input)
{
    std::size_t const end = input.find('\n');
    return end == std::string_view::npos ? std::string_view {} : input.substr(end + 1);
}

bool is_blank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

bool is_identifier_start(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool is_identifier_char(char c)
{
    return is_identifier_start(c) || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

// One to three '#', then a space or the end of the line.
bool is_comment(std::string_view line)
{
    std::size_t const hashes = std::min(line.find_first_not_of('#'), line.size());
    return hashes >= 1 && hashes <= 3 && (hashes == line.size() || line[hashes] == ' ');
}

bool starts_entry(std::string_view line)
{
    return !line.empty() && (is_identifier_start(line.front()) || line.front() == '#');
}

// Skips the rest of a junk entry: every line up to the next one that starts an entry.
std::string_view skip_junk(std::string_view input)
{
    while (!input.empty() && !starts_entry(first_line(input)))
        input = after_first_line(input);
    return input;
}

// The lines of a value: the text after "=" and the indented lines that continue it.
struct ValueLines {
    std::string_view inline_text;
    std::vector<std::string_view> block; // continuation lines with their indent; "" for blanks
};

// Collects continuation lines after a message's first line. None when a line holds syntax
// outside the subset (an attribute or a variant).
std::optional<ValueLines> collect_block(std::string_view inline_text, std::string_view& input)
{
    ValueLines lines { inline_text, {} };
    std::size_t kept = 0; // block lines up to the last non-blank one
    while (!input.empty()) {
        std::string_view const line = first_line(input);
        if (is_blank(line)) {
            lines.block.push_back({});
        } else if (line.front() == ' ') {
            char const first = line[line.find_first_not_of(' ')];
            if (first == '.' || first == '[' || first == '*' || first == '}')
                return std::nullopt;
            lines.block.push_back(line);
            kept = lines.block.size();
        } else {
            break;
        }
        input = after_first_line(input);
    }
    // Blank lines after the value belong to no one; they are not part of it.
    lines.block.resize(kept);
    return lines;
}

// The value text: common indent removed from the block, lines joined with "\n", leading blank
// lines and trailing spaces dropped.
std::string join_value(ValueLines const& lines)
{
    std::size_t indent = std::string_view::npos;
    for (std::string_view const line : lines.block) {
        if (!line.empty())
            indent = std::min(indent, line.find_first_not_of(' '));
    }
    std::string value(lines.inline_text);
    bool started = !value.empty();
    for (std::string_view const line : lines.block) {
        if (!started && line.empty())
            continue;
        if (started)
            value += '\n';
        value += line.empty() ? line : line.substr(indent);
        started = true;
    }
    value.erase(value.find_last_not_of(" \t") + 1);
    return value;
}

// Invalid UTF-8 becomes U+FFFD, so a damaged catalog still yields text Pango accepts.
std::string repair_utf8(std::string_view text)
{
    if (g_utf8_validate_len(text.data(), text.size(), nullptr))
        return std::string(text);
    GMemoryPtr const valid { g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())) };
    return std::string(static_cast<char const*>(valid.get()));
}

// Parses `input` as a message; advances `input` past it, or past its junk on failure.
std::optional<Message> parse_message(std::string_view& input)
{
    std::string_view const line = first_line(input);
    std::size_t const id_end = std::find_if_not(line.begin(), line.end(), is_identifier_char) - line.begin();
    std::size_t const equals = line.find_first_not_of(' ', id_end);
    input = after_first_line(input);
    if (equals == std::string_view::npos || line[equals] != '=') {
        input = skip_junk(input);
        return std::nullopt;
    }
    std::string_view inline_text = line.substr(equals + 1);
    inline_text.remove_prefix(std::min(inline_text.find_first_not_of(' '), inline_text.size()));
    auto const lines = collect_block(inline_text, input);
    if (!lines) {
        input = skip_junk(input);
        return std::nullopt;
    }
    std::string const value = join_value(*lines);
    if (value.empty() || value.find_first_of("{}") != std::string::npos)
        return std::nullopt;
    return Message { std::string(line.substr(0, id_end)), repair_utf8(value) };
}

} // namespace

Resource parse(std::string_view source)
{
    if (source.starts_with("\xEF\xBB\xBF"))
        source.remove_prefix(3);
    Resource resource;
    std::unordered_set<std::string> seen;
    while (!source.empty()) {
        std::string_view const line = first_line(source);
        if (is_blank(line) || is_comment(line)) {
            source = after_first_line(source);
        } else if (is_identifier_start(line.front())) {
            if (auto message = parse_message(source)) {
                if (seen.insert(message->id).second)
                    resource.messages.push_back(std::move(*message));
            } else {
                ++resource.junk;
            }
        } else {
            ++resource.junk;
            source = skip_junk(after_first_line(source));
        }
    }
    return resource;
}

} // namespace vrel_ui::fluent
