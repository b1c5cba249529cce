#include "transaction.h"

#include "actor_remap.h"

namespace automerge {

Change to_change(
    Transaction const& tx, ActorTable const& actors, std::optional<std::string> message, std::int64_t time)
{
    auto const table = change_actors(tx.ops, tx.author, actors);
    Change change {
        .seq = tx.seq,
        .start_op = tx.start_op,
        .time = time,
        .message = std::move(message),
        .deps = tx.deps,
    };
    for (std::uint32_t const actor : table)
        change.actors.push_back(actors[actor]);
    change.ops.reserve(tx.ops.size());
    for (Op const& op : tx.ops)
        change.ops.push_back(to_change_ids(op, table));
    return change;
}

} // namespace automerge
