// A test helper: the whole visible content of a document, conflicts and op ids included, as text.
// Two replicas have converged when their dumps are equal.
#pragma once

#include <automerge/document.h>

#include <sstream>
#include <string>

namespace automerge::testing {

inline void dump_value(std::ostream& out, Document const& doc, Value const& value);

inline void dump_scalar(std::ostream& out, ScalarValue const& value)
{
    std::visit(
        [&](auto const& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Null>)
                out << "null";
            else if constexpr (std::is_same_v<T, std::string>)
                out << '"' << v << '"';
            else if constexpr (std::is_same_v<T, Counter>)
                out << "counter(" << v.value << ')';
            else if constexpr (std::is_same_v<T, Timestamp>)
                out << "time(" << v.millis << ')';
            else if constexpr (std::is_same_v<T,
                                   std::vector<std::uint8_t>> || std::is_same_v<T, UnknownValue>)
                out << "bytes";
            else
                out << v;
        },
        value);
}

inline void dump_id(std::ostream& out, ExId const& id)
{
    out << id.counter << '@';
    for (auto byte : id.actor)
        out << std::hex << int(byte) << std::dec;
}

inline void dump_conflicts(std::ostream& out, Document const& doc, std::vector<Conflict> const& all)
{
    for (Conflict const& c : all) {
        dump_id(out, c.id);
        out << '=';
        dump_value(out, doc, c.value);
        out << ' ';
    }
}

inline void dump_object(std::ostream& out, Document const& doc, ObjId const& obj)
{
    auto const type = doc.object_type(obj);
    if (type == ObjType::Text) {
        out << "text\"" << doc.text(obj) << '"';
        return;
    }
    if (type == ObjType::List) {
        out << '[';
        for (std::size_t i = 0; i < doc.length(obj); ++i) {
            dump_conflicts(out, doc, doc.get_all(obj, i));
            out << ',';
        }
        out << ']';
        return;
    }
    out << '{';
    for (std::string const& key : doc.keys(obj)) {
        out << key << ':';
        dump_conflicts(out, doc, doc.get_all(obj, key));
        out << ',';
    }
    out << '}';
}

inline void dump_value(std::ostream& out, Document const& doc, Value const& value)
{
    if (auto const* obj = as_object(value))
        dump_object(out, doc, obj->id);
    else
        dump_scalar(out, std::get<ScalarValue>(value));
}

inline std::string dump(Document const& doc)
{
    std::ostringstream out;
    dump_object(out, doc, root_obj);
    return out.str();
}

} // namespace automerge::testing
