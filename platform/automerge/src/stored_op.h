// An op as the op set keeps it: where it lives is implied by the bucket holding it, and its
// successors (the later ops that overwrite, delete or increment it) are recorded on it.
#pragma once

#include <automerge/change.h>
#include <automerge/value.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace automerge {

struct StoredOp {
    OpId id;
    Action action { Action::Set };
    ScalarValue value { Null {} };
    std::vector<OpId> succ; // in arrival order
    std::uint32_t hiding_succ {}; // successors that overwrite or delete this op
    std::int64_t increment_total {}; // counters: the sum of the increments that name this op as pred
    std::optional<std::string> mark_name; // Mark ops only
    bool expand {}; // Mark ops only
};

[[nodiscard]] bool is_counter(StoredOp const& op) noexcept;

// The object type made by a Make action, or nullopt for other actions.
[[nodiscard]] std::optional<ObjType> made_type(Action action) noexcept;
[[nodiscard]] Action make_action(ObjType type) noexcept;

// Visible: a value (Set or Make) that no later op has overwritten or deleted. Increments of a
// counter do not hide it; anything else that names an op as pred does.
[[nodiscard]] bool is_visible(StoredOp const& op) noexcept;

// The value a Set op shows: a counter with the increments that name it added.
[[nodiscard]] ScalarValue shown_value(StoredOp const& op);

// The integer delta of an Increment op, or nullopt when its value is not an integer.
[[nodiscard]] std::optional<std::int64_t> increment_delta(ScalarValue const& value) noexcept;

// Records `by` as a successor of `op`; `delta` is the increment when `by` is an Increment.
void add_successor(StoredOp& op, OpId by, std::optional<std::int64_t> delta);
// Takes back add_successor for the most recent successor `by`.
void remove_successor(StoredOp& op, OpId by, std::optional<std::int64_t> delta);

} // namespace automerge
