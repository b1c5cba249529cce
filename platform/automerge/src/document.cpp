// Document's lifecycle, transactions and history: thin wrappers over DocumentState.

#include "document_state.h"

#include <base/verify.h>

namespace automerge {

Document::Document(CommitMode mode)
    : Document(random_actor(), mode)
{
}

Document::Document(ActorId actor, CommitMode mode)
    : m_state(std::make_unique<DocumentState>(make_state(std::move(actor), mode)))
{
}

Document::Document(std::unique_ptr<DocumentState> state)
    : m_state(std::move(state))
{
}

Document::~Document() = default;
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;

ActorId const& Document::actor() const { return m_state->actor; }
CommitMode Document::commit_mode() const { return m_state->mode; }

void Document::begin_transaction() { m_state->explicit_tx = true; }
bool Document::in_transaction() const { return m_state->explicit_tx || m_state->tx.has_value(); }
std::size_t Document::pending_ops() const { return m_state->tx ? m_state->tx->ops.size() : 0; }

std::optional<ChangeHash> Document::commit(
    std::optional<std::string> message, std::optional<std::int64_t> time)
{
    auto const hash = commit_pending(*m_state, std::move(message), time.value_or(now_millis()));
    report_commits(*m_state);
    return hash;
}

std::size_t Document::rollback() { return roll_back(*m_state); }

std::vector<ChangeHash> Document::heads() const { return m_state->history.heads(); }

std::vector<Change> Document::get_changes(std::span<ChangeHash const> since) const
{
    std::vector<Change> changes;
    for (std::size_t const index : m_state->history.since(since))
        changes.push_back(m_state->history.changes()[index]);
    return changes;
}

std::vector<Change> Document::get_changes_added(Document const& other) const
{
    std::vector<Change> added;
    auto const theirs = other.m_state->history.changes();
    auto const hashes = other.m_state->history.hashes();
    for (std::size_t i = 0; i < theirs.size(); ++i) {
        if (!m_state->history.contains(hashes[i]))
            added.push_back(theirs[i]);
    }
    return added;
}

std::optional<Change> Document::get_change(ChangeHash const& hash) const
{
    Change const* change = m_state->history.find(hash);
    return change ? std::optional<Change>(*change) : std::nullopt;
}

std::optional<Change> Document::get_last_local_change() const
{
    Change const* change = m_state->history.last_of(m_state->actor);
    return change ? std::optional<Change>(*change) : std::nullopt;
}

std::vector<ChangeHash> Document::missing_deps() const
{
    return m_state->queue.missing_deps(m_state->history);
}

void Document::set_commit_listener(std::function<void()> listener)
{
    m_state->commit_listener = std::move(listener);
    m_state->reported_changes = m_state->history.changes().size();
}

base::Result<void, ApplyError> Document::apply_changes(std::vector<Change> changes)
{
    // The changes applied before a failing one stay, so they are reported either way.
    auto result = apply_all(*m_state, std::move(changes));
    report_commits(*m_state);
    return result;
}

base::Result<void, ApplyError> Document::merge(Document const& other)
{
    auto result = apply_all(*m_state, get_changes_added(other));
    report_commits(*m_state);
    return result;
}

Document Document::fork() const { return fork(random_actor()); }

Document Document::fork(ActorId actor) const
{
    auto state = std::make_unique<DocumentState>(*m_state);
    (void)roll_back(*state);
    state->commit_listener = nullptr;
    state->reporting = false;
    state->actor = std::move(actor);
    state->actor_index = state->ops.actors().intern(state->actor);
    return Document(std::move(state));
}

} // namespace automerge
