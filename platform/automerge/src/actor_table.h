// The document-wide actor table: every actor the document has seen, and the Lamport order of op ids.
//
// Op ids inside the op set index this table. Indices are handed out in arrival order and never
// change, so ordering compares a rank kept in step with the actors' bytes.
#pragma once

#include <automerge/change.h>

#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace automerge {

// Actor ids in byte order. A plain loop: GCC 12 at -O3 warns that the library's memcmp-based
// comparison of byte vectors might read past the end of the world.
[[nodiscard]] std::strong_ordering compare_bytes(ActorId const& a, ActorId const& b) noexcept;
struct ActorLess {
    [[nodiscard]] bool operator()(ActorId const& a, ActorId const& b) const noexcept
    {
        return compare_bytes(a, b) < 0;
    }
};

class ActorTable {
public:
    // The index of the actor, adding it if it is new.
    std::uint32_t intern(ActorId const& actor);
    [[nodiscard]] std::optional<std::uint32_t> find(ActorId const& actor) const;
    [[nodiscard]] ActorId const& operator[](std::uint32_t index) const;
    [[nodiscard]] std::size_t size() const noexcept { return m_actors.size(); }

    // Lamport order: counter first, then the actors' bytes.
    [[nodiscard]] std::strong_ordering compare(OpId a, OpId b) const;
    [[nodiscard]] bool less(OpId a, OpId b) const { return compare(a, b) < 0; }

private:
    std::vector<ActorId> m_actors;
    std::vector<std::uint32_t> m_rank; // m_rank[i]: position of actor i in byte order
    std::map<ActorId, std::uint32_t, ActorLess> m_index;
};

} // namespace automerge
