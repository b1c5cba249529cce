// The elements of a list or text object in document order, placed by the RGA rule.
//
// An element inserted after E goes right after E, but after any elements already there with a
// greater op id (and, since ids grow along causality, after their descendants too). Every replica
// therefore orders concurrent inserts at one position by descending op id.
//
// The order is kept in blocks of a few hundred elements, so an insert into a long text moves one
// block rather than the whole text.
#pragma once

#include "actor_table.h"
#include "op_id_hash.h"
#include "stored_op.h"

#include <cstdint>
#include <iterator>
#include <unordered_map>
#include <vector>

namespace automerge {

struct Element {
    OpId id; // the id of the insert op
    OpId origin; // the element it was inserted after; counter 0 is the list head
    std::vector<StoredOp> ops; // the insert op, then later ops on this element, by op id
};

[[nodiscard]] bool is_visible(Element const& element) noexcept;

class Sequence {
public:
    class Iterator;

    [[nodiscard]] bool contains(OpId id) const { return m_by_id.contains(id); }
    [[nodiscard]] Element* find(OpId id);
    [[nodiscard]] Element const* find(OpId id) const;

    // Adds an element after its origin, which must be the head or an element of this sequence.
    void insert(Element element, ActorTable const& actors);
    // Takes back the most recent insert, which must be of `id`.
    void erase_last(OpId id);

    // All elements, deleted ones included, in document order.
    [[nodiscard]] std::size_t size() const noexcept { return m_arena.size(); }
    [[nodiscard]] Iterator begin() const;
    [[nodiscard]] Iterator end() const;

private:
    struct Block {
        std::vector<std::uint32_t> slots; // arena indices in document order
    };
    // A place between elements: before `offset` in the block at `rank` of m_order.
    struct Cursor {
        std::size_t rank {};
        std::size_t offset {};
    };

    [[nodiscard]] Cursor after(std::uint32_t slot) const;
    [[nodiscard]] Element const* next_element(Cursor& cursor) const;
    void insert_at(Cursor cursor, std::uint32_t slot);
    void split(std::size_t rank);
    void renumber_ranks();

    std::vector<Element> m_arena; // in insertion order, so slots stay put
    std::vector<Block> m_blocks; // by block id
    std::vector<std::uint32_t> m_order; // block ids in document order
    std::vector<std::uint32_t> m_rank_of; // block id -> its index in m_order
    std::vector<std::uint32_t> m_block_of; // slot -> block id
    std::unordered_map<OpId, std::uint32_t, OpIdHash> m_by_id;
};

class Sequence::Iterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Element;
    using difference_type = std::ptrdiff_t;
    using pointer = Element const*;
    using reference = Element const&;

    Iterator() = default;
    [[nodiscard]] reference operator*() const;
    [[nodiscard]] pointer operator->() const { return &**this; }
    Iterator& operator++();
    Iterator operator++(int)
    {
        Iterator before = *this;
        ++*this;
        return before;
    }
    friend bool operator==(Iterator const& a, Iterator const& b)
    {
        return a.m_rank == b.m_rank && a.m_offset == b.m_offset;
    }

private:
    friend class Sequence;
    Iterator(Sequence const* sequence, std::size_t rank, std::size_t offset)
        : m_sequence(sequence)
        , m_rank(rank)
        , m_offset(offset)
    {
    }

    Sequence const* m_sequence {};
    std::size_t m_rank {};
    std::size_t m_offset {};
};

} // namespace automerge
