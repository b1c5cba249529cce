// Our documents against the reference implementation: files it wrote read the same here, and
// files we write (including documents built from random concurrent edits) read the same there.

#include "reference.h"

#include <automerge/canonical_json.h>
#include <automerge/document.h>

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace automerge;
using namespace automerge::testing;

std::vector<std::filesystem::path> fixture_files()
{
    std::vector<std::filesystem::path> files;
    for (auto const& entry : std::filesystem::directory_iterator(reference_fixture(""))) {
        if (entry.path().extension() == ".automerge")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::filesystem::path with_suffix(std::filesystem::path path, std::string_view suffix)
{
    return path.replace_extension().string() + std::string(suffix);
}

TEST(DocumentReference, ReferenceFilesReadAsTheReferenceReadsThem)
{
    auto const files = fixture_files();
    ASSERT_FALSE(files.empty());
    for (auto const& file : files) {
        SCOPED_TRACE(file.filename().string());
        auto const loaded = Document::load(*read_bytes(file));
        ASSERT_TRUE(loaded);
        EXPECT_EQ(canonical_json(*loaded, Conflicts::All),
            first_line(*read_text(with_suffix(file, ".conflicts.json"))));
        EXPECT_EQ(
            canonical_json(*loaded, Conflicts::Winner), first_line(*read_text(with_suffix(file, ".json"))));
    }
}

TEST(DocumentReference, ReferenceFilesSurviveOurSaveAndLoad)
{
    for (auto const& file : fixture_files()) {
        SCOPED_TRACE(file.filename().string());
        auto loaded = Document::load(*read_bytes(file));
        ASSERT_TRUE(loaded);
        auto const again = Document::load(loaded->save());
        ASSERT_TRUE(again);
        EXPECT_EQ(canonical_json(*again, Conflicts::All), canonical_json(*loaded, Conflicts::All));
    }
}

TEST(DocumentReference, TheReferenceReadsOurSavesOfItsFiles)
{
    if (!reference_available())
        GTEST_SKIP() << "the reference tools are not installed";
    TempDir dir;
    for (auto const& file : fixture_files()) {
        SCOPED_TRACE(file.filename().string());
        auto loaded = Document::load(*read_bytes(file));
        ASSERT_TRUE(loaded);
        ASSERT_TRUE(write_bytes(dir / "ours.automerge", loaded->save()));
        auto const theirs = run_reference({ "dump", (dir / "ours.automerge").string(), "--conflicts" });
        ASSERT_TRUE(theirs);
        EXPECT_EQ(first_line(*theirs), canonical_json(*loaded, Conflicts::All));
    }
}

using Rng = std::mt19937_64;

std::size_t pick(Rng& rng, std::size_t n)
{
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
}

// One random write to the shared list, text, counter or a root key.
void random_write(Document& doc, Rng& rng)
{
    static constexpr std::string_view kKeys[] = { "x", "y", "z" };
    static constexpr std::string_view kLetters[] = { "a", "é", "語", "😀" };
    ObjId const list = as_object(*doc.get(root_obj, "list"))->id;
    ObjId const text = as_object(*doc.get(root_obj, "text"))->id;
    std::size_t const list_length = doc.length(list);
    std::size_t const text_length = doc.length(text);
    switch (pick(rng, 7)) {
    case 0:
        EXPECT_TRUE(doc.put(root_obj, kKeys[pick(rng, 3)], std::int64_t(pick(rng, 1000))));
        break;
    case 1:
        EXPECT_TRUE(doc.delete_key(root_obj, kKeys[pick(rng, 3)]));
        break;
    case 2:
        EXPECT_TRUE(doc.insert(list, pick(rng, list_length + 1), std::string(kLetters[pick(rng, 4)])));
        break;
    case 3:
        if (list_length > 0) {
            EXPECT_TRUE(doc.delete_element(list, pick(rng, list_length)));
        }
        break;
    case 4:
        if (list_length > 0) {
            EXPECT_TRUE(doc.put(list, pick(rng, list_length), 0.5 * double(pick(rng, 9))));
        }
        break;
    case 5: {
        std::size_t const pos = pick(rng, text_length + 1);
        std::size_t const del = pick(rng, std::min<std::size_t>(text_length - pos, 2) + 1);
        EXPECT_TRUE(doc.splice_text(text, pos, del, std::string(kLetters[pick(rng, 4)]) + "b"));
        break;
    }
    default:
        EXPECT_TRUE(doc.increment(root_obj, "counter", std::int64_t(pick(rng, 7)) - 3));
    }
}

// Random concurrent edits on three actors, merged: the reference must read our save of the result
// exactly as we do, conflicts, list order and counters included.
TEST(DocumentReference, TheReferenceAgreesOnMergedConcurrentEdits)
{
    if (!reference_available())
        GTEST_SKIP() << "the reference tools are not installed";
    TempDir dir;
    for (std::uint64_t seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE(seed);
        Rng rng(seed);
        Document origin(ActorId { 0x01, 0x01 });
        ASSERT_TRUE(origin.put_object(root_obj, "list", ObjType::List));
        ASSERT_TRUE(origin.put_object(root_obj, "text", ObjType::Text));
        ASSERT_TRUE(origin.put(root_obj, "counter", Counter {}));
        std::vector<Document> docs;
        for (std::uint8_t actor : { 0xa1, 0xb2, 0xc3 })
            docs.push_back(origin.fork(ActorId(16, actor)));
        for (int round = 0; round < 5; ++round) {
            for (Document& doc : docs) {
                for (std::size_t n = pick(rng, 6); n > 0; --n)
                    random_write(doc, rng);
            }
            ASSERT_TRUE(docs[pick(rng, 3)].merge(docs[pick(rng, 3)]));
        }
        ASSERT_TRUE(docs[0].merge(docs[1]));
        ASSERT_TRUE(docs[0].merge(docs[2]));
        ASSERT_TRUE(write_bytes(dir / "merged.automerge", docs[0].save()));
        auto const theirs = run_reference({ "dump", (dir / "merged.automerge").string(), "--conflicts" });
        ASSERT_TRUE(theirs);
        EXPECT_EQ(first_line(*theirs), canonical_json(docs[0], Conflicts::All));
    }
}

} // namespace
