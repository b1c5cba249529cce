// One replica's reads and writes: values, objects, lists, counters, errors and transactions.

#include <automerge/document.h>

#include <gtest/gtest.h>

#include <string_view>

namespace {

using namespace automerge;

ActorId const kActor { 0xaa, 0x01 };

template <class T> std::optional<Value> scalar(T v) { return Value { ScalarValue { std::move(v) } }; }

struct ScalarCase {
    std::string_view name;
    ScalarValue value;
};

ScalarCase const kScalars[] = {
    { "null", Null {} },
    { "true", true },
    { "false", false },
    { "int", std::int64_t { -42 } },
    { "uint", std::uint64_t { 42 } },
    { "double", 2.5 },
    { "string", std::string("héllo") },
    { "empty string", std::string() },
    { "bytes", std::vector<std::uint8_t> { 0, 1, 255 } },
    { "counter", Counter { 7 } },
    { "timestamp", Timestamp { 1700000000000 } },
};

TEST(Document, PutGetsBackEveryScalarType)
{
    Document doc(kActor);
    for (ScalarCase const& c : kScalars) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(doc.put(root_obj, c.name, c.value));
        EXPECT_EQ(doc.get(root_obj, c.name), Value { c.value });
    }
    EXPECT_EQ(doc.length(root_obj), std::size(kScalars));
}

TEST(Document, OverwriteReplacesWithoutConflict)
{
    Document doc(kActor);
    ASSERT_TRUE(doc.put(root_obj, "k", std::int64_t { 1 }));
    ASSERT_TRUE(doc.put(root_obj, "k", std::int64_t { 2 }));
    EXPECT_EQ(doc.get(root_obj, "k"), scalar(std::int64_t { 2 }));
    EXPECT_EQ(doc.get_all(root_obj, "k").size(), 1u);
}

TEST(Document, KeysAreInByteOrder)
{
    Document doc(kActor);
    for (std::string_view const key : { "b", "é", "a", "Z", "", "ab", "\x7f" })
        ASSERT_TRUE(doc.put(root_obj, key, true));
    std::vector<std::string> const want { "", "Z", "a", "ab", "b", "\x7f", "é" };
    EXPECT_EQ(doc.keys(root_obj), want);
}

TEST(Document, DeleteKeyRemovesItAndMissingKeyIsNoOp)
{
    Document doc(kActor);
    ASSERT_TRUE(doc.put(root_obj, "k", true));
    ASSERT_TRUE(doc.delete_key(root_obj, "k"));
    EXPECT_EQ(doc.get(root_obj, "k"), std::nullopt);
    EXPECT_TRUE(doc.keys(root_obj).empty());
    auto const heads = doc.heads();
    ASSERT_TRUE(doc.delete_key(root_obj, "never"));
    EXPECT_EQ(doc.heads(), heads);
}

TEST(Document, NestedObjects)
{
    Document doc(kActor);
    auto const map = doc.put_object(root_obj, "map", ObjType::Map).value();
    auto const list = doc.put_object(map, "list", ObjType::List).value();
    auto const text = doc.insert_object(list, 0, ObjType::Text).value();
    ASSERT_TRUE(doc.splice_text(text, 0, 0, "hi"));

    EXPECT_EQ(doc.object_type(root_obj), ObjType::Map);
    EXPECT_EQ(doc.object_type(map), ObjType::Map);
    EXPECT_EQ(doc.object_type(list), ObjType::List);
    EXPECT_EQ(doc.object_type(text), ObjType::Text);
    EXPECT_EQ(doc.get(root_obj, "map"), (Value { ObjectRef { map, ObjType::Map } }));
    EXPECT_EQ(doc.get(list, 0), (Value { ObjectRef { text, ObjType::Text } }));
    EXPECT_EQ(doc.text(text), "hi");
    EXPECT_EQ(map.actor, kActor);
}

TEST(Document, ReplacingAnObjectHidesIt)
{
    Document doc(kActor);
    auto const old_map = doc.put_object(root_obj, "m", ObjType::Map).value();
    ASSERT_TRUE(doc.put(old_map, "x", true));
    ASSERT_TRUE(doc.put(root_obj, "m", std::int64_t { 3 }));
    EXPECT_EQ(doc.get(root_obj, "m"), scalar(std::int64_t { 3 }));
}

