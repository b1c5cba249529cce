// Moving op ids between a change's own actor table and the document's.
#pragma once

#include "actor_table.h"

#include <automerge/change.h>
#include <automerge/errors.h>
#include <base/result.h>

#include <span>
#include <vector>

namespace automerge {

// Interns every actor of the change; entry i is the document index of the change's actor i.
[[nodiscard]] std::vector<std::uint32_t> intern_actors(Change const& change, ActorTable& actors);

// Rewrites an op of a change into document ids, failing on an actor index past the change's table.
[[nodiscard]] base::Result<Op, ApplyError> to_document_ids(Op op, std::span<std::uint32_t const> actor_map);

// The actor table for a change by `author` carrying `ops` (in document ids): the author, then every
// other actor the ops mention in byte order.
[[nodiscard]] std::vector<std::uint32_t> change_actors(
    std::span<Op const> ops, std::uint32_t author, ActorTable const& actors);

// Rewrites an op in document ids into ids over `table` (as made by change_actors).
[[nodiscard]] Op to_change_ids(Op op, std::span<std::uint32_t const> table);

} // namespace automerge
