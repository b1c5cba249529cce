// Splitting UTF-8 text into Unicode scalars, the unit of text positions.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace automerge {

// Each scalar's bytes, in order; nullopt unless `text` is valid UTF-8 (no overlong forms,
// surrogates, or values past U+10FFFF).
[[nodiscard]] std::optional<std::vector<std::string_view>> split_scalars(std::string_view text);

} // namespace automerge
