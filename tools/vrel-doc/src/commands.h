// The vrel-doc commands, each on already parsed arguments. A command reports failures on `err`
// as one line "vrel-doc: <file>: <problem>" and returns the exit status.
#pragma once

#include <automerge/canonical_json.h>

#include <filesystem>
#include <iosfwd>

namespace vrel_doc {

enum class DumpForm : std::uint8_t {
    Readable, // plain JSON values
    Typed, // the canonical form of tools/automerge-ref/dump.mjs
};

struct DumpOptions {
    DumpForm form { DumpForm::Readable };
    automerge::Conflicts conflicts { automerge::Conflicts::Winner };
};

[[nodiscard]] int dump(
    std::filesystem::path const& file, DumpOptions options, std::ostream& out, std::ostream& err);
[[nodiscard]] int heads(std::filesystem::path const& file, std::ostream& out, std::ostream& err);
[[nodiscard]] int check(std::filesystem::path const& file, std::ostream& out, std::ostream& err);
[[nodiscard]] int merge(std::filesystem::path const& a, std::filesystem::path const& b,
    std::filesystem::path const& output, std::ostream& out, std::ostream& err);
[[nodiscard]] int compact(std::filesystem::path const& file, std::ostream& out, std::ostream& err);

} // namespace vrel_doc