TEST(Document, ListInsertPutDelete)
{
    Document doc(kActor);
    auto const list = doc.put_object(root_obj, "l", ObjType::List).value();
    ASSERT_TRUE(doc.insert(list, 0, std::string("b")));
    ASSERT_TRUE(doc.insert(list, 0, std::string("a")));
    ASSERT_TRUE(doc.insert(list, 2, std::string("d")));
    ASSERT_TRUE(doc.insert(list, 2, std::string("c")));
    ASSERT_TRUE(doc.put(list, 3, std::string("D")));
    ASSERT_TRUE(doc.delete_element(list, 0));
    ASSERT_EQ(doc.length(list), 3u);
    std::vector<Value> const want { ScalarValue { std::string("b") }, ScalarValue { std::string("c") },
        ScalarValue { std::string("D") } };
    EXPECT_EQ(doc.values(list), want);
    EXPECT_EQ(doc.get(list, 3), std::nullopt);
    // An insert after a deleted element's neighbour lands in the visible position asked for.
    ASSERT_TRUE(doc.insert(list, 0, std::string("z")));
    EXPECT_EQ(doc.get(list, 0), scalar(std::string("z")));
}

TEST(Document, CounterIncrements)
{
    Document doc(kActor);
    ASSERT_TRUE(doc.put(root_obj, "c", Counter { 10 }));
    ASSERT_TRUE(doc.increment(root_obj, "c", 5));
    ASSERT_TRUE(doc.increment(root_obj, "c", -3));
    EXPECT_EQ(doc.get(root_obj, "c"), scalar(Counter { 12 }));
    EXPECT_EQ(doc.get_all(root_obj, "c").size(), 1u);

    auto const list = doc.put_object(root_obj, "l", ObjType::List).value();
    ASSERT_TRUE(doc.insert(list, 0, Counter {}));
    ASSERT_TRUE(doc.increment(list, 0, 2));
    EXPECT_EQ(doc.get(list, 0), scalar(Counter { 2 }));
}

struct ErrorCase {
    std::string_view name;
    std::function<base::Result<void, DocError>(Document&, ObjId const& list, ObjId const& text)> write;
    DocError want;
};

template <class T> base::Result<void, DocError> drop(base::Result<T, DocError> const& r)
{
    if (!r)
        return base::unexpected(r.error());
    return {};
}

ErrorCase const kErrors[] = {
    { "unknown object",
        [](Document& d, auto&, auto&) {
            return d.put(ObjId { 99, { 1 } }, "k", true);
        },
        DocError::NoSuchObject },
    { "unknown actor",
        [](Document& d, auto&, auto&) {
            return d.put(ObjId { 1, { 9, 9 } }, "k", true);
        },
        DocError::NoSuchObject },
    { "map key on list", [](Document& d, auto& l, auto&) { return d.put(l, "k", true); },
        DocError::WrongObjectType },
    { "index on map", [](Document& d, auto&, auto&) { return d.insert(root_obj, 0, true); },
        DocError::WrongObjectType },
    { "splice on list", [](Document& d, auto& l, auto&) { return d.splice_text(l, 0, 0, "x"); },
        DocError::WrongObjectType },
    { "put past end", [](Document& d, auto& l, auto&) { return d.put(l, 1, true); },
        DocError::IndexOutOfRange },
    { "insert past end", [](Document& d, auto& l, auto&) { return d.insert(l, 2, true); },
        DocError::IndexOutOfRange },
    { "delete past end", [](Document& d, auto& l, auto&) { return d.delete_element(l, 1); },
        DocError::IndexOutOfRange },
    { "object past end",
        [](Document& d, auto& l, auto&) { return drop(d.insert_object(l, 5, ObjType::Map)); },
        DocError::IndexOutOfRange },
    { "splice start past end", [](Document& d, auto&, auto& t) { return d.splice_text(t, 4, 0, "x"); },
        DocError::IndexOutOfRange },
    { "splice delete past end", [](Document& d, auto&, auto& t) { return d.splice_text(t, 1, 3, ""); },
        DocError::IndexOutOfRange },
    { "increment a string", [](Document& d, auto&, auto&) { return d.increment(root_obj, "s", 1); },
        DocError::NotACounter },
    { "increment a missing key", [](Document& d, auto&, auto&) { return d.increment(root_obj, "nope", 1); },
        DocError::NotACounter },
    { "increment a list element", [](Document& d, auto& l, auto&) { return d.increment(l, 0, 1); },
        DocError::NotACounter },
    { "splice bad utf-8", [](Document& d, auto&, auto& t) { return d.splice_text(t, 0, 0, "\xC3"); },
        DocError::InvalidUtf8 },
    { "diff to bad utf-8",
        [](Document& d, auto&, auto& t) { return d.splice_text_diffed(t, "\xED\xA0\x80"); },
        DocError::InvalidUtf8 },
};

