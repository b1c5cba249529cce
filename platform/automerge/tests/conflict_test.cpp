// What concurrent writes merge into: map conflicts, list insertion order, deletes, counters.

#include <automerge/document.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using namespace automerge;

ActorId const kA { 0x0a };
ActorId const kB { 0x0b };
ActorId const kC { 0x0c };

template <class T> Value scalar(T v) { return Value(std::in_place_type<ScalarValue>, std::move(v)); }
Value str(char const* s) { return scalar(std::string(s)); }

// Merges every document into every other.
void sync(std::vector<Document*> const& docs)
{
    for (Document* to : docs) {
        for (Document* from : docs)
            ASSERT_TRUE(to->merge(*from));
    }
}

TEST(MapConflict, BothValuesVisibleAndGreaterActorWins)
{
    Document a(kA);
    Document b(kB);
    ASSERT_TRUE(a.put(root_obj, "k", std::string("from a")));
    ASSERT_TRUE(b.put(root_obj, "k", std::string("from b")));
    sync({ &a, &b });
    for (Document* doc : { &a, &b }) {
        auto const all = doc->get_all(root_obj, "k");
        ASSERT_EQ(all.size(), 2u);
        EXPECT_EQ(all[0], (Conflict { str("from a"), ExId { 1, kA } }));
        EXPECT_EQ(all[1], (Conflict { str("from b"), ExId { 1, kB } }));
        EXPECT_EQ(doc->get(root_obj, "k"), str("from b"));
    }
}

TEST(MapConflict, GreaterCounterWinsOverGreaterActor)
{
    Document a(kA);
    Document b(kB);
    ASSERT_TRUE(a.put(root_obj, "other", true));
    ASSERT_TRUE(a.put(root_obj, "k", std::string("from a"))); // op 2@a
    ASSERT_TRUE(b.put(root_obj, "k", std::string("from b"))); // op 1@b
    sync({ &a, &b });
    EXPECT_EQ(a.get(root_obj, "k"), str("from a"));
    EXPECT_EQ(b.get(root_obj, "k"), str("from a"));
}

TEST(MapConflict, NextWriteResolvesTheConflict)
{
    Document a(kA);
    Document b(kB);
    ASSERT_TRUE(a.put(root_obj, "k", std::int64_t { 1 }));
    ASSERT_TRUE(b.put(root_obj, "k", std::int64_t { 2 }));
    sync({ &a, &b });
    ASSERT_TRUE(a.put(root_obj, "k", std::int64_t { 3 }));
    sync({ &a, &b });
    EXPECT_EQ(b.get_all(root_obj, "k").size(), 1u);
    EXPECT_EQ(b.get(root_obj, "k"), scalar(std::int64_t { 3 }));
}

TEST(MapConflict, ConcurrentObjectsBothSurvive)
{
    Document a(kA);
    Document b(kB);
    auto const from_a = a.put_object(root_obj, "o", ObjType::Map).value();
    ASSERT_TRUE(a.put(from_a, "x", true));
    auto const from_b = b.put_object(root_obj, "o", ObjType::List).value();
    sync({ &a, &b });
    auto const all = a.get_all(root_obj, "o");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(a.get(root_obj, "o"), (Value { ObjectRef { from_b, ObjType::List } }));
    // The losing object is still there to read through its id.
    EXPECT_EQ(a.get(from_a, "x"), scalar(true));
}

TEST(MapDelete, ConcurrentPutSurvivesADelete)
{
    Document a(kA);
    ASSERT_TRUE(a.put(root_obj, "k", std::int64_t { 1 }));
    Document b = a.fork(kB);
    ASSERT_TRUE(a.delete_key(root_obj, "k"));
    ASSERT_TRUE(b.put(root_obj, "k", std::int64_t { 2 }));
    sync({ &a, &b });
    for (Document* doc : { &a, &b }) {
        EXPECT_EQ(doc->get(root_obj, "k"), scalar(std::int64_t { 2 }));
        EXPECT_EQ(doc->get_all(root_obj, "k").size(), 1u);
    }
}

