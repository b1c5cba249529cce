#include "causal_queue.h"

#include <algorithm>

namespace automerge {

void CausalQueue::push(HashedChange change)
{
    m_hashes.insert(change.hash);
    m_waiting.push_back(std::move(change));
}

std::optional<HashedChange> CausalQueue::take_ready(History const& history)
{
    auto const ready = std::find_if(m_waiting.begin(), m_waiting.end(), [&](HashedChange const& c) {
        return std::all_of(c.change.deps.begin(), c.change.deps.end(),
            [&](ChangeHash const& dep) { return history.contains(dep); });
    });
    if (ready == m_waiting.end())
        return std::nullopt;
    HashedChange taken = std::move(*ready);
    m_waiting.erase(ready);
    m_hashes.erase(taken.hash);
    return taken;
}

std::vector<ChangeHash> CausalQueue::missing_deps(History const& history) const
{
    std::vector<ChangeHash> missing;
    for (HashedChange const& waiting : m_waiting) {
        for (ChangeHash const& dep : waiting.change.deps) {
            if (!history.contains(dep) && !contains(dep))
                missing.push_back(dep);
        }
    }
    std::sort(missing.begin(), missing.end());
    missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
    return missing;
}

} // namespace automerge
