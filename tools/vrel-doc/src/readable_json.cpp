// The plain JSON dump of a document, built with nlohmann::json.

#include "readable_json.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <type_traits>

namespace vrel_doc {

namespace {

using automerge::Conflicts;
using automerge::Document;
using automerge::ObjId;
using automerge::ObjType;
// std::string's ordering compares bytes as unsigned, so objects come out in the document's key
// order. (ordered_json would too, but inserts in linear time.)
using Json = nlohmann::json;

Json scalar_json(automerge::ScalarValue const& value)
{
    return std::visit(
        [](auto const& v) -> Json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, automerge::Null>)
                return nullptr;
            else if constexpr (std::is_same_v<T, double>)
                return std::isnan(v) ? Json("NaN")
                    : std::isinf(v)  ? Json(v > 0 ? "Infinity" : "-Infinity")
                                     : Json(v);
            else if constexpr (std::is_same_v<T, std::vector<std::uint8_t>>)
                return automerge::to_hex(v);
            else if constexpr (std::is_same_v<T, automerge::Counter>)
                return v.value;
            else if constexpr (std::is_same_v<T, automerge::Timestamp>)
                return v.millis;
            else if constexpr (std::is_same_v<T, automerge::UnknownValue>)
                return Json { { "_unknown", v.type_code }, { "bytes", automerge::to_hex(v.bytes) } };
            else
                return v; // bool, int64, uint64 (exact, however large), string
        },
        value);
}

Json object_json(Document const& doc, ObjId const& obj, Conflicts conflicts);

Json value_json(Document const& doc, automerge::Value const& value, Conflicts conflicts)
{
    if (auto const* ref = automerge::as_object(value))
        return object_json(doc, ref->id, conflicts);
    return scalar_json(std::get<automerge::ScalarValue>(value));
}

Json slot_json(Document const& doc, std::vector<automerge::Conflict> const& all, Conflicts conflicts)
{
    if (all.size() == 1 || conflicts == Conflicts::Winner)
        return value_json(doc, all.back().value, conflicts);
    Json values = Json::object();
    for (automerge::Conflict const& c : all)
        values[automerge::op_id_text(c.id)] = value_json(doc, c.value, conflicts);
    return Json { { "_conflicts", std::move(values) } };
}

Json object_json(Document const& doc, ObjId const& obj, Conflicts conflicts)
{
    auto const type = doc.object_type(obj);
    if (type == ObjType::Text)
        return doc.text(obj);
    if (type == ObjType::List) {
        Json items = Json::array();
        for (std::size_t i = 0; i < doc.length(obj); ++i)
            items.push_back(slot_json(doc, doc.get_all(obj, i), conflicts));
        return items;
    }
    Json entries = Json::object();
    for (std::string const& key : doc.keys(obj))
        entries[key] = slot_json(doc, doc.get_all(obj, key), conflicts);
    return entries;
}

} // namespace

std::string readable_json(Document const& doc, Conflicts conflicts)
{
    // Replace rather than throw on strings that are not UTF-8: a dump should show what is there.
    return object_json(doc, automerge::root_obj, conflicts)
               .dump(2, ' ', false, Json::error_handler_t::replace)
        + "\n";
}

} // namespace vrel_doc
