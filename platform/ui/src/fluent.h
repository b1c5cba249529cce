// A parser for the subset of the Fluent localisation syntax the toolkit's catalogs use.
//
// Supported: "#", "##" and "###" comments, blank lines, and simple messages `key = value`
// whose value may continue on following lines indented by spaces. The lines of a multi-line
// value are joined with "\n" after removing their common indent; a value may also start on
// the line after the "=".
//
// Everything else is junk, as Fluent itself treats an entry it cannot parse: the entry is
// skipped and parsing resumes at the next line that starts an identifier or a comment. That
// includes terms ("-brand = ..."), attributes (".title = ..."), and any value holding a
// placeable ("{ $name }", select expressions, escaped braces). Skipping rather than keeping
// their raw text means a caller falls back to another locale or the key itself instead of
// showing syntax to the user.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vrel_ui::fluent {

struct Message {
    std::string id;
    std::string value;
    friend bool operator==(Message const&, Message const&) = default;
};

struct Resource {
    // In source order. An id defined twice keeps its first definition, as a Fluent bundle does.
    std::vector<Message> messages;
    // How many entries were skipped as junk.
    std::size_t junk {};
};

// Parses any bytes: CRLF line ends and a leading byte-order mark are accepted, and invalid
// UTF-8 in a value is replaced by U+FFFD so the text is always safe to shape.
[[nodiscard]] Resource parse(std::string_view source);

} // namespace vrel_ui::fluent
