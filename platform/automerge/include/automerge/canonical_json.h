// A document as canonical JSON: one line of typed values that the reference tools'
// dump.mjs prints too, so two engines' readings of one file compare byte for byte.
//
// {"heads":["<hex>",...],"doc":{"_map":{"key":{"str":"..."},...}}} — maps with keys in byte order,
// {"_list":[...]}, {"_text":"..."}, scalars tagged by type ({"int":n}, {"f64":x}, {"bytes":"hex"}).
// tools/automerge-ref/README.md describes every form.
#pragma once

#include <automerge/document.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace automerge {

enum class Conflicts : std::uint8_t {
    Winner, // each key or element shows its winning value
    All, // a key or element with concurrent values shows them all, keyed by op id
};

// The document, heads included, without a trailing newline.
// NOTE: This recurses once per level of nesting; check nesting_depth() first on untrusted files.
[[nodiscard]] std::string canonical_json(Document const& doc, Conflicts conflicts = Conflicts::Winner);

// How deeply objects nest, counting every concurrent value: 1 for a root map holding only
// scalars. Found without recursion, so any document can be measured.
[[nodiscard]] std::size_t nesting_depth(Document const& doc);

// One scalar in its tagged form, e.g. {"int":5}.
[[nodiscard]] std::string canonical_scalar(ScalarValue const& value);

// A JSON string literal escaped as JSON.stringify escapes it.
[[nodiscard]] std::string json_string(std::string_view text);

// A double as ECMAScript's Number.prototype.toString writes it; NaN and the infinities quoted.
[[nodiscard]] std::string es_number(double x);

// Lowercase hex, two digits a byte.
[[nodiscard]] std::string to_hex(std::span<std::uint8_t const> bytes);

// An op id as the reference writes it: "counter@actorhex".
[[nodiscard]] std::string op_id_text(ExId const& id);

} // namespace automerge
