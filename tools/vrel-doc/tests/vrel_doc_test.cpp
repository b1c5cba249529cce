// vrel-doc's commands, run in-process: dumps match the reference's, check tells whole files from
// damaged ones, merge and compact keep every change, and bad arguments get a usage line.
#include "cli.h"
#include "reference.h"

#include <automerge/canonical_json.h>
#include <automerge/chunk.h>
#include <automerge/document.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace {

using namespace automerge;
using namespace automerge::testing;

struct Outcome {
    int status {};
    std::string out;
    std::string err;
};

Outcome vrel_doc(std::vector<std::string> const& args)
{
    std::ostringstream out, err;
    int const status = vrel_doc::run(args, out, err);
    return { status, out.str(), err.str() };
}

std::filesystem::path reference_file(std::string_view name)
{
    return repo_root() / "platform" / "automerge" / "tests" / "fixtures" / "reference" / name;
}

std::vector<std::filesystem::path> reference_files()
{
    std::vector<std::filesystem::path> files;
    for (auto const& entry : std::filesystem::directory_iterator(reference_file(""))) {
        if (entry.path().extension() == ".automerge")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string expected_dump(std::filesystem::path const& file, bool conflicts)
{
    if (reference_available()) {
        std::vector<std::string> args { "dump", file.string() };
        if (conflicts)
            args.push_back("--conflicts");
        return run_reference(args).value_or("reference refused " + file.string());
    }
    auto committed = file;
    committed.replace_extension(conflicts ? ".conflicts.json" : ".json");
    return read_text(committed).value_or("no committed dump " + committed.string());
}

TEST(VrelDoc, TypedDumpAndHeadsAreTheReferences)
{
    auto const files = reference_files();
    ASSERT_GE(files.size(), 8u);
    for (auto const& file : files) {
        SCOPED_TRACE(file.filename().string());
        for (bool const conflicts : { false, true }) {
            std::vector<std::string> args { "dump", file.string(), "--typed" };
            if (conflicts)
                args.push_back("--conflicts");
            auto const dumped = vrel_doc(args);
            EXPECT_EQ(dumped.status, 0) << dumped.err;
            EXPECT_EQ(dumped.out, expected_dump(file, conflicts));
        }
        auto const heads = vrel_doc({ "heads", file.string() });
        EXPECT_EQ(heads.status, 0) << heads.err;
        if (reference_available()) {
            EXPECT_EQ(heads.out, run_reference({ "heads", file.string() }).value_or("reference refused"));
        }
    }
}

TEST(VrelDoc, ReadableDumpShowsPlainValues)
{
    TempDir dir;
    Document doc;
    auto const text = doc.put_object(root_obj, "text", ObjType::Text).value();
    ASSERT_TRUE(doc.splice_text(text, 0, 0, "hé \"🎉\"\n"));
    auto const list = doc.put_object(root_obj, "list", ObjType::List).value();
    ScalarValue const items[] = { Null {}, true, std::int64_t { std::numeric_limits<std::int64_t>::min() },
        std::numeric_limits<std::uint64_t>::max(), 1.5, std::nan(""), std::string("s"),
        std::vector<std::uint8_t> { 0x00, 0xab }, Counter { 7 }, Timestamp { -1 } };
    for (ScalarValue const& item : items)
        ASSERT_TRUE(doc.insert(list, doc.length(list), item));
    ASSERT_TRUE(doc.put_object(root_obj, "empty", ObjType::Map));
    ASSERT_TRUE(write_bytes(dir / "doc.automerge", doc.save()));

    auto const dumped = vrel_doc({ "dump", (dir / "doc.automerge").string() });
    EXPECT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_EQ(dumped.out,
        "{\n"
        "  \"empty\": {},\n"
        "  \"list\": [\n"
        "    null,\n"
        "    true,\n"
        "    -9223372036854775808,\n"
        "    18446744073709551615,\n"
        "    1.5,\n"
        "    \"NaN\",\n"
        "    \"s\",\n"
        "    \"00ab\",\n"
        "    7,\n"
        "    -1\n"
        "  ],\n"
        "  \"text\": \"hé \\\"🎉\\\"\\n\"\n"
        "}\n");
}

TEST(VrelDoc, ReadableDumpShowsConflicts)
{
    TempDir dir;
    Document a(ActorId { 0xaa });
    ASSERT_TRUE(a.put(root_obj, "title", std::string("from A")));
    Document b = a.fork(ActorId { 0xbb });
    ASSERT_TRUE(b.put(root_obj, "title", std::string("from B")));
    ASSERT_TRUE(a.put(root_obj, "title", std::string("A again")));
    ASSERT_TRUE(a.merge(b));
    ASSERT_TRUE(write_bytes(dir / "doc.automerge", a.save()));

    auto const winner = vrel_doc({ "dump", (dir / "doc.automerge").string() });
    EXPECT_EQ(winner.out, "{\n  \"title\": \"from B\"\n}\n");
    auto const all = vrel_doc({ "dump", "--conflicts", (dir / "doc.automerge").string() });
    EXPECT_EQ(all.out,
        "{\n  \"title\": {\n    \"_conflicts\": {\n      \"2@aa\": \"A again\",\n"
        "      \"2@bb\": \"from B\"\n    }\n  }\n}\n");
}

TEST(VrelDoc, CheckTellsWholeFilesFromDamagedOnes)
{
    // Several chunks, so a damaged tail leaves whole ones before it.
    auto const original = *read_bytes(reference_file("incremental.automerge"));
    auto const chunks = load_chunks(original).chunks;
    ASSERT_GE(chunks.size(), 3u);
    std::size_t const last = chunks.back().offset;
    auto with_tail = [&](std::size_t keep, std::vector<std::uint8_t> tail) {
        std::vector<std::uint8_t> bytes(original.begin(), original.begin() + static_cast<long>(keep));
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return bytes;
    };
    struct Case {
        std::string_view name;
        std::vector<std::uint8_t> bytes;
        int status;
        std::size_t valid;
        std::string_view tail;
    };
    std::vector<std::uint8_t> flipped = original;
    flipped[last + 20] ^= 0xff; // inside the last chunk: its checksum no longer matches
    Case const cases[] = {
        { "whole", original, 0, original.size(), "tail: complete\n" },
        { "cut short", with_tail(original.size() - 3, {}), 1, last, "tail: incomplete chunk at byte " },
        { "garbage after", with_tail(original.size(), { 'j', 'u', 'n', 'k', 0, 1, 2, 3, 4, 5 }), 1,
            original.size(), "tail: damaged at byte " },
        { "flipped byte", flipped, 1, last, "tail: damaged at byte " },
        { "not automerge", { 'h', 'e', 'l', 'l', 'o', '\n' }, 1, 0, "tail: damaged at byte 0: " },
    };
    TempDir dir;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        auto const file = (dir / "doc.automerge").string();
        ASSERT_TRUE(write_bytes(file, c.bytes));
        auto const checked = vrel_doc({ "check", file });
        EXPECT_EQ(checked.status, c.status);
        EXPECT_NE(checked.out.find("valid: " + std::to_string(c.valid) + " of "
                      + std::to_string(c.bytes.size()) + " bytes\n"),
            std::string::npos)
            << checked.out;
        EXPECT_NE(checked.out.find(c.tail), std::string::npos) << checked.out;
        // The heads it reports are those of the whole chunks.
        auto const recovered = Document::load(std::span(c.bytes).first(c.valid));
        ASSERT_TRUE(recovered);
        std::string heads = "heads:";
        for (ChangeHash const& head : recovered->heads())
            heads += " " + to_hex(head.bytes);
        EXPECT_NE(checked.out.find(heads + "\n"), std::string::npos) << checked.out;
        if (c.status == 0) {
            EXPECT_EQ(checked.err, "");
        } else {
            EXPECT_TRUE(checked.err.starts_with("vrel-doc: " + file + ": ")) << checked.err;
            EXPECT_EQ(std::count(checked.err.begin(), checked.err.end(), '\n'), 1) << checked.err;
        }
    }
}

TEST(VrelDoc, MergeOfTwoForksHoldsBoth)
{
    TempDir dir;
    Document base(ActorId { 0x01 });
    auto const list = base.put_object(root_obj, "messages", ObjType::List).value();
    ASSERT_TRUE(base.insert(list, 0, std::string("first")));
    Document left = base.fork(ActorId { 0x02 });
    Document right = base.fork(ActorId { 0x03 });
    ASSERT_TRUE(left.insert(list, 1, std::string("from left")));
    ASSERT_TRUE(right.put(root_obj, "topic", std::string("from right")));
    ASSERT_TRUE(write_bytes(dir / "a.automerge", left.save()));
    ASSERT_TRUE(write_bytes(dir / "b.automerge", right.save()));

    auto const merged = vrel_doc({ "merge", (dir / "a.automerge").string(), (dir / "b.automerge").string(),
        "-o", (dir / "out.automerge").string() });
    ASSERT_EQ(merged.status, 0) << merged.err;
    ASSERT_TRUE(left.merge(right));
    auto const out = Document::load(*read_bytes(dir / "out.automerge"));
    ASSERT_TRUE(out);
    EXPECT_EQ(out->heads().size(), 2u);
    EXPECT_EQ(canonical_json(*out, Conflicts::All), canonical_json(left, Conflicts::All));
    EXPECT_EQ(merged.out, vrel_doc({ "heads", (dir / "out.automerge").string() }).out);
    if (reference_available()) {
        auto const theirs = run_reference({ "merge", (dir / "a.automerge").string(),
            (dir / "b.automerge").string(), (dir / "theirs.automerge").string() });
        ASSERT_TRUE(theirs);
        EXPECT_EQ(merged.out, *theirs);
        EXPECT_EQ(vrel_doc({ "dump", "--typed", (dir / "out.automerge").string() }).out,
            *run_reference({ "dump", (dir / "theirs.automerge").string() }));
    }
}

TEST(VrelDoc, CompactKeepsContentAndHeads)
{
    TempDir dir;
    auto const file = (dir / "doc.automerge").string();
    auto const original = *read_bytes(reference_file("incremental.automerge"));
    ASSERT_TRUE(write_bytes(file, original));
    auto const before = vrel_doc({ "dump", "--typed", "--conflicts", file }).out;

    auto const compacted = vrel_doc({ "compact", file });
    ASSERT_EQ(compacted.status, 0) << compacted.err;
    auto const bytes = *read_bytes(file);
    EXPECT_EQ(load_chunks(bytes).chunks.size(), 1u);
    EXPECT_EQ(vrel_doc({ "dump", "--typed", "--conflicts", file }).out, before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "temp file left behind";

    // A damaged file stays as it is.
    std::vector<std::uint8_t> damaged = original;
    damaged.push_back(0x42);
    ASSERT_TRUE(write_bytes(file, damaged));
    auto const refused = vrel_doc({ "compact", file });
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("run vrel-doc check"), std::string::npos) << refused.err;
    EXPECT_EQ(*read_bytes(file), damaged);
}

TEST(VrelDoc, BadArgumentsAndInputsGetOneClearLine)
{
    TempDir dir;
    auto const junk = (dir / "junk").string();
    ASSERT_TRUE(write_bytes(junk, std::vector<std::uint8_t> { 1, 2, 3 }));
    auto const doc = reference_file("chat.automerge").string();
    auto const deep = (dir / "deep").string();
    Document nested;
    ObjId inner = root_obj;
    for (int level = 0; level < 1000; ++level)
        inner = nested.put_object(inner, "in", ObjType::Map).value();
    ASSERT_TRUE(write_bytes(deep, nested.save()));
    struct Case {
        std::string_view name;
        std::vector<std::string> args;
        int status;
        std::string err_start;
    };
    Case const cases[] = {
        { "nothing", {}, 2, "vrel-doc: no command\nusage: " },
        { "unknown command", { "frob", doc }, 2, "vrel-doc: unknown command frob\nusage: " },
        { "no file", { "dump" }, 2, "vrel-doc: dump takes 1 file\nusage: " },
        { "two files", { "heads", doc, doc }, 2, "vrel-doc: heads takes 1 file\nusage: " },
        { "unknown option", { "dump", doc, "--bogus" }, 2, "vrel-doc: unknown option --bogus\nusage: " },
        { "dump option elsewhere", { "heads", doc, "--typed" }, 2, "vrel-doc: --typed and --conflicts" },
        { "merge without -o", { "merge", doc, doc }, 2, "vrel-doc: merge needs -o OUT\nusage: " },
        { "-o without name", { "merge", doc, doc, "-o" }, 2, "vrel-doc: -o needs a file name\nusage: " },
        { "-o elsewhere", { "compact", doc, "-o", junk }, 2, "vrel-doc: -o belongs to merge\nusage: " },
        { "missing file", { "dump", junk + ".none" }, 1,
            "vrel-doc: " + junk + ".none: cannot open: No such file or directory\n" },
        { "directory", { "heads", dir.path().string() }, 1,
            "vrel-doc: " + dir.path().string() + ": not a regular file\n" },
        { "not automerge", { "dump", junk }, 1, "vrel-doc: " + junk + ": not a whole Automerge file: " },
        { "nested too deep", { "dump", "--typed", deep }, 1,
            "vrel-doc: " + deep + ": objects nest more than 1000 levels deep; not dumped\n" },
        { "merge of junk", { "merge", doc, junk, "-o", junk + ".out" }, 1, "vrel-doc: " + junk + ": " },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        auto const outcome = vrel_doc(c.args);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(outcome.err.starts_with(c.err_start)) << outcome.err;
        if (c.status == 1) {
            EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(junk + ".out"));
    auto const help = vrel_doc({ "--help" });
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with(vrel_doc::usage_text())) << help.out;
}

} // namespace
