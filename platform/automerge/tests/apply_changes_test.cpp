// Taking in changes from elsewhere: causal order, duplicates, and changes that do not fit.

#include <automerge/document.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

using namespace automerge;

ActorId const kA { 0x0a };
ActorId const kB { 0x0b };

// A chain of three changes by a, each depending on the one before.
std::vector<Change> chain()
{
    Document a(kA);
    auto const list = a.put_object(root_obj, "l", ObjType::List).value();
    EXPECT_TRUE(a.insert(list, 0, std::string("x")));
    EXPECT_TRUE(a.insert(list, 1, std::string("y")));
    return a.get_changes();
}

TEST(ApplyChanges, OutOfOrderChangesWaitForTheirDeps)
{
    auto changes = chain();
    Document b(kB);
    ASSERT_TRUE(b.apply_changes({ changes[2] }));
    EXPECT_TRUE(b.heads().empty());
    EXPECT_TRUE(b.keys(root_obj).empty());
    ASSERT_EQ(b.missing_deps().size(), 1u);

    ASSERT_TRUE(b.apply_changes({ changes[1] }));
    EXPECT_TRUE(b.heads().empty());
    EXPECT_EQ(b.missing_deps().size(), 1u);

    ASSERT_TRUE(b.apply_changes({ changes[0] }));
    EXPECT_TRUE(b.missing_deps().empty());
    EXPECT_EQ(b.get_changes().size(), 3u);
    auto const list = b.get(root_obj, "l");
    ASSERT_TRUE(list && as_object(*list));
    EXPECT_EQ(b.length(as_object(*list)->id), 2u);
}

TEST(ApplyChanges, AnyArrivalOrderGivesTheSameDocument)
{
    auto changes = chain();
    Document reference(kB);
    ASSERT_TRUE(reference.apply_changes(changes));
    std::sort(changes.begin(), changes.end(), [](Change const& x, Change const& y) { return x.seq < y.seq; });
    do {
        Document doc(kB);
        ASSERT_TRUE(doc.apply_changes(changes));
        EXPECT_EQ(doc.heads(), reference.heads());
        EXPECT_EQ(doc.get_changes().size(), 3u);
    } while (std::next_permutation(
        changes.begin(), changes.end(), [](Change const& x, Change const& y) { return x.seq < y.seq; }));
}

TEST(ApplyChanges, DuplicatesAreIgnored)
{
    auto const changes = chain();
    Document b(kB);
    ASSERT_TRUE(b.apply_changes(changes));
    auto const heads = b.heads();
    ASSERT_TRUE(b.apply_changes(changes));
    ASSERT_TRUE(b.apply_changes({ changes[0], changes[0] }));
    EXPECT_EQ(b.heads(), heads);
    EXPECT_EQ(b.get_changes().size(), 3u);
    // Waiting duplicates too.
    Document c(kB);
    ASSERT_TRUE(c.apply_changes({ changes[2], changes[2] }));
    ASSERT_TRUE(c.apply_changes({ changes[0], changes[1], changes[2] }));
    EXPECT_EQ(c.heads(), heads);
}

TEST(ApplyChanges, HeadsTrackConcurrentBranches)
{
    Document a(kA);
    ASSERT_TRUE(a.put(root_obj, "x", true));
    Document b = a.fork(kB);
    ASSERT_TRUE(a.put(root_obj, "a", true));
    ASSERT_TRUE(b.put(root_obj, "b", true));
    ASSERT_TRUE(a.merge(b));
    auto heads = a.heads();
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_TRUE(std::is_sorted(heads.begin(), heads.end()));
    ASSERT_TRUE(a.put(root_obj, "after", true));
    ASSERT_EQ(a.heads().size(), 1u);
    EXPECT_EQ(a.get_last_local_change()->deps, heads);
}

TEST(ApplyChanges, TheLocalActorContinuesAfterItsOwnChangesReturn)
{
    auto const changes = chain();
    Document a(kA);
    ASSERT_TRUE(a.apply_changes(changes));
    ASSERT_TRUE(a.put(root_obj, "more", true));
    auto const last = a.get_last_local_change();
    EXPECT_EQ(last->seq, 4u);
    EXPECT_EQ(last->start_op, 4u);
}

// The first change of actor a on an empty document, set up to be broken by one case.
Change base_change()
{
    return Change {
        .actors = { kA },
        .seq = 1,
        .start_op = 1,
        .ops = { Op { .obj = root_id, .key = std::string("k"), .value = std::int64_t { 1 } } },
    };
}

struct BadChangeCase {
    std::string_view name;
    std::function<void(Change&)> spoil;
    ApplyError want;
};

