// Everything a Document holds, and the steps its methods are built from.
#pragma once

#include "causal_queue.h"
#include "history.h"
#include "op_set.h"
#include "transaction.h"

#include <automerge/document.h>

#include <functional>
#include <optional>

namespace automerge {

struct DocumentState {
    ActorId actor;
    std::uint32_t actor_index {};
    CommitMode mode { CommitMode::Auto };
    OpSet ops;
    History history;
    CausalQueue queue;
    std::optional<Transaction> tx;
    bool explicit_tx {}; // begin_transaction() was called (Auto mode)
    std::uint64_t max_op {}; // the greatest op counter applied so far
    std::vector<ChangeHash> saved_heads; // the heads at the last save or load
    std::function<void()> commit_listener;
    std::size_t reported_changes {}; // history size when the listener was last called
    bool reporting {}; // the listener is running
};

[[nodiscard]] DocumentState make_state(ActorId actor, CommitMode mode);

// Applies a local op (in document ids) to the pending change, opening it if needed.
OpId add_local_op(DocumentState& state, Op op);
// In Auto mode, commits what a write left pending unless a transaction was opened explicitly.
void finish_write(DocumentState& state);
std::optional<ChangeHash> commit_pending(
    DocumentState& state, std::optional<std::string> message, std::int64_t time);
std::size_t roll_back(DocumentState& state);
// Calls the commit listener if the history grew since it was last called. Public operations call
// this last, once the state is whole again.
void report_commits(DocumentState& state);

// Applies one change whose deps are all in the history.
[[nodiscard]] base::Result<void, ApplyError> apply_change(DocumentState& state, HashedChange change);
[[nodiscard]] base::Result<void, ApplyError> apply_all(DocumentState& state, std::vector<Change> changes);
// The same for changes whose hashes are already known (from the bytes they were decoded from).
[[nodiscard]] base::Result<void, ApplyError> apply_all_hashed(
    DocumentState& state, std::vector<HashedChange> changes);

[[nodiscard]] std::int64_t now_millis();

} // namespace automerge
