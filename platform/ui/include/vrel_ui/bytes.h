// Human-readable byte counts for file sizes and transfer progress.
#pragma once

#include <cstdint>
#include <string>

namespace vrel_ui {

// "0 B", "1023 B", "1.5 KB", "12 MB": steps of 1024 up to TB, one decimal below 10 and none
// from 10 up. Rounds half up, and a value that rounds to 1024 is shown in the next unit.
[[nodiscard]] std::string bytes(std::uint64_t n);

} // namespace vrel_ui