TEST(Document, FailedWritesNameTheProblemAndChangeNothing)
{
    for (ErrorCase const& c : kErrors) {
        SCOPED_TRACE(c.name);
        Document doc(kActor);
        auto const list = doc.put_object(root_obj, "l", ObjType::List).value();
        ASSERT_TRUE(doc.insert(list, 0, true));
        auto const text = doc.put_object(root_obj, "t", ObjType::Text).value();
        ASSERT_TRUE(doc.splice_text(text, 0, 0, "abc"));
        ASSERT_TRUE(doc.put(root_obj, "s", std::string("x")));
        auto const heads = doc.heads();

        auto const result = c.write(doc, list, text);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), c.want);
        EXPECT_EQ(doc.heads(), heads);
        EXPECT_EQ(doc.pending_ops(), 0u);
    }
}

TEST(Document, ReadsOfMissingThingsAreEmpty)
{
    Document doc(kActor);
    ObjId const nowhere { 5, { 1, 2 } };
    EXPECT_EQ(doc.get(root_obj, "missing"), std::nullopt);
    EXPECT_EQ(doc.get(root_obj, 0), std::nullopt);
    EXPECT_EQ(doc.get(nowhere, "k"), std::nullopt);
    EXPECT_EQ(doc.object_type(nowhere), std::nullopt);
    EXPECT_TRUE(doc.get_all(nowhere, "k").empty());
    EXPECT_TRUE(doc.keys(nowhere).empty());
    EXPECT_EQ(doc.length(nowhere), 0u);
    EXPECT_EQ(doc.text(root_obj), "");
}

TEST(Document, AutoModeCommitsEachWrite)
{
    Document doc(kActor);
    ASSERT_TRUE(doc.put(root_obj, "a", true));
    auto const text = doc.put_object(root_obj, "t", ObjType::Text).value();
    ASSERT_TRUE(doc.splice_text(text, 0, 0, "héllo"));
    EXPECT_EQ(doc.pending_ops(), 0u);
    auto const changes = doc.get_changes();
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[2].ops.size(), 5u); // one change for the whole splice
    for (std::size_t i = 0; i < changes.size(); ++i)
        EXPECT_EQ(changes[i].seq, i + 1);
    EXPECT_EQ(changes[1].start_op, 2u);
    EXPECT_EQ(changes[2].start_op, 3u);
    EXPECT_EQ(changes[2].deps.size(), 1u);
}

TEST(Document, AutoModeTransactionGroupsWrites)
{
    Document doc(kActor);
    doc.begin_transaction();
    ASSERT_TRUE(doc.put(root_obj, "a", true));
    ASSERT_TRUE(doc.put(root_obj, "b", true));
    EXPECT_TRUE(doc.in_transaction());
    EXPECT_EQ(doc.pending_ops(), 2u);
    EXPECT_TRUE(doc.heads().empty());
    auto const hash = doc.commit("two keys", 1234);
    ASSERT_TRUE(hash);
    EXPECT_EQ(doc.heads(), std::vector { *hash });
    auto const change = doc.get_last_local_change();
    ASSERT_TRUE(change);
    EXPECT_EQ(change->message, "two keys");
    EXPECT_EQ(change->time, 1234);
    EXPECT_EQ(change->ops.size(), 2u);
    EXPECT_EQ(change->actors, std::vector<ActorId> { kActor });
    // Out of the transaction, writes commit at once again.
    ASSERT_TRUE(doc.put(root_obj, "c", true));
    EXPECT_EQ(doc.get_changes().size(), 2u);
}

TEST(Document, ManualModeAccumulatesUntilCommit)
{
    Document doc(kActor, CommitMode::Manual);
    ASSERT_TRUE(doc.put(root_obj, "a", true));
    ASSERT_TRUE(doc.put(root_obj, "b", true));
    EXPECT_EQ(doc.get(root_obj, "a"), scalar(true));
    EXPECT_TRUE(doc.get_changes().empty());
    EXPECT_TRUE(doc.commit());
    EXPECT_EQ(doc.commit(), std::nullopt); // nothing pending
    EXPECT_EQ(doc.get_changes().size(), 1u);
}

