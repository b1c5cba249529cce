// Saving and loading documents: whole saves, incremental saves, and bytes that are not documents.

#include "document_dump.h"

#include <automerge/document.h>

#include <gtest/gtest.h>

namespace {

using namespace automerge;
using automerge::testing::dump;
using Bytes = std::vector<std::uint8_t>;

ActorId const kA { 0x0a, 0x01 };
ActorId const kB { 0x0b, 0x02 };

// A document touching every kind of op: conflicts, deletes, counters, nested objects, text.
Document sample()
{
    Document a(kA);
    auto const list = a.put_object(root_obj, "list", ObjType::List).value();
    auto const text = a.put_object(root_obj, "text", ObjType::Text).value();
    EXPECT_TRUE(a.put(root_obj, "counter", Counter { 5 }));
    EXPECT_TRUE(a.splice_text(text, 0, 0, "héllo 😀 wörld"));
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(a.insert(list, static_cast<std::size_t>(i), std::int64_t { i }));
    Document b = a.fork(kB);
    EXPECT_TRUE(a.put(root_obj, "title", std::string("from a")));
    EXPECT_TRUE(b.put(root_obj, "title", std::string("from b")));
    EXPECT_TRUE(a.increment(root_obj, "counter", 3));
    EXPECT_TRUE(b.increment(root_obj, "counter", 4));
    EXPECT_TRUE(b.delete_element(list, 1));
    EXPECT_TRUE(a.put(list, 1, std::string("kept")));
    EXPECT_TRUE(b.splice_text(text, 6, 1, "🎉"));
    auto const nested = b.put_object(root_obj, "nested", ObjType::Map).value();
    EXPECT_TRUE(b.put(nested, "deep", 2.5));
    EXPECT_TRUE(b.delete_key(root_obj, "counter"));
    EXPECT_TRUE(a.merge(b));
    return a;
}

TEST(DocumentStorage, SaveThenLoadGivesTheSameDocument)
{
    Document doc = sample();
    Bytes const saved = doc.save();
    auto loaded = Document::load(saved);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(dump(*loaded), dump(doc));
    EXPECT_EQ(loaded->heads(), doc.heads());
    EXPECT_EQ(loaded->get_changes(), doc.get_changes());
    // Saving what was loaded writes the same bytes.
    EXPECT_EQ(loaded->save(), saved);
}

TEST(DocumentStorage, EmptyDocumentRoundTrips)
{
    Document doc(kA);
    auto loaded = Document::load(doc.save());
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->heads().empty());
    EXPECT_TRUE(loaded->keys(root_obj).empty());
}

TEST(DocumentStorage, LoadedDocumentKeepsEditing)
{
    Document doc = sample();
    auto loaded = Document::load(doc.save(), kA);
    ASSERT_TRUE(loaded);
    for (Document* d : { &*loaded, &doc }) {
        d->begin_transaction();
        ASSERT_TRUE(d->put(root_obj, "after", true));
        d->commit(std::nullopt, 42);
    }
    // Same actor, same state, same write: the same change.
    EXPECT_EQ(loaded->heads(), doc.heads());
    EXPECT_EQ(loaded->get_last_local_change()->seq, doc.get_last_local_change()->seq);
}

TEST(DocumentStorage, IncrementalSavesAppendToTheFile)
{
    Document doc(kA);
    ASSERT_TRUE(doc.put(root_obj, "a", true));
    Bytes file = doc.save();
    EXPECT_TRUE(doc.save_incremental().empty());
    for (std::int64_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(doc.put(root_obj, "n", i));
        Bytes const more = doc.save_incremental();
        EXPECT_FALSE(more.empty());
        file.insert(file.end(), more.begin(), more.end());
    }
    auto loaded = Document::load(file);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(dump(*loaded), dump(doc));
    EXPECT_EQ(loaded->heads(), doc.heads());
}

TEST(DocumentStorage, LoadIncrementalAppliesChunksToAnotherDocument)
{
    Document doc = sample();
    Document other(kB);
    ASSERT_TRUE(other.load_incremental(doc.save_incremental()));
    EXPECT_EQ(dump(other), dump(doc));
    // Chunks already applied are ignored.
    ASSERT_TRUE(other.load_incremental(doc.save()));
    EXPECT_EQ(other.heads(), doc.heads());
}

TEST(DocumentStorage, WaitingChangesSurviveASave)
{
    Document a(kA);
    ASSERT_TRUE(a.put(root_obj, "x", std::int64_t { 1 }));
    ASSERT_TRUE(a.put(root_obj, "y", std::int64_t { 2 }));
    auto const changes = a.get_changes();
    Document b(kB);
    ASSERT_TRUE(b.apply_changes({ changes[1] }));
    auto loaded = Document::load(b.save());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->missing_deps(), b.missing_deps());
    ASSERT_TRUE(loaded->apply_changes({ changes[0] }));
    EXPECT_EQ(dump(*loaded), dump(a));
}

TEST(DocumentStorage, GarbageIsACodecError)
{
    Bytes const garbage { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 };
    auto const loaded = Document::load(garbage);
    ASSERT_FALSE(loaded);
    EXPECT_TRUE(std::holds_alternative<CodecError>(loaded.error()));
}

TEST(DocumentStorage, ACutShortAppendIsRejectedOrIgnoredAsAsked)
{
    Document doc(kA);
    ASSERT_TRUE(doc.put(root_obj, "kept", true));
    Bytes file = doc.save();
    ASSERT_TRUE(doc.put(root_obj, "lost", true));
    Bytes const more = doc.save_incremental();
    file.insert(file.end(), more.begin(), more.begin() + static_cast<std::ptrdiff_t>(more.size() / 2));

    EXPECT_FALSE(Document::load(file));
    auto const loaded = Document::load(file, CommitMode::Auto, PartialTail::Ignore);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->keys(root_obj), std::vector<std::string> { "kept" });
}

TEST(DocumentStorage, CorruptedSaveIsRejected)
{
    Bytes file = sample().save();
    file[file.size() / 2] ^= 0x55;
    auto const loaded = Document::load(file);
    ASSERT_FALSE(loaded);
    EXPECT_TRUE(std::holds_alternative<CodecError>(loaded.error()));
}

} // namespace