TEST(MapDelete, DeleteHidesOnlyWhatItSaw)
{
    // b's put is concurrent with a's delete even though a's delete has the greater op id.
    Document a(kA);
    ASSERT_TRUE(a.put(root_obj, "k", std::int64_t { 1 }));
    Document b = a.fork(kB);
    ASSERT_TRUE(a.put(root_obj, "x", true));
    ASSERT_TRUE(a.put(root_obj, "y", true));
    ASSERT_TRUE(a.delete_key(root_obj, "k"));
    ASSERT_TRUE(b.put(root_obj, "k", std::int64_t { 2 }));
    sync({ &a, &b });
    EXPECT_EQ(a.get(root_obj, "k"), scalar(std::int64_t { 2 }));
}

TEST(MapDelete, ConcurrentDeletesBothApply)
{
    Document a(kA);
    ASSERT_TRUE(a.put(root_obj, "k", std::int64_t { 1 }));
    Document b = a.fork(kB);
    ASSERT_TRUE(a.delete_key(root_obj, "k"));
    ASSERT_TRUE(b.delete_key(root_obj, "k"));
    sync({ &a, &b });
    EXPECT_EQ(a.get(root_obj, "k"), std::nullopt);
    EXPECT_TRUE(b.keys(root_obj).empty());
}

std::vector<std::string> strings_of(Document const& doc, ObjId const& list)
{
    std::vector<std::string> out;
    for (Value const& v : doc.values(list))
        out.push_back(*scalar_if<std::string>(v));
    return out;
}

struct ListOrderCase {
    std::string_view name;
    std::size_t index; // where each of the three actors inserts, in [x, y]
    std::size_t a_ops_before; // extra ops by a first, raising its counter
    std::vector<std::string> want;
};

ListOrderCase const kListOrders[] = {
    { "same position, same counter: descending actor", 1, 0, { "x", "c", "b", "a", "y" } },
    { "at the head", 0, 0, { "c", "b", "a", "x", "y" } },
    { "at the end", 2, 0, { "x", "y", "c", "b", "a" } },
    { "greater counter goes first", 1, 1, { "x", "a", "c", "b", "y" } },
};

TEST(ListOrder, ConcurrentInsertsAtOnePositionFromThreeActors)
{
    for (ListOrderCase const& c : kListOrders) {
        SCOPED_TRACE(c.name);
        Document a(kA);
        auto const list = a.put_object(root_obj, "l", ObjType::List).value();
        ASSERT_TRUE(a.insert(list, 0, std::string("x")));
        ASSERT_TRUE(a.insert(list, 1, std::string("y")));
        Document b = a.fork(kB);
        Document cc = a.fork(kC);
        for (std::size_t i = 0; i < c.a_ops_before; ++i)
            ASSERT_TRUE(a.put(root_obj, "bump", true));
        ASSERT_TRUE(a.insert(list, c.index, std::string("a")));
        ASSERT_TRUE(b.insert(list, c.index, std::string("b")));
        ASSERT_TRUE(cc.insert(list, c.index, std::string("c")));
        sync({ &a, &b, &cc });
        EXPECT_EQ(strings_of(a, list), c.want);
        EXPECT_EQ(strings_of(b, list), c.want);
        EXPECT_EQ(strings_of(cc, list), c.want);
    }
}

