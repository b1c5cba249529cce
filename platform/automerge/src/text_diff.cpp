#include "text_diff.h"

#include "utf8.h"

#include <base/verify.h>

#include <algorithm>

namespace automerge {

std::optional<Splice> smallest_splice(
    std::span<std::string_view const> from, std::span<std::string_view const> to)
{
    std::size_t const shorter = std::min(from.size(), to.size());
    std::size_t prefix = 0;
    while (prefix < shorter && from[prefix] == to[prefix])
        ++prefix;
    if (prefix == from.size() && prefix == to.size())
        return std::nullopt;
    // The suffix may not reach into the prefix: "aa" to "aaa" is an insert at 2, not a double count.
    std::size_t suffix = 0;
    while (suffix < shorter - prefix && from[from.size() - 1 - suffix] == to[to.size() - 1 - suffix])
        ++suffix;
    return Splice {
        .pos = prefix, .del = from.size() - prefix - suffix, .insert_count = to.size() - prefix - suffix
    };
}

std::optional<TextSplice> diff_text(std::string_view from, std::string_view to)
{
    auto const old_scalars = split_scalars(from);
    auto const new_scalars = split_scalars(to);
    VERIFY(old_scalars && new_scalars);
    auto const splice = smallest_splice(*old_scalars, *new_scalars);
    if (!splice)
        return std::nullopt;
    TextSplice result { .pos = splice->pos, .del = splice->del };
    for (std::size_t i = 0; i < splice->insert_count; ++i)
        result.insert += (*new_scalars)[splice->pos + i];
    return result;
}

} // namespace automerge
