// Differential test against the reference implementation: seeded random programs of edits on three
// replicas, with merges in between and at the end in different orders, are run by our engine and
// by the reference (tools/automerge-ref/replay.mjs). Every replica must save to the same bytes in
// both, and read the same, conflicts included.

#include "reference.h"
#include <automerge/canonical_json.h>

#include <automerge/chunk.h>
#include <automerge/document.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <random>
#include <sstream>

namespace {

using namespace automerge;
using namespace automerge::testing;

using Rng = std::mt19937_64;

std::size_t pick(Rng& rng, std::size_t n)
{
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
}

std::string json_text(std::string_view text) { return json_string(text); }

// One value of every scalar kind, extremes included.
ScalarValue random_scalar(Rng& rng)
{
    static constexpr std::array<std::string_view, 6> kStrings { "", "a", "héllo", "語", "😀 🎉",
        "line\nbreak" };
    switch (pick(rng, 10)) {
    case 0:
        return Null {};
    case 1:
        return pick(rng, 2) == 1;
    case 2:
        return std::int64_t(pick(rng, 2001)) - 1000;
    case 3:
        return pick(rng, 2) == 0 ? std::numeric_limits<std::int64_t>::min()
                                 : std::numeric_limits<std::int64_t>::max();
    case 4:
        return pick(rng, 2) == 0 ? std::uint64_t { 7 } : std::numeric_limits<std::uint64_t>::max();
    case 5: {
        static constexpr std::array<double, 5> kDoubles { 0.5, -2.25, 1e300, -0.0, 3.0 };
        return kDoubles[pick(rng, kDoubles.size())];
    }
    case 6:
        return std::string(kStrings[pick(rng, kStrings.size())]);
    case 7:
        return std::vector<std::uint8_t>(pick(rng, 4), std::uint8_t(pick(rng, 256)));
    case 8:
        return Timestamp { std::int64_t(1'700'000'000'000) + std::int64_t(pick(rng, 1000)) };
    default:
        return Counter { std::int64_t(pick(rng, 10)) - 5 };
    }
}

// A value in the op language: as in the canonical form, except that integers a JSON reader cannot
// hold exactly are written as strings of digits.
std::string tagged(ScalarValue const& value)
{
    constexpr std::int64_t exact = (std::int64_t { 1 } << 53) - 1;
    if (auto const* i = std::get_if<std::int64_t>(&value); i && (*i > exact || *i < -exact))
        return "{\"int\":\"" + std::to_string(*i) + "\"}";
    if (auto const* u = std::get_if<std::uint64_t>(&value); u && *u > std::uint64_t(exact))
        return "{\"uint\":\"" + std::to_string(*u) + "\"}";
    return canonical_scalar(value);
}

std::optional<ObjectRef> object_at(Document const& doc, ObjId const& obj, std::string_view key)
{
    auto const value = doc.get(obj, key);
    if (!value || !as_object(*value))
        return std::nullopt;
    return *as_object(*value);
}

std::optional<ObjectRef> object_at(Document const& doc, ObjId const& obj, std::size_t index)
{
    auto const value = doc.get(obj, index);
    if (!value || !as_object(*value))
        return std::nullopt;
    return *as_object(*value);
}

// Builds one program for our engine and the reference's replay script at the same time: each edit
// is made on our replica and written down in the script's op language.
class Program {
public:
    void add_new(std::size_t doc, ActorId const& actor)
    {
        m_docs.resize(std::max(m_docs.size(), doc + 1));
        m_docs[doc].emplace(actor);
        step("{\"new\":" + std::to_string(doc) + ",\"actor\":\"" + to_hex(actor) + "\"}");
    }
    void add_fork(std::size_t doc, std::size_t from, ActorId const& actor)
    {
        m_docs.resize(std::max(m_docs.size(), doc + 1));
        m_docs[doc].emplace(m_docs[from]->fork(actor));
        step("{\"fork\":" + std::to_string(doc) + ",\"from\":" + std::to_string(from) + ",\"actor\":\""
            + to_hex(actor) + "\"}");
    }
    void add_merge(std::size_t doc, std::size_t from)
    {
        EXPECT_TRUE(m_docs[doc]->merge(*m_docs[from]));
        step("{\"merge\":" + std::to_string(doc) + ",\"from\":" + std::to_string(from) + "}");
    }
    // Opens a change on `doc`; ops follow, then end_change.
    Document& begin_change(std::size_t doc)
    {
        m_change = doc;
        m_ops.clear();
        m_docs[doc]->begin_transaction();
        return *m_docs[doc];
    }
    void op(std::string json) { m_ops.push_back(std::move(json)); }
    void end_change(std::int64_t time)
    {
        EXPECT_TRUE(m_docs[m_change]->commit(std::nullopt, time).has_value());
        std::string ops;
        for (std::string const& o : m_ops)
            ops += (ops.empty() ? "" : ",") + o;
        step("{\"change\":" + std::to_string(m_change) + ",\"time\":" + std::to_string(time) + ",\"ops\":["
            + ops + "]}");
    }

