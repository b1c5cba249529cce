#include "sequence.h"

#include <base/verify.h>

#include <algorithm>

namespace automerge {

namespace {

// Blocks split in half when they pass this, so they hold between a half and all of it.
constexpr std::size_t max_block = 512;

} // namespace

bool is_visible(Element const& element) noexcept
{
    return std::any_of(
        element.ops.begin(), element.ops.end(), [](StoredOp const& op) { return is_visible(op); });
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

Sequence::Cursor Sequence::after(std::uint32_t slot) const
{
    std::uint32_t const block = m_block_of[slot];
    auto const& slots = m_blocks[block].slots;
    auto const it = std::find(slots.begin(), slots.end(), slot);
    VERIFY(it != slots.end());
    return Cursor { m_rank_of[block], static_cast<std::size_t>(it - slots.begin()) + 1 };
}

// The element just after the cursor, moving the cursor onto it (so the element's place is where
// the cursor was); null at the end.
Element const* Sequence::next_element(Cursor& cursor) const
{
    while (cursor.rank < m_order.size() && cursor.offset == m_blocks[m_order[cursor.rank]].slots.size()) {
        if (cursor.rank + 1 == m_order.size())
            return nullptr;
        cursor = Cursor { cursor.rank + 1, 0 };
    }
    if (cursor.rank >= m_order.size())
        return nullptr;
    return &m_arena[m_blocks[m_order[cursor.rank]].slots[cursor.offset]];
}

void Sequence::insert(Element element, ActorTable const& actors)
{
    VERIFY(!m_by_id.contains(element.id));
    Cursor cursor {};
    if (element.origin.counter != 0) {
        auto const origin = m_by_id.find(element.origin);
        VERIFY(origin != m_by_id.end());
        cursor = after(origin->second);
    }
    for (Element const* next = next_element(cursor); next && actors.less(element.id, next->id);
         next = next_element(cursor))
        ++cursor.offset;
    auto const slot = static_cast<std::uint32_t>(m_arena.size());
    m_by_id.emplace(element.id, slot);
    m_arena.push_back(std::move(element));
    insert_at(cursor, slot);
}

void Sequence::insert_at(Cursor cursor, std::uint32_t slot)
{
    if (m_order.empty()) {
        m_order.push_back(static_cast<std::uint32_t>(m_blocks.size()));
        m_blocks.push_back({});
        m_rank_of.push_back(0);
        cursor = Cursor {};
    }
    std::uint32_t const block = m_order[cursor.rank];
    auto& slots = m_blocks[block].slots;
    slots.insert(slots.begin() + static_cast<std::ptrdiff_t>(cursor.offset), slot);
    m_block_of.push_back(block);
    if (slots.size() > max_block)
        split(cursor.rank);
}

void Sequence::split(std::size_t rank)
{
    auto const id = static_cast<std::uint32_t>(m_blocks.size());
    m_blocks.push_back({});
    auto& slots = m_blocks[m_order[rank]].slots;
    auto const half = slots.begin() + static_cast<std::ptrdiff_t>(slots.size() / 2);
    m_blocks[id].slots.assign(half, slots.end());
    slots.erase(half, slots.end());
    for (std::uint32_t const moved : m_blocks[id].slots)
        m_block_of[moved] = id;
    m_order.insert(m_order.begin() + static_cast<std::ptrdiff_t>(rank) + 1, id);
    m_rank_of.push_back(0);
    renumber_ranks();
}

void Sequence::renumber_ranks()
{
    for (std::size_t rank = 0; rank < m_order.size(); ++rank)
        m_rank_of[m_order[rank]] = static_cast<std::uint32_t>(rank);
}

void Sequence::erase_last(OpId id)
{
    VERIFY(!m_arena.empty() && m_arena.back().id == id);
    auto const slot = static_cast<std::uint32_t>(m_arena.size() - 1);
    std::uint32_t const block = m_block_of[slot];
    auto& slots = m_blocks[block].slots;
    slots.erase(std::find(slots.begin(), slots.end(), slot));
    if (slots.empty()) {
        // The block stays allocated but leaves the order.
        m_order.erase(m_order.begin() + m_rank_of[block]);
        renumber_ranks();
    }
    m_block_of.pop_back();
    m_by_id.erase(id);
    m_arena.pop_back();
}

Sequence::Iterator Sequence::begin() const
{
    std::size_t rank = 0;
    while (rank < m_order.size() && m_blocks[m_order[rank]].slots.empty())
        ++rank;
    return Iterator(this, rank, 0);
}

Sequence::Iterator Sequence::end() const { return Iterator(this, m_order.size(), 0); }

Element const& Sequence::Iterator::operator*() const
{
    return m_sequence->m_arena[m_sequence->m_blocks[m_sequence->m_order[m_rank]].slots[m_offset]];
}

Sequence::Iterator& Sequence::Iterator::operator++()
{
    auto const& order = m_sequence->m_order;
    ++m_offset;
    while (m_rank < order.size() && m_offset >= m_sequence->m_blocks[order[m_rank]].slots.size()) {
        ++m_rank;
        m_offset = 0;
    }
    return *this;
}

} // namespace automerge
