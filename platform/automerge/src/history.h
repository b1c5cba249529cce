// The changes a document has applied, in the order applied (so every change follows its deps),
// with the heads and each author's sequence of changes.
#pragma once

#include "actor_table.h"
#include "op_id_hash.h"

#include <automerge/change.h>

#include <map>
#include <optional>
#include <set>
#include <span>
#include <unordered_map>
#include <vector>

namespace automerge {

class History {
public:
    [[nodiscard]] bool contains(ChangeHash const& hash) const { return m_by_hash.contains(hash); }
    [[nodiscard]] Change const* find(ChangeHash const& hash) const;

    // The author's latest change, if it has any.
    [[nodiscard]] Change const* last_of(ActorId const& actor) const;

    // Records a change whose deps are all recorded.
    void add(Change change, ChangeHash const& hash);

    // The changes no recorded change depends on, sorted.
    [[nodiscard]] std::vector<ChangeHash> heads() const { return { m_heads.begin(), m_heads.end() }; }

    [[nodiscard]] std::span<Change const> changes() const noexcept { return m_changes; }
    [[nodiscard]] std::span<ChangeHash const> hashes() const noexcept { return m_hashes; }

    // The indices of the changes that are not `heads` or their ancestors, in applied order. Hashes
    // this history does not know are ignored.
    [[nodiscard]] std::vector<std::size_t> since(std::span<ChangeHash const> heads) const;

private:
    std::vector<Change> m_changes;
    std::vector<ChangeHash> m_hashes;
    std::unordered_map<ChangeHash, std::size_t, ChangeHashHash> m_by_hash;
    std::map<ActorId, std::size_t, ActorLess> m_last_by_actor;
    std::set<ChangeHash> m_heads;
};

// The highest op counter a change uses; start_op - 1 when it has no ops.
[[nodiscard]] std::uint64_t max_op(Change const& change) noexcept;

} // namespace automerge
