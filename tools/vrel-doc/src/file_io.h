// Whole-file reads, and writes that replace a file atomically.
#pragma once

#include <base/result.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vrel_doc {

// The file's bytes, or why they cannot be read (e.g. "No such file or directory").
[[nodiscard]] base::Result<std::vector<std::uint8_t>, std::string> read_file(
    std::filesystem::path const& path);

// Writes a temp file in the same directory, syncs it and renames it over `path`, so a crash
// leaves either the old file or the new one. An existing file's permissions are kept.
[[nodiscard]] base::Result<void, std::string> write_file_atomically(
    std::filesystem::path const& path, std::span<std::uint8_t const> bytes);

} // namespace vrel_doc
