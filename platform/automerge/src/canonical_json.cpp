// The canonical JSON form of a document, as tools/automerge-ref's dump.mjs writes it.

#include <automerge/canonical_json.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>

namespace automerge {

std::string json_string(std::string_view text)
{
    std::string out = "\"";
    for (char const c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                out += escape;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

// A double as ECMAScript's Number.prototype.toString writes it.
std::string es_number(double x)
{
    if (std::isnan(x))
        return "\"NaN\"";
    if (std::isinf(x))
        return x > 0 ? "\"Infinity\"" : "\"-Infinity\"";
    if (x == 0)
        return std::signbit(x) ? "-0" : "0";
    char buffer[64];
    auto const end
        = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x), std::chars_format::scientific).ptr;
    std::string_view const sci(buffer, static_cast<std::size_t>(end - buffer));
    auto const e_at = sci.find('e');
    std::string digits;
    for (char const c : sci.substr(0, e_at)) {
        if (c != '.')
            digits += c;
    }
    int const n = std::stoi(std::string(sci.substr(e_at + 1))) + 1;
    int const k = static_cast<int>(digits.size());
    std::string out = x < 0 ? "-" : "";
    if (k <= n && n <= 21)
        return out + digits + std::string(static_cast<std::size_t>(n - k), '0');
    if (0 < n && n <= 21)
        return out + digits.substr(0, static_cast<std::size_t>(n)) + "."
            + digits.substr(static_cast<std::size_t>(n));
    if (-6 < n && n <= 0)
        return out + "0." + std::string(static_cast<std::size_t>(-n), '0') + digits;
    out += digits.substr(0, 1);
    if (k > 1) {
        out += '.';
        out += digits.substr(1);
    }
    out += n - 1 >= 0 ? "e+" : "e-";
    return out + std::to_string(std::abs(n - 1));
}

std::string to_hex(std::span<std::uint8_t const> bytes)
{
    std::string out;
    for (std::uint8_t const b : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", b);
        out += pair;
    }
    return out;
}

std::string canonical_scalar(ScalarValue const& value)
{
    return std::visit(
        [](auto const& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Null>)
                return "{\"null\":true}";
            else if constexpr (std::is_same_v<T, bool>)
                return v ? "{\"bool\":true}" : "{\"bool\":false}";
            else if constexpr (std::is_same_v<T, std::int64_t>)
                return "{\"int\":" + std::to_string(v) + "}";
            else if constexpr (std::is_same_v<T, std::uint64_t>)
                return "{\"uint\":" + std::to_string(v) + "}";
            else if constexpr (std::is_same_v<T, double>)
                return "{\"f64\":" + es_number(v) + "}";
            else if constexpr (std::is_same_v<T, std::string>)
                return "{\"str\":" + json_string(v) + "}";
            else if constexpr (std::is_same_v<T, std::vector<std::uint8_t>>)
                return "{\"bytes\":\"" + to_hex(v) + "\"}";
            else if constexpr (std::is_same_v<T, Counter>)
                return "{\"counter\":" + std::to_string(v.value) + "}";
            else if constexpr (std::is_same_v<T, Timestamp>)
                return "{\"timestamp\":" + std::to_string(v.millis) + "}";
            else
                return "{\"unknown\":\"" + to_hex(v.bytes) + "\"}";
        },
        value);
}

std::string op_id_text(ExId const& id) { return std::to_string(id.counter) + "@" + to_hex(id.actor); }

namespace {

std::string canonical_object(Document const& doc, ObjId const& obj, Conflicts conflicts);

std::string canonical_value(Document const& doc, Value const& value, Conflicts conflicts)
{
    if (auto const* obj = as_object(value))
        return canonical_object(doc, obj->id, conflicts);
    return canonical_scalar(std::get<ScalarValue>(value));
}

std::string canonical_slot(Document const& doc, std::vector<Conflict> const& all, Conflicts conflicts)
{
    if (all.size() == 1 || conflicts == Conflicts::Winner)
        return canonical_value(doc, all.back().value, conflicts);
    std::map<std::string, std::string> by_id; // sorted as strings, as the reference sorts them
    for (Conflict const& c : all)
        by_id.emplace(op_id_text(c.id), canonical_value(doc, c.value, conflicts));
    std::string out = "{\"_conflicts\":{";
    for (auto const& [id, value] : by_id)
        out += json_string(id) + ":" + value + ",";
    out.back() = '}';
    return out + "}";
}

std::string canonical_object(Document const& doc, ObjId const& obj, Conflicts conflicts)
{
    auto const type = doc.object_type(obj);
    if (type == ObjType::Text)
        return "{\"_text\":" + json_string(doc.text(obj)) + "}";
    if (type == ObjType::List) {
        std::string out = "{\"_list\":[";
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about `"," + string`.
        for (std::size_t i = 0; i < doc.length(obj); ++i) {
            if (i > 0)
                out += ',';
            out += canonical_slot(doc, doc.get_all(obj, i), conflicts);
        }
        return out + "]}";
    }
    std::string out = type == ObjType::Table ? "{\"_table\":{" : "{\"_map\":{";
    bool first = true;
    for (std::string const& key : doc.keys(obj)) {
        if (!first)
            out += ',';
        out += json_string(key);
        out += ':';
        out += canonical_slot(doc, doc.get_all(obj, key), conflicts);
        first = false;
    }
    return out + "}}";
}

} // namespace

std::string canonical_json(Document const& doc, Conflicts conflicts)
{
    std::string out = "{\"heads\":[";
    bool first = true;
    for (ChangeHash const& head : doc.heads()) {
        out += first ? "\"" : ",\"";
        out += to_hex(head.bytes);
        out += '"';
        first = false;
    }
    return out + "],\"doc\":" + canonical_object(doc, root_obj, conflicts) + "}";
}

std::size_t nesting_depth(Document const& doc)
{
    std::size_t deepest = 0;
    std::vector<std::pair<ObjId, std::size_t>> pending { { root_obj, 1 } };
    auto visit = [&](std::vector<Conflict> const& all, std::size_t depth) {
        for (Conflict const& c : all) {
            if (auto const* obj = as_object(c.value))
                pending.emplace_back(obj->id, depth + 1);
        }
    };
    while (!pending.empty()) {
        auto const [obj, depth] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, depth);
        auto const type = doc.object_type(obj);
        if (type == ObjType::Text)
            continue;
        if (type == ObjType::List) {
            for (std::size_t i = 0; i < doc.length(obj); ++i)
                visit(doc.get_all(obj, i), depth);
        } else {
            for (std::string const& key : doc.keys(obj))
                visit(doc.get_all(obj, key), depth);
        }
    }
    return deepest;
}

} // namespace automerge