TEST(ListOrder, ConcurrentRunsDoNotInterleave)
{
    Document a(kA);
    auto const list = a.put_object(root_obj, "l", ObjType::List).value();
    ASSERT_TRUE(a.insert(list, 0, std::string("x")));
    Document b = a.fork(kB);
    Document c = a.fork(kC);
    for (auto [doc, letter] : { std::pair { &a, "a" }, std::pair { &b, "b" }, std::pair { &c, "c" } }) {
        ASSERT_TRUE(doc->insert(list, 1, std::string(letter) + "1"));
        ASSERT_TRUE(doc->insert(list, 2, std::string(letter) + "2"));
        ASSERT_TRUE(doc->insert(list, 3, std::string(letter) + "3"));
    }
    sync({ &a, &b, &c });
    std::vector<std::string> const want { "x", "c1", "c2", "c3", "b1", "b2", "b3", "a1", "a2", "a3" };
    EXPECT_EQ(strings_of(a, list), want);
    EXPECT_EQ(strings_of(c, list), want);
}

TEST(ListDelete, ConcurrentPutKeepsTheElement)
{
    Document a(kA);
    auto const list = a.put_object(root_obj, "l", ObjType::List).value();
    ASSERT_TRUE(a.insert(list, 0, std::string("x")));
    Document b = a.fork(kB);
    ASSERT_TRUE(a.delete_element(list, 0));
    ASSERT_TRUE(b.put(list, 0, std::string("y")));
    sync({ &a, &b });
    EXPECT_EQ(strings_of(a, list), std::vector<std::string> { "y" });
    EXPECT_EQ(strings_of(b, list), std::vector<std::string> { "y" });
}

TEST(ListDelete, InsertAfterAConcurrentlyDeletedElement)
{
    Document a(kA);
    auto const list = a.put_object(root_obj, "l", ObjType::List).value();
    ASSERT_TRUE(a.insert(list, 0, std::string("x")));
    ASSERT_TRUE(a.insert(list, 1, std::string("z")));
    Document b = a.fork(kB);
    ASSERT_TRUE(a.delete_element(list, 0));
    ASSERT_TRUE(b.insert(list, 1, std::string("y")));
    ASSERT_TRUE(b.delete_element(list, 2));
    sync({ &a, &b });
    EXPECT_EQ(strings_of(a, list), std::vector<std::string> { "y" });
    EXPECT_EQ(a.length(list), 1u);
}

TEST(ListDelete, ConcurrentDeletesOfOneElement)
{
    Document a(kA);
    auto const list = a.put_object(root_obj, "l", ObjType::List).value();
    ASSERT_TRUE(a.insert(list, 0, std::string("x")));
    ASSERT_TRUE(a.insert(list, 1, std::string("y")));
    Document b = a.fork(kB);
    ASSERT_TRUE(a.delete_element(list, 0));
    ASSERT_TRUE(b.delete_element(list, 0));
    sync({ &a, &b });
    EXPECT_EQ(strings_of(a, list), std::vector<std::string> { "y" });
    EXPECT_EQ(strings_of(b, list), std::vector<std::string> { "y" });
}

TEST(CounterMerge, ConcurrentIncrementsAddUp)
{
    Document a(kA);
    ASSERT_TRUE(a.put(root_obj, "n", Counter { 3 }));
    Document b = a.fork(kB);
    Document c = a.fork(kC);
    ASSERT_TRUE(a.increment(root_obj, "n", 2));
    ASSERT_TRUE(a.increment(root_obj, "n", 2));
    ASSERT_TRUE(b.increment(root_obj, "n", 3));
    ASSERT_TRUE(b.increment(root_obj, "n", 3));
    ASSERT_TRUE(b.increment(root_obj, "n", 3));
    ASSERT_TRUE(c.increment(root_obj, "n", -1));
    sync({ &a, &b, &c });
    for (Document* doc : { &a, &b, &c }) {
        EXPECT_EQ(doc->get(root_obj, "n"), scalar(Counter { 3 + 4 + 9 - 1 }));
        EXPECT_EQ(doc->get_all(root_obj, "n").size(), 1u);
    }
}