BadChangeCase const kBadChanges[] = {
    { "no actors", [](Change& c) { c.actors.clear(); }, ApplyError::MalformedChange },
    { "start op zero", [](Change& c) { c.start_op = 0; }, ApplyError::MalformedChange },
    { "seq skips one", [](Change& c) { c.seq = 2; }, ApplyError::SeqOutOfOrder },
    { "actor index past the table",
        [](Change& c) {
            c.ops[0].pred = { OpId { 1, 3 } };
        },
        ApplyError::MalformedChange },
    { "unknown object",
        [](Change& c) {
            c.ops[0].obj = OpId { 9, 0 };
        },
        ApplyError::UnknownObject },
    { "unknown predecessor",
        [](Change& c) {
            c.ops[0].pred = { OpId { 7, 0 } };
        },
        ApplyError::UnknownPredecessor },
    { "insert into a map", [](Change& c) { c.ops[0].insert = true; }, ApplyError::InvalidOp },
    { "element key on a map", [](Change& c) { c.ops[0].key = ElemId {}; }, ApplyError::InvalidOp },
    { "increment by a string",
        [](Change& c) {
            c.ops[0].action = Action::Increment;
            c.ops[0].value = std::string("one");
        },
        ApplyError::InvalidOp },
    { "second op fails",
        [](Change& c) {
            c.ops.push_back(Op { .obj = OpId { 1, 0 }, .key = ElemId {}, .insert = true });
        },
        ApplyError::UnknownObject },
    { "list op on a missing element",
        [](Change& c) {
            c.ops[0].action = Action::MakeList;
            c.ops.push_back(Op { .obj = OpId { 1, 0 }, .key = ElemId { OpId { 5, 0 } }, .value = true });
        },
        ApplyError::UnknownElement },
    { "string key on a list",
        [](Change& c) {
            c.ops[0].action = Action::MakeList;
            c.ops.push_back(Op { .obj = OpId { 1, 0 }, .key = std::string("k"), .value = true });
        },
        ApplyError::InvalidOp },
};

TEST(ApplyChanges, ChangesThatDoNotFitAreRejectedWhole)
{
    for (BadChangeCase const& c : kBadChanges) {
        SCOPED_TRACE(c.name);
        Change change = base_change();
        c.spoil(change);
        Document doc(kB);
        auto const result = doc.apply_changes({ change });
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), c.want);
        EXPECT_TRUE(doc.heads().empty());
        EXPECT_TRUE(doc.keys(root_obj).empty());
        // The document still takes good changes afterwards.
        ASSERT_TRUE(doc.apply_changes({ base_change() }));
        EXPECT_EQ(doc.keys(root_obj), std::vector<std::string> { "k" });
    }
}

TEST(ApplyChanges, ReusedOpIdsAreRejected)
{
    Change first = base_change();
    Document doc(kB);
    ASSERT_TRUE(doc.apply_changes({ first }));
    Change second = base_change();
    second.seq = 2;
    second.deps = doc.heads();
    auto const result = doc.apply_changes({ second });
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), ApplyError::OpIdReused);
}

TEST(ApplyChanges, ABadChangeInABatchLeavesNothingHalfQueued)
{
    // The bad change comes first; the good one after it is ready too and must not stay queued,
    // or save() writes it out unapplied and the saved file no longer loads.
    Change bad = base_change();
    bad.seq = 2;
    Change good = base_change();
    good.actors = { kB };
    good.ops[0].key = std::string("other");
    Document doc(ActorId { 0x0c });
    auto const result = doc.apply_changes({ bad, good });
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), ApplyError::SeqOutOfOrder);
    EXPECT_EQ(doc.keys(root_obj), std::vector<std::string> { "other" });
    EXPECT_TRUE(doc.missing_deps().empty());
    auto const again = Document::load(doc.save());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->heads(), doc.heads());
}

TEST(ApplyChanges, ApplyingCommitsThePendingTransaction)
{
    Document a(kA, CommitMode::Manual);
    ASSERT_TRUE(a.put(root_obj, "mine", true));
    ASSERT_TRUE(a.apply_changes({}));
    EXPECT_EQ(a.pending_ops(), 0u);
    EXPECT_EQ(a.get_changes().size(), 1u);
}

TEST(ApplyChanges, ForkWritesAsANewActorAndLeavesPendingWritesBehind)
{
    Document a(kA, CommitMode::Manual);
    ASSERT_TRUE(a.put(root_obj, "committed", true));
    ASSERT_TRUE(a.commit());
    ASSERT_TRUE(a.put(root_obj, "pending", true));
    Document b = a.fork(kB);
    EXPECT_EQ(b.actor(), kB);
    EXPECT_EQ(b.keys(root_obj), std::vector<std::string> { "committed" });
    EXPECT_EQ(a.keys(root_obj), (std::vector<std::string> { "committed", "pending" }));
    ASSERT_TRUE(b.put(root_obj, "forked", true));
    ASSERT_TRUE(b.commit());
    EXPECT_EQ(b.get_last_local_change()->actors.front(), kB);
    EXPECT_EQ(b.get_last_local_change()->seq, 1u);
    EXPECT_NE(Document().actor(), Document().actor());
}

} // namespace