TEST(Document, RollbackRestoresTheCommittedState)
{
    Document doc(kActor, CommitMode::Manual);
    auto const list = doc.put_object(root_obj, "l", ObjType::List).value();
    ASSERT_TRUE(doc.insert(list, 0, std::string("kept")));
    ASSERT_TRUE(doc.put(root_obj, "c", Counter { 1 }));
    ASSERT_TRUE(doc.commit());

    auto const text = doc.put_object(root_obj, "t", ObjType::Text).value();
    ASSERT_TRUE(doc.splice_text(text, 0, 0, "gone"));
    ASSERT_TRUE(doc.insert(list, 0, std::string("gone")));
    ASSERT_TRUE(doc.delete_element(list, 1));
    ASSERT_TRUE(doc.increment(root_obj, "c", 5));
    ASSERT_TRUE(doc.delete_key(root_obj, "l"));
    EXPECT_EQ(doc.rollback(), 9u);

    EXPECT_EQ(doc.keys(root_obj), (std::vector<std::string> { "c", "l" }));
    EXPECT_EQ(doc.get(root_obj, "c"), scalar(Counter { 1 }));
    EXPECT_EQ(doc.object_type(text), std::nullopt);
    EXPECT_EQ(doc.values(list), std::vector<Value> { ScalarValue { std::string("kept") } });
    // The rolled-back ids are free again.
    ASSERT_TRUE(doc.put(root_obj, "after", true));
    ASSERT_TRUE(doc.commit());
    EXPECT_EQ(doc.get_last_local_change()->start_op, 4u);
}

// The listener appends what save_incremental gives it; replaying those bytes must rebuild the
// document, whichever operation made the change.
TEST(Document, CommitListenerSeesEveryNewChangeOnce)
{
    Document doc(kActor);
    std::vector<std::uint8_t> appended;
    int calls = 0;
    doc.set_commit_listener([&] {
        ++calls;
        auto const chunk = doc.save_incremental();
        appended.insert(appended.end(), chunk.begin(), chunk.end());
    });
    ASSERT_TRUE(doc.put(root_obj, "a", true));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(doc.put(ObjId { 5, { 1, 2 } }, "x", true)); // failed: no change
    EXPECT_EQ(calls, 1);

    doc.begin_transaction();
    ASSERT_TRUE(doc.put(root_obj, "b", true));
    ASSERT_TRUE(doc.put(root_obj, "c", true));
    EXPECT_EQ(calls, 1);
    ASSERT_TRUE(doc.commit());
    EXPECT_EQ(calls, 2);

    Document other(ActorId { 0xbb });
    ASSERT_TRUE(other.put(root_obj, "x", true));
    ASSERT_TRUE(other.put(root_obj, "y", true));
    ASSERT_TRUE(doc.merge(other));
    EXPECT_EQ(calls, 3);
    ASSERT_TRUE(doc.merge(other)); // nothing new
    EXPECT_EQ(calls, 3);

    // save() commits the pending write and reports it before saving.
    doc.begin_transaction();
    ASSERT_TRUE(doc.put(root_obj, "d", true));
    (void)doc.save();
    EXPECT_EQ(calls, 4);
    EXPECT_TRUE(doc.save_incremental().empty()); // the listener took every change

    Document forked = doc.fork();
    ASSERT_TRUE(forked.put(root_obj, "fork only", true));
    EXPECT_EQ(calls, 4);

    auto const replayed = Document::load(appended).value();
    EXPECT_EQ(replayed.heads(), doc.heads());
    EXPECT_EQ(replayed.keys(root_obj), (std::vector<std::string> { "a", "b", "c", "d", "x", "y" }));
}

TEST(Document, GetChangesSinceHeads)
{
    Document doc(kActor);
    ASSERT_TRUE(doc.put(root_obj, "a", true));
    auto const first = doc.heads();
    ASSERT_TRUE(doc.put(root_obj, "b", true));
    ASSERT_TRUE(doc.put(root_obj, "c", true));
    EXPECT_EQ(doc.get_changes(first).size(), 2u);
    EXPECT_TRUE(doc.get_changes(doc.heads()).empty());
    EXPECT_EQ(doc.get_changes().size(), 3u);
    EXPECT_EQ(doc.get_change(first[0])->seq, 1u);
}

} // namespace
