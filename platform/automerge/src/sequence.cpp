#include "sequence.h"

#include <base/verify.h>

#include <algorithm>

namespace automerge {

bool is_visible(Element const& element) noexcept
{
    return std::any_of(element.ops.begin(), element.ops.end(), [](StoredOp const& op) { return is_visible(op); });
}

Element* Sequence::find(OpId id)
{
    auto const it = m_by_id.find(id);
    return it == m_by_id.end() ? nullptr : &m_arena[it->second];
}

Element const* Sequence::find(OpId id) const
{
    auto const it = m_by_id.find(id);
    return it == m_by_id.end() ? nullptr : &m_arena[it->second];
}

std::size_t Sequence::position_of(std::uint32_t slot) const
{
    for (std::size_t const guess : { m_hint, m_hint + 1 }) {
        if (guess < m_order.size() && m_order[guess] == slot)
            return guess;
    }
    auto const it = std::find(m_order.begin(), m_order.end(), slot);
    VERIFY(it != m_order.end());
    return static_cast<std::size_t>(it - m_order.begin());
}

void Sequence::insert(Element element, ActorTable const& actors)
{
    VERIFY(!m_by_id.contains(element.id));
    std::size_t position = 0;
    if (element.origin.counter != 0) {
        auto const origin = m_by_id.find(element.origin);
        VERIFY(origin != m_by_id.end());
        position = position_of(origin->second) + 1;
    }
    while (position < m_order.size() && actors.less(element.id, m_arena[m_order[position]].id))
        ++position;
    auto const slot = static_cast<std::uint32_t>(m_arena.size());
    m_by_id.emplace(element.id, slot);
    m_arena.push_back(std::move(element));
    m_order.insert(m_order.begin() + static_cast<std::ptrdiff_t>(position), slot);
    m_hint = position;
}

void Sequence::erase_last(OpId id)
{
    VERIFY(!m_arena.empty() && m_arena.back().id == id);
    auto const slot = static_cast<std::uint32_t>(m_arena.size() - 1);
    m_order.erase(m_order.begin() + static_cast<std::ptrdiff_t>(position_of(slot)));
    m_by_id.erase(id);
    m_arena.pop_back();
    m_hint = 0;
}

} // namespace automerge
