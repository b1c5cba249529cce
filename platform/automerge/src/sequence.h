// The elements of a list or text object in document order, placed by the RGA rule.
//
// An element inserted after E goes right after E, but after any elements already there with a
// greater op id (and, since ids grow along causality, after their descendants too). Every replica
// therefore orders concurrent inserts at one position by descending op id.
#pragma once

#include "actor_table.h"
#include "op_id_hash.h"
#include "stored_op.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace automerge {

struct Element {
    OpId id;     // the id of the insert op
    OpId origin; // the element it was inserted after; counter 0 is the list head
    std::vector<StoredOp> ops; // the insert op, then later ops on this element, by op id
};

[[nodiscard]] bool is_visible(Element const& element) noexcept;

class Sequence {
public:
    [[nodiscard]] bool contains(OpId id) const { return m_by_id.contains(id); }
    [[nodiscard]] Element* find(OpId id);
    [[nodiscard]] Element const* find(OpId id) const;

    // Adds an element after its origin, which must be the head or an element of this sequence.
    void insert(Element element, ActorTable const& actors);
    // Takes back the most recent insert, which must be of `id`.
    void erase_last(OpId id);

    // All elements, deleted ones included, in document order.
    [[nodiscard]] std::size_t size() const noexcept { return m_order.size(); }
    [[nodiscard]] Element const& at(std::size_t position) const { return m_arena[m_order[position]]; }
    [[nodiscard]] Element& at(std::size_t position) { return m_arena[m_order[position]]; }

private:
    [[nodiscard]] std::size_t position_of(std::uint32_t slot) const;

    std::vector<Element> m_arena;       // in insertion order, so slots stay put
    std::vector<std::uint32_t> m_order; // slots in document order
    std::unordered_map<OpId, std::uint32_t, OpIdHash> m_by_id;
    // Typing inserts after the element inserted just before, so the last position found is the
    // first place to look.
    mutable std::size_t m_hint {};
};

} // namespace automerge
