// A document as plain JSON for people and scripts: text as strings, maps as objects, lists as
// arrays, scalars as bare values. Unlike the canonical form it drops the value types, so an int
// and a counter of the same value look alike.
#pragma once

#include <automerge/canonical_json.h>

#include <string>

namespace vrel_doc {

// Indented, with a trailing newline. Bytes are lowercase hex strings, timestamps milliseconds,
// counters their total, NaN and the infinities the strings "NaN", "Infinity", "-Infinity". With
// Conflicts::All a slot holding several values is {"_conflicts":{"counter@actor":value,...}}.
[[nodiscard]] std::string readable_json(automerge::Document const& doc, automerge::Conflicts conflicts);

} // namespace vrel_doc
