// The five vrel-doc commands over the automerge engine.

#include "commands.h"

#include "file_io.h"
#include "readable_json.h"

#include <automerge/chunk.h>

#include <optional>
#include <ostream>
#include <set>

namespace vrel_doc {

namespace {

using automerge::Document;

std::string_view describe(automerge::ChunkType type)
{
    switch (type) {
    case automerge::ChunkType::Document:
        return "document";
    case automerge::ChunkType::Change:
        return "change";
    case automerge::ChunkType::Compressed:
        return "compressed change";
    }
    return "unknown";
}

void fail(std::ostream& err, std::filesystem::path const& file, std::string_view problem)
{
    err << "vrel-doc: " << file.string() << ": " << problem << "\n";
}

std::optional<std::vector<std::uint8_t>> read_input(std::filesystem::path const& file, std::ostream& err)
{
    auto bytes = read_file(file);
    if (!bytes) {
        fail(err, file, bytes.error());
        return std::nullopt;
    }
    return std::move(bytes).value();
}

std::optional<Document> load_input(std::filesystem::path const& file, std::ostream& err)
{
    auto const bytes = read_input(file, err);
    if (!bytes)
        return std::nullopt;
    auto loaded = Document::load(*bytes);
    if (!loaded) {
        fail(err, file,
            "not a whole Automerge file: " + automerge::to_string(loaded.error()) + " (vrel-doc check "
                + file.string() + " shows what is recoverable)");
        return std::nullopt;
    }
    return std::move(loaded).value();
}

void print_heads(Document const& doc, std::ostream& out)
{
    for (automerge::ChangeHash const& head : doc.heads())
        out << automerge::to_hex(head.bytes) << "\n";
}

// Saves the document over `output` once the saved bytes are known to load back to the same
// heads: a rewrite in place must never lose history. The size written, or nothing on failure.
std::optional<std::size_t> save_checked(Document& doc, std::filesystem::path const& output, std::ostream& err)
{
    std::vector<std::uint8_t> const bytes = doc.save();
    auto const again = Document::load(bytes);
    if (!again || again->heads() != doc.heads()) {
        fail(err, output, "the saved document does not load back the same; nothing written");
        return std::nullopt;
    }
    if (auto written = write_file_atomically(output, bytes); !written) {
        fail(err, output, written.error());
        return std::nullopt;
    }
    return bytes.size();
}

} // namespace

int dump(std::filesystem::path const& file, DumpOptions options, std::ostream& out, std::ostream& err)
{
    auto const doc = load_input(file, err);
    if (!doc)
        return 1;
    // Both dumps recurse once per level, and a crafted file can nest deep enough to overflow the
    // stack; no real document comes near this.
    constexpr std::size_t max_depth = 1000;
    if (automerge::nesting_depth(*doc) > max_depth) {
        fail(err, file, "objects nest more than " + std::to_string(max_depth) + " levels deep; not dumped");
        return 1;
    }
    if (options.form == DumpForm::Typed)
        out << automerge::canonical_json(*doc, options.conflicts) << "\n";
    else
        out << readable_json(*doc, options.conflicts);
    return 0;
}

int heads(std::filesystem::path const& file, std::ostream& out, std::ostream& err)
{
    auto const doc = load_input(file, err);
    if (!doc)
        return 1;
    print_heads(*doc, out);
    return 0;
}

int check(std::filesystem::path const& file, std::ostream& out, std::ostream& err)
{
    auto const bytes = read_input(file, err);
    if (!bytes)
        return 1;
    automerge::LoadResult const result = automerge::load_chunks(*bytes);
    std::set<automerge::ChangeHash> distinct;
    for (automerge::LoadedChunk const& chunk : result.chunks) {
        out << "chunk at " << chunk.offset << ": " << describe(chunk.type) << ", " << chunk.size << " bytes, "
            << chunk.changes.size() << (chunk.changes.size() == 1 ? " change\n" : " changes\n");
        for (automerge::DecodedChange const& change : chunk.changes)
            distinct.insert(change.hash);
    }
    out << "valid: " << result.valid_bytes << " of " << bytes->size() << " bytes\n";
    std::string const problem = result.error ? automerge::to_string(*result.error) : "";
    switch (result.tail) {
    case automerge::TailState::Complete:
        out << "tail: complete\n";
        break;
    case automerge::TailState::Incomplete:
        out << "tail: incomplete chunk at byte " << result.valid_bytes << ": " << problem << "\n";
        break;
    case automerge::TailState::Damaged:
        out << "tail: damaged at byte " << result.valid_bytes << ": " << problem << "\n";
        break;
    }
    out << "changes: " << distinct.size() << "\n";

    // What a load of the whole chunks gives: their changes still have to fit together.
    auto const recovered = Document::load(std::span(*bytes).first(result.valid_bytes));
    if (!recovered) {
        out << "load: fails: " << automerge::to_string(recovered.error()) << "\n";
        fail(err, file, "the changes do not load: " + automerge::to_string(recovered.error()));
        return 1;
    }
    out << "heads:";
    for (automerge::ChangeHash const& head : recovered->heads())
        out << " " << automerge::to_hex(head.bytes);
    out << "\n";
    if (auto const missing = recovered->missing_deps(); !missing.empty())
        out << "missing dependencies: " << missing.size() << " (changes that need them are not applied)\n";
    if (result.tail != automerge::TailState::Complete) {
        fail(err, file,
            std::string(result.tail == automerge::TailState::Damaged ? "damaged" : "incomplete") + " at byte "
                + std::to_string(result.valid_bytes) + ": " + problem);
        return 1;
    }
    return 0;
}

int merge(std::filesystem::path const& a, std::filesystem::path const& b, std::filesystem::path const& output,
    std::ostream& out, std::ostream& err)
{
    auto doc = load_input(a, err);
    if (!doc)
        return 1;
    auto const other = load_input(b, err);
    if (!other)
        return 1;
    if (auto merged = doc->merge(*other); !merged) {
        fail(err, b, "does not merge into " + a.string() + ": " + automerge::to_string(merged.error()));
        return 1;
    }
    if (!save_checked(*doc, output, err))
        return 1;
    print_heads(*doc, out);
    return 0;
}

int compact(std::filesystem::path const& file, std::ostream& out, std::ostream& err)
{
    auto const bytes = read_input(file, err);
    if (!bytes)
        return 1;
    // Only a whole file is rewritten: compacting what loads of a damaged one would drop the rest.
    auto doc = Document::load(*bytes);
    if (!doc) {
        fail(err, file,
            "damaged, not compacted: " + automerge::to_string(doc.error()) + " (run vrel-doc check "
                + file.string() + ")");
        return 1;
    }
    auto const written = save_checked(*doc, file, err);
    if (!written)
        return 1;
    out << file.string() << ": " << bytes->size() << " -> " << *written << " bytes\n";
    return 0;
}

} // namespace vrel_doc
