// Loads arbitrary bytes as a whole Automerge document: a load either fails with an error or gives
// a document whose every object reads consistently and that saves and loads back the same. The
// bytes are also applied to a small existing document, as a peer's changes would be.
//
// As in automerge_chunk_fuzz, each input also runs with its chunks' checksums made right.
#include "fixed_checksums.h"

#include <automerge/canonical_json.h>
#include <automerge/chunk.h>
#include <automerge/document.h>

#include <base/verify.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace {

using namespace automerge;

// Document::load decodes with the default limits, which let a few bytes of run-length encoding
// describe millions of ops; such inputs only make runs slow, so they are left to the chunk fuzzer.
bool small_enough(std::span<std::uint8_t const> input)
{
    constexpr DecodeLimits limits { .max_rows = 1 << 14, .max_inflated_bytes = 1 << 20 };
    LoadResult const result = load_chunks(input, limits);
    if (!result.error)
        return true;
    ErrorCode const code = result.error->code;
    return code != ErrorCode::TooManyRows && code != ErrorCode::InflateLimit;
}

// canonical_json recurses per level of nesting.
constexpr std::size_t max_compared_depth = 200;

// Equality that holds for NaN too.
bool same_value(Value const& a, Value const& b)
{
    if (as_object(a) || as_object(b))
        return a == b;
    return canonical_scalar(std::get<ScalarValue>(a)) == canonical_scalar(std::get<ScalarValue>(b));
}

// Reads every object through each accessor and checks that they agree.
void walk(Document const& doc)
{
    std::vector<ObjId> pending { root_obj };
    auto check_slot = [&](std::vector<Conflict> const& all, std::optional<Value> const& winner) {
        VERIFY(!all.empty());
        VERIFY(winner.has_value() && same_value(*winner, all.back().value));
        for (std::size_t i = 0; i < all.size(); ++i) {
            VERIFY(i == 0 || all[i - 1].id < all[i].id);
            if (auto const* obj = as_object(all[i].value)) {
                VERIFY(doc.object_type(obj->id) == obj->type);
                pending.push_back(obj->id);
            }
        }
    };
    while (!pending.empty()) {
        ObjId const obj = pending.back();
        pending.pop_back();
        auto const type = doc.object_type(obj);
        VERIFY(type.has_value());
        std::size_t const length = doc.length(obj);
        (void)doc.text(obj);
        if (type == ObjType::Text)
            continue;
        std::vector<Value> const values = doc.values(obj);
        VERIFY(values.size() == length);
        if (type == ObjType::List) {
            for (std::size_t i = 0; i < length; ++i)
                check_slot(doc.get_all(obj, i), doc.get(obj, i));
            VERIFY(doc.get_all(obj, length).empty());
            continue;
        }
        std::vector<std::string> const keys = doc.keys(obj);
        VERIFY(keys.size() == length);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            VERIFY(i == 0 || keys[i - 1] < keys[i]);
            check_slot(doc.get_all(obj, keys[i]), doc.get(obj, keys[i]));
        }
    }
}

// A loaded document survives a save and a load unchanged, and saves the same bytes again.
void check_document(Document& doc)
{
    walk(doc);
    std::vector<std::uint8_t> const saved = doc.save();
    auto again = Document::load(saved);
    VERIFY(again.has_value());
    VERIFY(again->heads() == doc.heads());
    VERIFY(again->missing_deps() == doc.missing_deps());
    if (nesting_depth(doc) <= max_compared_depth)
        VERIFY(canonical_json(*again, Conflicts::All) == canonical_json(doc, Conflicts::All));
    VERIFY(again->save() == saved);
}

void check_load(std::span<std::uint8_t const> input)
{
    if (!small_enough(input))
        return;
    auto strict = Document::load(input, ActorId { 0x01 });
    auto lenient = Document::load(input, ActorId { 0x01 }, CommitMode::Auto, PartialTail::Ignore);
    // Ignoring a cut-short tail only ever loads more.
    VERIFY(!strict || (lenient && lenient->heads() == strict->heads()));
    if (lenient)
        check_document(*lenient);

    // The same bytes arriving at a document that already has history of its own.
    Document base(ActorId { 0x02 });
    auto const list = base.put_object(root_obj, "list", ObjType::List).value();
    VERIFY(base.insert(list, 0, std::string("x")));
    // Whether or not they fit, what stays applied must read and save consistently.
    (void)base.load_incremental(input);
    check_document(base);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::span<std::uint8_t const> const input(data, size);
    check_load(input);
    check_load(fuzz::with_fixed_checksums(input));
    return 0;
}