    Document& doc(std::size_t i) { return *m_docs[i]; }
    std::size_t size() const { return m_docs.size(); }
    std::string json() const { return "[" + m_steps + "]"; }

private:
    void step(std::string const& text) { m_steps += (m_steps.empty() ? "" : ",") + text; }

    std::vector<std::optional<Document>> m_docs;
    std::string m_steps;
    std::vector<std::string> m_ops;
    std::size_t m_change {};
};

// One random edit of the shared shape: root scalars, a map, a list of scalars, maps and texts, a
// text and a counter.
void random_op(Program& program, Document& doc, Rng& rng)
{
    static constexpr std::array<std::string_view, 3> kRootKeys { "a", "b", "c" };
    static constexpr std::array<std::string_view, 4> kMapKeys { "x", "y", "é", "🎉" };
    static constexpr std::array<std::string_view, 6> kPieces { "a", "bc", "é", "語", "😀", "\n" };
    ObjId const list = object_at(doc, root_obj, "l")->id;
    ObjId const map = object_at(doc, root_obj, "m")->id;
    ObjId const text = object_at(doc, root_obj, "t")->id;
    std::size_t const list_length = doc.length(list);
    std::size_t const text_length = doc.length(text);
    switch (pick(rng, 11)) {
    case 0: {
        std::string_view const key = kRootKeys[pick(rng, kRootKeys.size())];
        ScalarValue const value = random_scalar(rng);
        EXPECT_TRUE(doc.put(root_obj, key, value));
        program.op("{\"op\":\"put\",\"path\":[" + json_text(key) + "],\"value\":" + tagged(value) + "}");
        return;
    }
    case 1: {
        std::string_view const key = kRootKeys[pick(rng, kRootKeys.size())];
        if (!doc.get(root_obj, key))
            break;
        EXPECT_TRUE(doc.delete_key(root_obj, key));
        program.op("{\"op\":\"delete\",\"path\":[" + json_text(key) + "]}");
        return;
    }
    case 2: {
        std::string_view const key = kMapKeys[pick(rng, kMapKeys.size())];
        ScalarValue const value = random_scalar(rng);
        EXPECT_TRUE(doc.put(map, key, value));
        program.op(
            "{\"op\":\"put\",\"path\":[\"m\"," + json_text(key) + "],\"value\":" + tagged(value) + "}");
        return;
    }
    case 3: {
        std::size_t const index = pick(rng, list_length + 1);
        ScalarValue const value = random_scalar(rng);
        EXPECT_TRUE(doc.insert(list, index, value));
        program.op("{\"op\":\"insert\",\"path\":[\"l\"," + std::to_string(index)
            + "],\"value\":" + tagged(value) + "}");
        return;
    }
    case 4: {
        std::size_t const index = pick(rng, list_length + 1);
        bool const as_text = pick(rng, 2) == 0;
        EXPECT_TRUE(doc.insert_object(list, index, as_text ? ObjType::Text : ObjType::Map));
        program.op("{\"op\":\"insert\",\"path\":[\"l\"," + std::to_string(index)
            + "],\"value\":" + (as_text ? "{\"_text\":\"\"}" : "{\"_map\":{}}") + "}");
        return;
    }
    case 5: {
        if (list_length == 0)
            break;
        std::size_t const index = pick(rng, list_length);
        EXPECT_TRUE(doc.delete_element(list, index));
        program.op("{\"op\":\"delete\",\"path\":[\"l\"," + std::to_string(index) + "]}");
        return;
    }
    case 6: {
        if (list_length == 0)
            break;
        std::size_t const index = pick(rng, list_length);
        auto const element = object_at(doc, list, index);
        std::string const path = "[\"l\"," + std::to_string(index);
        if (element && element->type == ObjType::Map) {
            std::string_view const key = kMapKeys[pick(rng, kMapKeys.size())];
            ScalarValue const value = random_scalar(rng);
            EXPECT_TRUE(doc.put(element->id, key, value));
            program.op("{\"op\":\"put\",\"path\":" + path + "," + json_text(key)
                + "],\"value\":" + tagged(value) + "}");
        } else if (element && element->type == ObjType::Text) {
            std::string const piece(kPieces[pick(rng, kPieces.size())]);
            std::size_t const pos = pick(rng, doc.length(element->id) + 1);
            EXPECT_TRUE(doc.splice_text(element->id, pos, 0, piece));
            program.op("{\"op\":\"splice\",\"path\":" + path + "],\"index\":" + std::to_string(pos)
                + ",\"text\":" + json_text(piece) + "}");
        } else {
            ScalarValue const value = random_scalar(rng);
            EXPECT_TRUE(doc.put(list, index, value));
            program.op("{\"op\":\"put\",\"path\":" + path + "],\"value\":" + tagged(value) + "}");
        }
        return;
    }
    case 7:
    case 8: {
        std::size_t const pos = pick(rng, text_length + 1);
        std::size_t const del = pick(rng, std::min<std::size_t>(text_length - pos, 3) + 1);
        std::string insert;
        for (std::size_t n = pick(rng, 3); n > 0; --n)
            insert += kPieces[pick(rng, kPieces.size())];
        if (del == 0 && insert.empty())
            insert = "z";
        EXPECT_TRUE(doc.splice_text(text, pos, del, insert));
        program.op("{\"op\":\"splice\",\"path\":[\"t\"],\"index\":" + std::to_string(pos)
            + ",\"delete\":" + std::to_string(del) + ",\"text\":" + json_text(insert) + "}");
        return;
    }
    case 9: {
        std::int64_t const by = std::int64_t(pick(rng, 21)) - 10;
        EXPECT_TRUE(doc.increment(root_obj, "n", by));
        program.op("{\"op\":\"increment\",\"path\":[\"n\"],\"by\":" + std::to_string(by) + "}");
        return;
    }
    default: {
        // A whole new object over an old one: its contents go with it.
        bool const as_list = pick(rng, 2) == 0;
        EXPECT_TRUE(doc.put_object(root_obj, "o", as_list ? ObjType::List : ObjType::Map));
        program.op(std::string("{\"op\":\"put\",\"path\":[\"o\"],\"value\":")
            + (as_list ? "{\"_list\":[]}" : "{\"_map\":{}}") + "}");
        return;
    }
    }
    // The pick did not apply to this state: append to the text instead.
    EXPECT_TRUE(doc.splice_text(text, text_length, 0, "+"));
    program.op(
        "{\"op\":\"splice\",\"path\":[\"t\"],\"index\":" + std::to_string(text_length) + ",\"text\":\"+\"}");
}

// A document's changes as (author, seq) → the change with its deps as (author, seq) too, so that
// two histories compare whatever order they list their changes in.
std::map<std::pair<ActorId, std::uint64_t>, std::string> changes_by_author(DocumentData const& data)
{
    auto const name = [&](DocumentChange const& c) { return std::pair { data.actors.at(c.actor), c.seq }; };
    std::map<std::pair<ActorId, std::uint64_t>, std::string> out;
    for (DocumentChange const& c : data.changes) {
        std::vector<std::pair<ActorId, std::uint64_t>> deps;
        for (std::uint64_t d : c.deps)
            deps.push_back(name(data.changes.at(d)));
        std::sort(deps.begin(), deps.end());
        std::string text = std::to_string(c.max_op) + " " + std::to_string(c.time);
        for (auto const& [actor, seq] : deps)
            text += " " + to_hex(actor) + ":" + std::to_string(seq);
        out.emplace(name(c), text + " " + to_hex(c.extra_bytes) + " " + c.message.value_or(""));
    }
    return out;
}

Program random_program(std::uint64_t seed)
{
    Rng rng(seed);
    Program program;
    program.add_new(0, ActorId(16, 0xa1));
    Document& origin = program.begin_change(0);
    EXPECT_TRUE(origin.put_object(root_obj, "l", ObjType::List));
    EXPECT_TRUE(origin.put_object(root_obj, "m", ObjType::Map));
    EXPECT_TRUE(origin.put_object(root_obj, "t", ObjType::Text));
    EXPECT_TRUE(origin.put(root_obj, "n", Counter { 0 }));
    program.op(R"({"op":"put","path":["l"],"value":{"_list":[]}})");
    program.op(R"({"op":"put","path":["m"],"value":{"_map":{}}})");
    program.op(R"({"op":"put","path":["t"],"value":{"_text":""}})");
    program.op(R"({"op":"put","path":["n"],"value":{"counter":0}})");
    program.end_change(1000);
    program.add_fork(1, 0, ActorId(16, 0xb2));
    program.add_fork(2, 0, ActorId(16, 0xc3));
    std::int64_t time = 1000;
    for (int step = 0; step < 40; ++step) {
        if (pick(rng, 5) == 0) {
            std::size_t const into = pick(rng, 3);
            program.add_merge(into, (into + 1 + pick(rng, 2)) % 3);
            continue;
        }
        std::size_t const replica = pick(rng, 3);
        Document& doc = program.begin_change(replica);
        for (std::size_t n = 1 + pick(rng, 4); n > 0; --n)
            random_op(program, doc, rng);
        // A put of the value already there writes nothing; keep every change non-empty.
        if (doc.pending_ops() == 0)
            random_op(program, doc, rng);
        while (doc.pending_ops() == 0) {
            ObjId const text = object_at(doc, root_obj, "t")->id;
            std::size_t const end = doc.length(text);
            EXPECT_TRUE(doc.splice_text(text, end, 0, "+"));
            program.op(R"({"op":"splice","path":["t"],"index":)" + std::to_string(end) + R"(,"text":"+"})");
        }
        time += std::int64_t(pick(rng, 5000));
        program.end_change(time);
    }
    // Everyone gets everything, each replica in its own order.
    program.add_merge(0, 1);
    program.add_merge(0, 2);
    program.add_merge(1, 2);
    program.add_merge(1, 0);
    program.add_merge(2, 0);
    return program;
}

TEST(Differential, RandomProgramsSaveAndReadAsInTheReference)
{
    if (!reference_available())
        GTEST_SKIP() << "the reference tools are not installed";
    TempDir dir;
    for (std::uint64_t seed = 1; seed <= 16; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Program program = random_program(seed);
        ASSERT_FALSE(::testing::Test::HasFailure());
        auto const out = dir / std::to_string(seed);
        std::filesystem::create_directories(out);
        std::string const json = program.json();
        ASSERT_TRUE(write_bytes(out / "program.json",
            std::span(reinterpret_cast<std::uint8_t const*>(json.data()), json.size())));
        auto const run = run_reference_full({ "replay", (out / "program.json").string(), out.string() });
        ASSERT_TRUE(run.ok()) << (out / "program.json") << ": " << run.err;
        std::istringstream lines(run.out);
        for (std::size_t i = 0; i < program.size(); ++i) {
            SCOPED_TRACE("replica " + std::to_string(i));
            Document& ours = program.doc(i);
            std::string their_heads;
            std::getline(lines, their_heads);
            std::string our_heads;
            for (ChangeHash const& h : ours.heads())
                our_heads += (our_heads.empty() ? "" : " ") + to_hex(h.bytes);
            EXPECT_EQ(our_heads, their_heads);
            auto const theirs = read_bytes(out / (std::to_string(i) + ".automerge"));
            ASSERT_TRUE(theirs);
            auto const loaded = Document::load(*theirs);
            ASSERT_TRUE(loaded);
            EXPECT_EQ(canonical_json(*loaded, Conflicts::All), canonical_json(ours, Conflicts::All));
            // The same ops and the same changes; the order of changes in the document chunk may
            // differ, as it follows the order in which each engine applied a merge's changes.
            auto const our_bytes = ours.save();
            auto const our_data = decode_document_data(our_bytes);
            auto const their_data = decode_document_data(*theirs);
            ASSERT_TRUE(our_data && their_data);
            EXPECT_EQ(our_data->actors, their_data->actors);
            EXPECT_TRUE(our_data->ops == their_data->ops);
            EXPECT_EQ(changes_by_author(*our_data), changes_by_author(*their_data));
            // With the history in our order, the reference writes exactly our bytes.
            ASSERT_TRUE(write_bytes(out / "ours.automerge", our_bytes));
            ASSERT_TRUE(run_reference(
                { "save", (out / "ours.automerge").string(), (out / "resaved.automerge").string() }));
            EXPECT_EQ(read_bytes(out / "resaved.automerge"), our_bytes);
        }
        // After the last merges every replica holds the same document.
        EXPECT_EQ(
            canonical_json(program.doc(0), Conflicts::All), canonical_json(program.doc(1), Conflicts::All));
        EXPECT_EQ(
            canonical_json(program.doc(1), Conflicts::All), canonical_json(program.doc(2), Conflicts::All));
        if (::testing::Test::HasFailure())
            return;
    }
}

} // namespace
