#include "actor_table.h"

#include <base/verify.h>

#include <algorithm>

namespace automerge {

std::strong_ordering compare_bytes(ActorId const& a, ActorId const& b) noexcept
{
    std::size_t const common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (a[i] != b[i])
            return a[i] <=> b[i];
    }
    return a.size() <=> b.size();
}

std::uint32_t ActorTable::intern(ActorId const& actor)
{
    auto const [it, added] = m_index.try_emplace(actor, static_cast<std::uint32_t>(m_actors.size()));
    if (!added)
        return it->second;
    m_actors.push_back(actor);
    // New actors are rare (one per collaborator), so recomputing every rank is cheap enough.
    m_rank.resize(m_actors.size());
    std::uint32_t rank = 0;
    for (auto const& [bytes, index] : m_index)
        m_rank[index] = rank++;
    return it->second;
}

std::optional<std::uint32_t> ActorTable::find(ActorId const& actor) const
{
    auto const it = m_index.find(actor);
    if (it == m_index.end())
        return std::nullopt;
    return it->second;
}

ActorId const& ActorTable::operator[](std::uint32_t index) const
{
    VERIFY(index < m_actors.size());
    return m_actors[index];
}

std::strong_ordering ActorTable::compare(OpId a, OpId b) const
{
    if (a.counter != b.counter)
        return a.counter <=> b.counter;
    if (a.actor == b.actor || a.counter == 0)
        return std::strong_ordering::equal;
    VERIFY(a.actor < m_rank.size() && b.actor < m_rank.size());
    return m_rank[a.actor] <=> m_rank[b.actor];
}

} // namespace automerge
