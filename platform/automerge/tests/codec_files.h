// Test helper: reads the binary fixtures the codec tests decode.
#pragma once

#ifndef FIXTURES_DIR
#    error "codec_files.h needs FIXTURES_DIR (defined for every test program)"
#endif

#include <automerge/change.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace automerge::testing {

inline std::vector<std::uint8_t> read_file(std::filesystem::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

inline std::string read_text(std::filesystem::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

inline std::filesystem::path fixtures_dir() { return FIXTURES_DIR; }

// Documents written by other programs, kept outside the repository.
inline std::filesystem::path perf_dir() { return "/work/shared/data/automerge-perf"; }

// The reference-written files NAME.automerge, sorted by name.
inline std::vector<std::filesystem::path> reference_files()
{
    std::vector<std::filesystem::path> files;
    std::filesystem::path const dir = fixtures_dir() / "reference";
    if (!std::filesystem::is_directory(dir))
        return files;
    for (auto const& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".automerge")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

inline std::string hex(ChangeHash const& hash)
{
    std::string text;
    for (std::uint8_t const byte : hash.bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

// The hex strings of the first JSON array named `key` in `json`, e.g. the "heads" of a dump. A
// deliberately small reader: the fixtures' arrays hold plain hex strings.
inline std::vector<std::string> json_strings(std::string_view json, std::string_view key)
{
    std::vector<std::string> strings;
    std::string const needle = "\"" + std::string(key) + "\"";
    std::size_t at = json.find(needle);
    if (at == std::string_view::npos || (at = json.find('[', at)) == std::string_view::npos)
        return strings;
    ++at;
    std::size_t const end = json.find(']', at);
    while (at < end) {
        std::size_t const open = json.find('"', at);
        if (open == std::string_view::npos || open > end)
            break;
        std::size_t const close = json.find('"', open + 1);
        strings.emplace_back(json.substr(open + 1, close - open - 1));
        at = close + 1;
    }
    return strings;
}

} // namespace automerge::testing
