// Document's save and load: the op set and history to and from the codec's chunks.

#include "document_data.h"
#include "document_state.h"

#include <automerge/chunk.h>

namespace automerge {

namespace {

void append(std::vector<std::uint8_t>& out, std::vector<std::uint8_t> const& chunk)
{
    out.insert(out.end(), chunk.begin(), chunk.end());
}

// Every change in the chunks, in file order, or why the bytes are not chunks.
base::Result<std::vector<HashedChange>, LoadError> decode_chunks(
    std::span<std::uint8_t const> bytes, PartialTail tail)
{
    LoadResult loaded = load_chunks(bytes);
    bool const cut_short = loaded.tail == TailState::Incomplete && tail == PartialTail::Ignore;
    if (loaded.tail != TailState::Complete && !cut_short)
        return base::unexpected(LoadError { loaded.error.value_or(CodecError { ErrorCode::Truncated }) });
    std::vector<HashedChange> changes;
    for (LoadedChunk& chunk : loaded.chunks) {
        for (DecodedChange& decoded : chunk.changes)
            changes.push_back(HashedChange { decoded.hash, std::move(decoded.change) });
    }
    return changes;
}

base::Result<void, LoadError> apply_decoded(DocumentState& state, std::vector<HashedChange> changes)
{
    if (auto const applied = apply_all_hashed(state, std::move(changes)); !applied)
        return base::unexpected(LoadError { applied.error() });
    return {};
}

} // namespace

std::vector<std::uint8_t> Document::save()
{
    (void)commit_pending(*m_state, std::nullopt, now_millis());
    // Before the save itself: a listener that appends save_incremental() gets its change.
    report_commits(*m_state);
    std::vector<std::uint8_t> out = encode_document(to_document_data(m_state->ops, m_state->history));
    // Changes still waiting for their deps are not in the op set; keep them as change chunks.
    for (HashedChange const& waiting : m_state->queue.waiting())
        append(out, encode_change(waiting.change));
    m_state->saved_heads = m_state->history.heads();
    return out;
}

std::vector<std::uint8_t> Document::save_incremental()
{
    (void)commit_pending(*m_state, std::nullopt, now_millis());
    report_commits(*m_state);
    std::vector<std::uint8_t> out;
    for (std::size_t const index : m_state->history.since(m_state->saved_heads))
        append(out, encode_change(m_state->history.changes()[index]));
    m_state->saved_heads = m_state->history.heads();
    return out;
}

base::Result<Document, LoadError> Document::load(
    std::span<std::uint8_t const> bytes, CommitMode mode, PartialTail tail)
{
    return load(bytes, random_actor(), mode, tail);
}

base::Result<Document, LoadError> Document::load(
    std::span<std::uint8_t const> bytes, ActorId actor, CommitMode mode, PartialTail tail)
{
    auto changes = TRY(decode_chunks(bytes, tail));
    auto state = std::make_unique<DocumentState>(make_state(std::move(actor), mode));
    TRY(apply_decoded(*state, std::move(changes)));
    state->saved_heads = state->history.heads();
    return Document(std::move(state));
}

base::Result<void, LoadError> Document::load_incremental(
    std::span<std::uint8_t const> bytes, PartialTail tail)
{
    auto changes = TRY(decode_chunks(bytes, tail));
    auto result = apply_decoded(*m_state, std::move(changes));
    report_commits(*m_state);
    return result;
}

} // namespace automerge
