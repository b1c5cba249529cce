// The pending change: local ops applied to the op set but not yet committed to history.
#pragma once

#include "actor_table.h"

#include <automerge/change.h>

#include <optional>
#include <string>
#include <vector>

namespace automerge {

struct Transaction {
    std::uint32_t author {}; // the local actor's index in the document's table
    std::uint64_t seq {};
    std::uint64_t start_op {};
    std::vector<ChangeHash> deps;
    std::vector<Op> ops; // in document ids; op i has id (start_op + i, author)

    [[nodiscard]] OpId next_id() const noexcept { return { start_op + ops.size(), author }; }
};

// The committed form of the transaction, with ids over its own actor table.
[[nodiscard]] Change to_change(
    Transaction const& tx, ActorTable const& actors, std::optional<std::string> message, std::int64_t time);

} // namespace automerge
