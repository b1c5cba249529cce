// How a document's history grows: local transactions committed, remote changes applied.

#include "actor_remap.h"
#include "document_state.h"

#include <automerge/chunk.h>

#include <base/verify.h>

#include <algorithm>
#include <chrono>
#include <random>

namespace automerge {

ActorId random_actor()
{
    std::random_device device;
    ActorId actor(16);
    for (std::size_t i = 0; i < actor.size(); i += 4) {
        auto const word = device();
        for (std::size_t j = 0; j < 4; ++j)
            actor[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
    }
    return actor;
}

std::int64_t now_millis()
{
    auto const since_epoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count();
}

DocumentState make_state(ActorId actor, CommitMode mode)
{
    DocumentState state { .actor = std::move(actor), .mode = mode };
    state.actor_index = state.ops.actors().intern(state.actor);
    return state;
}

OpId add_local_op(DocumentState& state, Op op)
{
    if (!state.tx) {
        Change const* last = state.history.last_of(state.actor);
        std::vector<ChangeHash> deps = state.history.heads();
        if (last) {
            // The reference names the author's previous change among the deps even when a merged
            // change already descends from it; the same edit must hash the same in both.
            ChangeHash const& previous
                = state.history.hashes()[std::size_t(last - state.history.changes().data())];
            if (!std::binary_search(deps.begin(), deps.end(), previous))
                deps.insert(std::upper_bound(deps.begin(), deps.end(), previous), previous);
        }
        state.tx = Transaction {
            .author = state.actor_index,
            .seq = last ? last->seq + 1 : 1,
            .start_op = state.max_op + 1,
            .deps = std::move(deps),
        };
    }
    OpId const id = state.tx->next_id();
    auto const applied = state.ops.apply(id, op);
    // Local ops are built from the current state, so only a bug makes one not fit.
    VERIFY(applied.has_value());
    state.tx->ops.push_back(std::move(op));
    return id;
}

void finish_write(DocumentState& state)
{
    if (state.mode == CommitMode::Auto && !state.explicit_tx)
        (void)commit_pending(state, std::nullopt, now_millis());
}

std::optional<ChangeHash> commit_pending(
    DocumentState& state, std::optional<std::string> message, std::int64_t time)
{
    state.explicit_tx = false;
    if (!state.tx)
        return std::nullopt;
    Transaction tx = std::move(*state.tx);
    state.tx.reset();
    if (tx.ops.empty())
        return std::nullopt;
    // The binary format cannot tell an empty message from none, so neither can we.
    if (message && message->empty())
        message.reset();
    Change change = to_change(tx, state.ops.actors(), std::move(message), time);
    ChangeHash const hash = change_hash(change);
    state.max_op = max_op(change);
    state.history.add(std::move(change), hash);
    return hash;
}

std::size_t roll_back(DocumentState& state)
{
    state.explicit_tx = false;
    if (!state.tx)
        return 0;
    Transaction const& tx = *state.tx;
    for (std::size_t i = tx.ops.size(); i-- > 0;)
        state.ops.undo(OpId { tx.start_op + i, tx.author }, tx.ops[i]);
    std::size_t const dropped = tx.ops.size();
    state.tx.reset();
    return dropped;
}

void report_commits(DocumentState& state)
{
    // A listener that writes comes back here; the loop of the call already running reports those.
    if (!state.commit_listener || state.reporting)
        return;
    state.reporting = true;
    while (state.commit_listener && state.reported_changes != state.history.changes().size()) {
        state.reported_changes = state.history.changes().size();
        // A copy, so that a listener which replaces itself is not destroyed while it runs.
        auto const listener = state.commit_listener;
        listener();
    }
    state.reporting = false;
}

namespace {

base::Result<void, ApplyError> check_sequence(History const& history, Change const& change)
{
    if (change.actors.empty() || change.start_op == 0)
        return base::unexpected(ApplyError::MalformedChange);
    Change const* previous = history.last_of(change.actors.front());
    if (change.seq != (previous ? previous->seq + 1 : 1))
        return base::unexpected(ApplyError::SeqOutOfOrder);
    if (previous && change.start_op <= max_op(*previous))
        return base::unexpected(ApplyError::OpIdReused);
    return {};
}

// Applies the ops of a change, or none of them.
base::Result<void, ApplyError> apply_ops(
    OpSet& ops, Change const& change, std::span<std::uint32_t const> actor_map)
{
    std::vector<Op> applied;
    applied.reserve(change.ops.size());
    auto undo_all = [&] {
        for (std::size_t i = applied.size(); i-- > 0;)
            ops.undo(OpId { change.start_op + i, actor_map[0] }, applied[i]);
    };
    for (std::size_t i = 0; i < change.ops.size(); ++i) {
        auto op = to_document_ids(change.ops[i], actor_map);
        if (!op) {
            undo_all();
            return base::unexpected(op.error());
        }
        if (auto const result = ops.apply(OpId { change.start_op + i, actor_map[0] }, *op); !result) {
            undo_all();
            return base::unexpected(result.error());
        }
        applied.push_back(std::move(*op));
    }
    return {};
}

} // namespace

base::Result<void, ApplyError> apply_change(DocumentState& state, HashedChange change)
{
    TRY(check_sequence(state.history, change.change));
    auto const actor_map = intern_actors(change.change, state.ops.actors());
    TRY(apply_ops(state.ops, change.change, actor_map));
    state.max_op = std::max(state.max_op, max_op(change.change));
    state.history.add(std::move(change.change), change.hash);
    return {};
}

base::Result<void, ApplyError> apply_all(DocumentState& state, std::vector<Change> changes)
{
    std::vector<HashedChange> hashed;
    hashed.reserve(changes.size());
    for (Change& change : changes) {
        // A change without an author has no encoding, so no hash to queue it by.
        if (change.actors.empty())
            return base::unexpected(ApplyError::MalformedChange);
        ChangeHash const hash = change_hash(change);
        hashed.push_back(HashedChange { hash, std::move(change) });
    }
    return apply_all_hashed(state, std::move(hashed));
}

base::Result<void, ApplyError> apply_all_hashed(DocumentState& state, std::vector<HashedChange> changes)
{
    (void)commit_pending(state, std::nullopt, now_millis());
    for (HashedChange& change : changes) {
        if (!state.history.contains(change.hash) && !state.queue.contains(change.hash))
            state.queue.push(std::move(change));
    }
    // A bad change is dropped and the rest still applied: stopping would leave ready changes in
    // the queue, which save() writes out and a load of that file then trips over.
    std::optional<ApplyError> first_error;
    while (auto ready = state.queue.take_ready(state.history)) {
        if (auto applied = apply_change(state, std::move(*ready)); !applied && !first_error)
            first_error = applied.error();
    }
    if (first_error)
        return base::unexpected(*first_error);
    return {};
}

} // namespace automerge
