#include "history.h"

#include <base/verify.h>

namespace automerge {

std::uint64_t max_op(Change const& change) noexcept { return change.start_op + change.ops.size() - 1; }

Change const* History::find(ChangeHash const& hash) const
{
    auto const it = m_by_hash.find(hash);
    return it == m_by_hash.end() ? nullptr : &m_changes[it->second];
}

Change const* History::last_of(ActorId const& actor) const
{
    auto const it = m_last_by_actor.find(actor);
    return it == m_last_by_actor.end() ? nullptr : &m_changes[it->second];
}

void History::add(Change change, ChangeHash const& hash)
{
    VERIFY(!change.actors.empty());
    for (ChangeHash const& dep : change.deps) {
        VERIFY(contains(dep));
        m_heads.erase(dep);
    }
    m_heads.insert(hash);
    std::size_t const index = m_changes.size();
    m_by_hash.emplace(hash, index);
    m_last_by_actor[change.actors.front()] = index;
    m_hashes.push_back(hash);
    m_changes.push_back(std::move(change));
}

std::vector<std::size_t> History::since(std::span<ChangeHash const> heads) const
{
    std::vector<bool> known(m_changes.size(), false);
    std::vector<std::size_t> stack;
    for (ChangeHash const& head : heads) {
        if (auto const it = m_by_hash.find(head); it != m_by_hash.end())
            stack.push_back(it->second);
    }
    while (!stack.empty()) {
        std::size_t const index = stack.back();
        stack.pop_back();
        if (known[index])
            continue;
        known[index] = true;
        for (ChangeHash const& dep : m_changes[index].deps)
            stack.push_back(m_by_hash.at(dep));
    }
    std::vector<std::size_t> missing;
    for (std::size_t index = 0; index < m_changes.size(); ++index) {
        if (!known[index])
            missing.push_back(index);
    }
    return missing;
}

} // namespace automerge
