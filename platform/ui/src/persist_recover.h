// What a workspace file's bytes hold: the document, and how much of the file it came from.
//
// Reading touches no file, so every kind of damage can be tested on bytes alone.
#pragma once

#include <automerge/document.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <span>
#include <string>

namespace vrel_ui::persist {

enum class Damage : std::uint8_t {
    None,
    Tail, // valid chunks, then bytes that are cut short, corrupt, or changes that do not apply
    NotAutomerge, // not even the first chunk is valid
};

struct Recovered {
    automerge::Document document { automerge::CommitMode::Auto };
    Damage damage { Damage::None };
    std::size_t kept_bytes {}; // the file up to here is whole chunks whose changes applied
    std::string why; // what is wrong after kept_bytes, when damaged
    std::size_t full_save_bytes {}; // the leading document chunk, 0 when the file starts otherwise
};

// An empty file is an empty document.
[[nodiscard]] Recovered recover(std::span<std::uint8_t const> bytes);

// "<file>.damaged-YYYYMMDDTHHMMSSZ" at UTC `now`, with "-<attempt>" added from the second attempt
// on, so that an earlier copy is never replaced.
[[nodiscard]] std::filesystem::path damaged_name(
    std::filesystem::path const& file, std::time_t now, int attempt);

} // namespace vrel_ui::persist
