// The smallest single splice between two sequences: keep their common prefix and common suffix,
// replace what lies between.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace automerge {

// At `pos`, delete `del` units of the old sequence and insert `insert_count` units of the new one
// starting at its index `pos` (the prefix is common, so the new units start there too).
struct Splice {
    std::size_t pos {};
    std::size_t del {};
    std::size_t insert_count {};
    friend bool operator==(Splice, Splice) = default;
};

// nullopt when the sequences are equal.
[[nodiscard]] std::optional<Splice> smallest_splice(
    std::span<std::string_view const> from, std::span<std::string_view const> to);

// The same over UTF-8 text by Unicode scalar, with the inserted text spelled out. Both texts must
// be valid UTF-8.
struct TextSplice {
    std::size_t pos {};
    std::size_t del {};
    std::string insert;
    friend bool operator==(TextSplice const&, TextSplice const&) = default;
};
[[nodiscard]] std::optional<TextSplice> diff_text(std::string_view from, std::string_view to);

} // namespace automerge
