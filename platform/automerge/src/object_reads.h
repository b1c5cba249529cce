// Queries over the current state of one object: which ops are visible and what they read as.
#pragma once

#include "op_set.h"

#include <automerge/value.h>

#include <optional>
#include <vector>

namespace automerge {

// The visible ops of one key or element, in op id order: the last one is the winner.
[[nodiscard]] std::vector<StoredOp const*> visible_ops(std::vector<StoredOp> const& ops);
[[nodiscard]] StoredOp const* winner(std::vector<StoredOp> const& ops);

// What an op reads as: its scalar, a counter's running total, or a reference to the object it made.
[[nodiscard]] Value value_of(StoredOp const& op, OpSet const& ops);

// A visible element by its index among the visible ones, or null past the end.
[[nodiscard]] Element const* visible_element(Sequence const& sequence, std::size_t index);
[[nodiscard]] std::vector<Element const*> visible_elements(Sequence const& sequence);

// Visible keys of a map, or visible elements of a list.
[[nodiscard]] std::size_t visible_length(Object const& obj);

// The text a sequence reads as: its visible string elements concatenated; other values read as
// U+FFFC, the object replacement character.
[[nodiscard]] std::string text_of(Object const& obj);
// The same, one entry per visible element.
[[nodiscard]] std::vector<std::string> text_elements(Object const& obj);

} // namespace automerge
