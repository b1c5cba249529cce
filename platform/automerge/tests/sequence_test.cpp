// The RGA placement of list elements, and the Lamport order it relies on.

#include "actor_table.h"
#include "sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using namespace automerge;

TEST(ActorTable, LamportOrderIsCounterThenActorBytes)
{
    ActorTable actors;
    // Interned out of byte order, so indices and ranks differ.
    std::uint32_t const c = actors.intern({ 0x0c });
    std::uint32_t const a = actors.intern({ 0x0a });
    std::uint32_t const b_long = actors.intern({ 0x0a, 0x00 });
    EXPECT_EQ(actors.intern({ 0x0a }), a);
    struct Case {
        OpId lower;
        OpId higher;
    };
    Case const cases[] = {
        { { 1, c }, { 2, a } }, // counter decides first
        { { 5, a }, { 5, c } }, // then actor bytes
        { { 5, a }, { 5, b_long } }, // a prefix sorts first
        { { 5, b_long }, { 5, c } },
    };
    for (Case const& t : cases) {
        EXPECT_TRUE(actors.less(t.lower, t.higher));
        EXPECT_FALSE(actors.less(t.higher, t.lower));
    }
    EXPECT_EQ(actors.compare({ 3, a }, { 3, a }), std::strong_ordering::equal);
}

struct Insert {
    OpId id;
    OpId origin;
};

// A random causal history of inserts: each names an element inserted before it (or the head) as
// its origin, and has a counter greater than everything it could have seen.
std::vector<Insert> random_inserts(std::mt19937& rng, std::uint32_t actors, std::size_t count)
{
    std::vector<Insert> inserts;
    for (std::size_t i = 0; i < count; ++i) {
        OpId origin {};
        std::uint64_t counter = 1;
        if (!inserts.empty() && rng() % 4 != 0) {
            Insert const& parent = inserts[rng() % inserts.size()];
            origin = parent.id;
            counter = parent.id.counter + 1 + rng() % 3;
        } else {
            counter += rng() % 3;
        }
        OpId const id { counter, static_cast<std::uint32_t>(rng() % actors) };
        bool const taken
            = std::any_of(inserts.begin(), inserts.end(), [&](Insert const& x) { return x.id == id; });
        if (!taken)
            inserts.push_back({ id, origin });
    }
    return inserts;
}

std::vector<OpId> order_of(Sequence const& seq)
{
    std::vector<OpId> ids;
    for (Element const& element : seq)
        ids.push_back(element.id);
    return ids;
}

// Any arrival order that respects causality (an origin arrives before what is inserted after it)
// gives the same sequence.
TEST(Sequence, ArrivalOrderDoesNotChangeTheOrder)
{
    ActorTable actors;
    for (std::uint8_t a = 0; a < 3; ++a)
        actors.intern({ static_cast<std::uint8_t>(0x30 - a) });
    std::mt19937 rng(7);
    for (int trial = 0; trial < 200; ++trial) {
        auto inserts = random_inserts(rng, 3, 12);
        std::optional<std::vector<OpId>> first;
        for (int shuffle = 0; shuffle < 6; ++shuffle) {
            // Sorting by counter is one causal order; random tie-breaks make others.
            std::shuffle(inserts.begin(), inserts.end(), rng);
            std::stable_sort(inserts.begin(), inserts.end(),
                [](Insert const& x, Insert const& y) { return x.id.counter < y.id.counter; });
            Sequence seq;
            for (Insert const& insert : inserts)
                seq.insert(Element { .id = insert.id, .origin = insert.origin }, actors);
            if (!first)
                first = order_of(seq);
            EXPECT_EQ(order_of(seq), *first);
        }
    }
}

TEST(Sequence, ConcurrentInsertsAfterOneElementGoByDescendingId)
{
    ActorTable actors;
    std::uint32_t const a = actors.intern({ 0x0a });
    std::uint32_t const b = actors.intern({ 0x0b });
    Sequence seq;
    OpId const x { 1, a };
    seq.insert(Element { .id = x, .origin = {} }, actors);
    for (OpId const id : { OpId { 2, a }, OpId { 3, b }, OpId { 2, b }, OpId { 3, a } })
        seq.insert(Element { .id = id, .origin = x }, actors);
    // A child of the greatest sibling stays with it, ahead of the smaller siblings.
    seq.insert(Element { .id = { 4, a }, .origin = { 3, b } }, actors);
    std::vector<OpId> const want { x, { 3, b }, { 4, a }, { 3, a }, { 2, b }, { 2, a } };
    EXPECT_EQ(order_of(seq), want);
    seq.erase_last({ 4, a });
    EXPECT_EQ(seq.size(), 5u);
    EXPECT_FALSE(seq.contains({ 4, a }));
}

// The same placement done the obvious way, over one flat vector.
std::vector<OpId> flat_model(std::vector<Insert> const& inserts, ActorTable const& actors)
{
    std::vector<OpId> order;
    for (Insert const& insert : inserts) {
        std::size_t position = 0;
        if (insert.origin.counter != 0)
            position = static_cast<std::size_t>(
                           std::find(order.begin(), order.end(), insert.origin) - order.begin())
                + 1;
        while (position < order.size() && actors.less(insert.id, order[position]))
            ++position;
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(position), insert.id);
    }
    return order;
}

// Thousands of elements, so blocks split many times; undoing inserts takes them back in order.
TEST(Sequence, LongSequencesMatchAFlatModel)
{
    ActorTable actors;
    actors.intern({ 0x01 });
    actors.intern({ 0x02 });
    std::mt19937 rng(11);
    std::vector<Insert> inserts;
    Sequence seq;
    std::uint64_t counter = 0;
    for (int i = 0; i < 3000; ++i) {
        OpId origin {};
        if (!inserts.empty() && rng() % 8 != 0) {
            // Mostly typing after the previous insert, sometimes anywhere.
            origin = rng() % 3 == 0 ? inserts[rng() % inserts.size()].id : inserts.back().id;
        }
        counter += 1 + rng() % 2;
        Insert const insert { { counter, static_cast<std::uint32_t>(rng() % 2) }, origin };
        inserts.push_back(insert);
        seq.insert(Element { .id = insert.id, .origin = insert.origin }, actors);
    }
    EXPECT_EQ(order_of(seq), flat_model(inserts, actors));
    EXPECT_EQ(seq.size(), inserts.size());
    while (inserts.size() > 100) {
        seq.erase_last(inserts.back().id);
        inserts.pop_back();
    }
    EXPECT_EQ(order_of(seq), flat_model(inserts, actors));
    while (!inserts.empty()) {
        seq.erase_last(inserts.back().id);
        inserts.pop_back();
    }
    EXPECT_EQ(seq.begin(), seq.end());
    seq.insert(Element { .id = { 1, 0 }, .origin = {} }, actors);
    EXPECT_EQ(order_of(seq), (std::vector<OpId> { OpId { 1, 0 } }));
}

} // namespace
