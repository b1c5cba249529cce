// Changes that arrived before their deps, held until the deps are applied.
#pragma once

#include "history.h"

#include <automerge/change.h>

#include <deque>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

namespace automerge {

struct HashedChange {
    ChangeHash hash;
    Change change;
};

class CausalQueue {
public:
    [[nodiscard]] bool contains(ChangeHash const& hash) const { return m_hashes.contains(hash); }
    void push(HashedChange change);

    // Removes and returns a waiting change whose deps are all in `history`.
    [[nodiscard]] std::optional<HashedChange> take_ready(History const& history);

    // The deps of waiting changes that are neither in `history` nor waiting themselves, sorted.
    [[nodiscard]] std::vector<ChangeHash> missing_deps(History const& history) const;

    [[nodiscard]] std::deque<HashedChange> const& waiting() const noexcept { return m_waiting; }

private:
    // In arrival order. Changes mostly arrive deps first, so the front is usually the one ready.
    std::deque<HashedChange> m_waiting;
    std::unordered_set<ChangeHash, ChangeHashHash> m_hashes;
};

} // namespace automerge
