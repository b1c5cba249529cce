// The property the whole engine exists for: replicas that have seen the same changes hold the same
// document, whatever order the changes arrived in.

#include "document_dump.h"

#include <automerge/document.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using namespace automerge;
using automerge::testing::dump;

using Rng = std::mt19937_64;

std::size_t pick(Rng& rng, std::size_t n)
{
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
}

ObjId object_at(Document const& doc, std::string_view key)
{
    auto const value = doc.get(root_obj, key);
    return as_object(*value)->id;
}

std::string random_text(Rng& rng)
{
    static constexpr std::string_view kLetters[] = { "a", "b", "é", "語", "😀", " " };
    std::string text;
    for (std::size_t n = pick(rng, 4); n > 0; --n)
        text += kLetters[pick(rng, std::size(kLetters))];
    return text;
}

void random_map_write(Document& doc, Rng& rng)
{
    static constexpr std::string_view kKeys[] = { "x", "y", "z", "nested" };
    auto const key = kKeys[pick(rng, std::size(kKeys))];
    switch (pick(rng, 4)) {
    case 0:
        ASSERT_TRUE(doc.put(root_obj, key, std::int64_t(pick(rng, 100))));
        break;
    case 1:
        ASSERT_TRUE(doc.delete_key(root_obj, key));
        break;
    case 2:
        ASSERT_TRUE(doc.put_object(root_obj, key, ObjType::Map));
        break;
    default:
        // Write into whatever object the key holds, if it holds one.
        if (auto const value = doc.get(root_obj, key); value && as_object(*value)) {
            ASSERT_TRUE(doc.put(as_object(*value)->id, "inner", random_text(rng)));
        }
    }
}

void random_list_write(Document& doc, Rng& rng)
{
    ObjId const list = object_at(doc, "list");
    std::size_t const length = doc.length(list);
    if (length == 0 || pick(rng, 2) == 0) {
        ASSERT_TRUE(doc.insert(list, pick(rng, length + 1), std::int64_t(pick(rng, 100))));
    } else if (pick(rng, 2) == 0) {
        ASSERT_TRUE(doc.delete_element(list, pick(rng, length)));
    } else {
        ASSERT_TRUE(doc.put(list, pick(rng, length), std::string("set")));
    }
}

void random_text_write(Document& doc, Rng& rng)
{
    ObjId const text = object_at(doc, "text");
    std::size_t const length = doc.length(text);
    std::size_t const pos = pick(rng, length + 1);
    std::size_t const del = pick(rng, std::min<std::size_t>(length - pos, 3) + 1);
    if (pick(rng, 4) == 0) {
        ASSERT_TRUE(doc.splice_text_diffed(text, random_text(rng) + doc.text(text)));
    } else {
        ASSERT_TRUE(doc.splice_text(text, pos, del, random_text(rng)));
    }
}

void random_write(Document& doc, Rng& rng)
{
    switch (pick(rng, 4)) {
    case 0:
        random_map_write(doc, rng);
        break;
    case 1:
        random_list_write(doc, rng);
        break;
    case 2:
        random_text_write(doc, rng);
        break;
    default:
        ASSERT_TRUE(doc.increment(root_obj, "counter", std::int64_t(pick(rng, 10)) - 5));
    }
}

// Three replicas of one starting document, edited concurrently with occasional partial syncs.
std::vector<Document> edit_concurrently(Rng& rng)
{
    Document origin(ActorId { 0x01 });
    EXPECT_TRUE(origin.put_object(root_obj, "list", ObjType::List));
    EXPECT_TRUE(origin.put_object(root_obj, "text", ObjType::Text));
    EXPECT_TRUE(origin.put(root_obj, "counter", Counter {}));
    std::vector<Document> docs;
    docs.push_back(origin.fork(ActorId { 0x0a }));
    docs.push_back(origin.fork(ActorId { 0x0b }));
    docs.push_back(origin.fork(ActorId { 0x0c, 0x01 }));
    for (int round = 0; round < 6; ++round) {
        for (Document& doc : docs) {
            // Some writes grouped into one change, to mix change sizes.
            if (pick(rng, 3) == 0)
                doc.begin_transaction();
            for (std::size_t n = pick(rng, 5); n > 0; --n)
                random_write(doc, rng);
            doc.commit();
        }
        if (pick(rng, 2) == 0) {
            EXPECT_TRUE(docs[pick(rng, 3)].merge(docs[pick(rng, 3)]));
        }
    }
    return docs;
}

std::vector<Change> all_changes(std::vector<Document> const& docs)
{
    std::vector<Change> changes;
    for (Document const& doc : docs) {
        for (Change& change : doc.get_changes())
            changes.push_back(std::move(change));
    }
    return changes;
}

TEST(Convergence, MergeOrderDoesNotMatter)
{
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        Rng rng(seed);
        auto docs = edit_concurrently(rng);

        std::vector<std::size_t> order { 0, 1, 2 };
        std::optional<std::string> content;
        std::optional<std::vector<ChangeHash>> heads;
        do {
            Document merged = docs[order[0]].fork();
            ASSERT_TRUE(merged.merge(docs[order[1]]));
            ASSERT_TRUE(merged.merge(docs[order[2]]));
            if (!content) {
                content = dump(merged);
                heads = merged.heads();
            }
            EXPECT_EQ(dump(merged), *content);
            EXPECT_EQ(merged.heads(), *heads);
        } while (std::next_permutation(order.begin(), order.end()));

        // Every change at once, shuffled, into an empty document: the causal queue sorts them out.
        auto changes = all_changes(docs);
        std::shuffle(changes.begin(), changes.end(), rng);
        Document fresh(ActorId { 0xff });
        ASSERT_TRUE(fresh.apply_changes(changes));
        EXPECT_TRUE(fresh.missing_deps().empty());
        EXPECT_EQ(dump(fresh), *content);
        EXPECT_EQ(fresh.heads(), *heads);
    }
}

TEST(Convergence, ChangesTrickleInOneAtATime)
{
    for (std::uint64_t seed = 100; seed < 110; ++seed) {
        SCOPED_TRACE(seed);
        Rng rng(seed);
        auto docs = edit_concurrently(rng);
        Document merged = docs[0].fork();
        ASSERT_TRUE(merged.merge(docs[1]));
        ASSERT_TRUE(merged.merge(docs[2]));

        auto changes = all_changes(docs);
        std::shuffle(changes.begin(), changes.end(), rng);
        Document fresh(ActorId { 0xff });
        for (Change const& change : changes)
            ASSERT_TRUE(fresh.apply_changes({ change }));
        EXPECT_EQ(dump(fresh), dump(merged));
        EXPECT_EQ(fresh.heads(), merged.heads());
    }
}

TEST(Convergence, ReplicasAgreeAfterSyncingBothWays)
{
    for (std::uint64_t seed = 200; seed < 220; ++seed) {
        SCOPED_TRACE(seed);
        Rng rng(seed);
        auto docs = edit_concurrently(rng);
        for (Document& to : docs) {
            for (Document const& from : docs)
                ASSERT_TRUE(to.merge(from));
        }
        for (Document& to : docs) {
            for (Document const& from : docs)
                ASSERT_TRUE(to.merge(from));
        }
        EXPECT_EQ(dump(docs[0]), dump(docs[1]));
        EXPECT_EQ(dump(docs[1]), dump(docs[2]));
        EXPECT_EQ(docs[0].heads(), docs[2].heads());
        EXPECT_TRUE(docs[0].get_changes_added(docs[1]).empty());
    }
}

} // namespace