TEST(CounterMerge, OverwriteBeatsAConcurrentIncrement)
{
    Document a(kA);
    ASSERT_TRUE(a.put(root_obj, "n", Counter { 1 }));
    Document b = a.fork(kB);
    ASSERT_TRUE(a.increment(root_obj, "n", 10));
    ASSERT_TRUE(b.put(root_obj, "n", std::int64_t { 5 }));
    sync({ &a, &b });
    EXPECT_EQ(a.get(root_obj, "n"), scalar(std::int64_t { 5 }));
    EXPECT_EQ(a.get_all(root_obj, "n").size(), 1u);
}

TEST(CounterMerge, DeleteBeatsAConcurrentIncrement)
{
    Document a(kA);
    ASSERT_TRUE(a.put(root_obj, "n", Counter { 1 }));
    Document b = a.fork(kB);
    ASSERT_TRUE(a.increment(root_obj, "n", 10));
    ASSERT_TRUE(b.delete_key(root_obj, "n"));
    sync({ &a, &b });
    EXPECT_EQ(a.get(root_obj, "n"), std::nullopt);
    EXPECT_EQ(b.get(root_obj, "n"), std::nullopt);
}

TEST(CounterMerge, CountersInAListAddUp)
{
    Document a(kA);
    auto const list = a.put_object(root_obj, "l", ObjType::List).value();
    ASSERT_TRUE(a.insert(list, 0, Counter {}));
    Document b = a.fork(kB);
    ASSERT_TRUE(a.increment(list, 0, 1));
    ASSERT_TRUE(b.increment(list, 0, 1));
    sync({ &a, &b });
    EXPECT_EQ(a.get(list, 0), scalar(Counter { 2 }));
}

} // namespace

namespace {

// Putting the value a key already shows writes no new value: no change when it stands alone,
// one delete of the losing values when it wins a conflict, a real put for another type.
TEST(MapConflict, PutOfTheShownValueWritesNoValue)
{
    struct Case {
        char const* name;
        ScalarValue first;
        ScalarValue again;
        bool writes;
    };
    Case const cases[] = {
        { "same int", std::int64_t { 3 }, std::int64_t { 3 }, false },
        { "same string", std::string("x"), std::string("x"), false },
        { "zero and minus zero", 0.0, -0.0, false },
        { "int then uint", std::int64_t { 3 }, std::uint64_t { 3 }, true },
        { "NaN equals nothing", std::nan(""), std::nan(""), true },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Document doc(kA);
        ASSERT_TRUE(doc.put(root_obj, "k", c.first));
        auto const heads = doc.heads();
        ASSERT_TRUE(doc.put(root_obj, "k", c.again));
        EXPECT_EQ(doc.heads() != heads, c.writes);
    }
    // A counter compares by its current value.
    Document counter(kA);
    ASSERT_TRUE(counter.put(root_obj, "n", Counter { 1 }));
    ASSERT_TRUE(counter.increment(root_obj, "n", 2));
    auto const heads = counter.heads();
    ASSERT_TRUE(counter.put(root_obj, "n", Counter { 3 }));
    EXPECT_EQ(counter.heads(), heads);
}

TEST(MapConflict, PutOfTheWinningValueDeletesTheLosers)
{
    Document a(kA);
    Document b(kB);
    ASSERT_TRUE(a.put(root_obj, "k", std::string("from a")));
    ASSERT_TRUE(b.put(root_obj, "k", std::string("from b")));
    sync({ &a, &b });
    a.begin_transaction();
    ASSERT_TRUE(a.put(root_obj, "k", std::string("from b")));
    EXPECT_EQ(a.pending_ops(), 1u);
    a.commit();
    auto const change = a.get_last_local_change();
    ASSERT_TRUE(change);
    ASSERT_EQ(change->ops.size(), 1u);
    EXPECT_EQ(change->ops[0].action, Action::Delete);
    // b's op stays and is now the only value.
    auto const all = a.get_all(root_obj, "k");
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0], (Conflict { str("from b"), ExId { 1, kB } }));
}

} // namespace
