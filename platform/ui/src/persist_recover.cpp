// Loading a workspace file that may end in a cut-short append, garbage, or changes that do not fit.
#include "persist_recover.h"

#include <automerge/byte_reader.h>
#include <automerge/chunk.h>
#include <automerge/leb128.h>

#include <array>
#include <variant>

namespace vrel_ui::persist {

namespace {

// The size of the document chunk the file starts with: magic, checksum, type 0, LEB128 length.
std::size_t leading_document_size(std::span<std::uint8_t const> bytes)
{
    constexpr std::array<std::uint8_t, 4> magic { 0x85, 0x6f, 0x4a, 0x83 };
    constexpr std::size_t type_at = 8;
    if (bytes.size() <= type_at || !std::equal(magic.begin(), magic.end(), bytes.begin())
        || bytes[type_at] != std::uint8_t(automerge::ChunkType::Document))
        return 0;
    automerge::ByteReader in { bytes.subspan(type_at + 1) };
    auto const length = automerge::decode_uleb128(in);
    if (!length || *length > in.remaining())
        return 0;
    return type_at + 1 + in.position() + std::size_t(*length);
}

// Applies chunk by chunk, stopping at the first whose changes do not fit.
Recovered recover_prefix(automerge::LoadResult loaded)
{
    Recovered result;
    result.damage = Damage::Tail;
    result.why = loaded.error ? automerge::to_string(*loaded.error) : std::string();
    for (automerge::LoadedChunk& chunk : loaded.chunks) {
        std::vector<automerge::Change> changes;
        changes.reserve(chunk.changes.size());
        for (automerge::DecodedChange& decoded : chunk.changes)
            changes.push_back(std::move(decoded.change));
        if (auto const applied = result.document.apply_changes(std::move(changes)); !applied) {
            result.why = automerge::to_string(automerge::LoadError { applied.error() });
            return result;
        }
        result.kept_bytes = chunk.offset + chunk.size;
    }
    return result;
}

} // namespace

Recovered recover(std::span<std::uint8_t const> bytes)
{
    if (bytes.empty())
        return {};
    // The usual case, a whole file, decodes once.
    if (auto loaded = automerge::Document::load(bytes); loaded) {
        return { .document = std::move(loaded).value(),
            .kept_bytes = bytes.size(),
            .full_save_bytes = leading_document_size(bytes) };
    }
    automerge::LoadResult chunks = automerge::load_chunks(bytes);
    if (chunks.valid_bytes == 0) {
        Recovered result;
        result.damage = Damage::NotAutomerge;
        result.why = chunks.error ? automerge::to_string(*chunks.error) : "no chunk";
        return result;
    }
    Recovered result = recover_prefix(std::move(chunks));
    result.full_save_bytes = std::min(leading_document_size(bytes), result.kept_bytes);
    if (result.kept_bytes == bytes.size())
        result.damage = Damage::None;
    return result;
}

std::filesystem::path damaged_name(std::filesystem::path const& file, std::time_t now, int attempt)
{
    std::tm utc {};
    gmtime_r(&now, &utc);
    std::array<char, 32> stamp {};
    std::size_t const length = std::strftime(stamp.data(), stamp.size(), "%Y%m%dT%H%M%SZ", &utc);
    std::string name = file.string() + ".damaged-" + std::string(stamp.data(), length);
    if (attempt > 1)
        name += "-" + std::to_string(attempt);
    return name;
}

} // namespace vrel_ui::persist
