// The ops a local write makes: each reads the current state to find its key and preds, checks
// the write fits, and adds its ops to the pending change.
#pragma once

#include "document_state.h"

#include <automerge/errors.h>
#include <base/result.h>

#include <span>
#include <string_view>

namespace automerge {

// A Set (with `value`) or a Make (value ignored) at a map key; the id of the new op.
[[nodiscard]] base::Result<OpId, DocError> put_in_map(
    DocumentState& state, ObjId const& map, std::string_view key, Action action, ScalarValue value);
[[nodiscard]] base::Result<OpId, DocError> put_in_list(
    DocumentState& state, ObjId const& list, std::size_t index, Action action, ScalarValue value);
[[nodiscard]] base::Result<OpId, DocError> insert_in_list(
    DocumentState& state, ObjId const& list, std::size_t index, Action action, ScalarValue value);

[[nodiscard]] base::Result<void, DocError> delete_in_map(
    DocumentState& state, ObjId const& map, std::string_view key);
[[nodiscard]] base::Result<void, DocError> delete_in_list(
    DocumentState& state, ObjId const& list, std::size_t index);

[[nodiscard]] base::Result<void, DocError> increment_in_map(
    DocumentState& state, ObjId const& map, std::string_view key, std::int64_t by);
[[nodiscard]] base::Result<void, DocError> increment_in_list(
    DocumentState& state, ObjId const& list, std::size_t index, std::int64_t by);

// Replaces `del` elements of a text at `pos` with one element per entry of `scalars`.
[[nodiscard]] base::Result<void, DocError> splice_elements(DocumentState& state, ObjId const& text,
    std::size_t pos, std::size_t del, std::span<std::string_view const> scalars);

// A resolved object: its id in the op set and its current state.
struct Target {
    OpId id;
    Object const* obj {};
};
[[nodiscard]] base::Result<Target, DocError> resolve(DocumentState const& state, ObjId const& obj);
[[nodiscard]] base::Result<Target, DocError> resolve_map(DocumentState const& state, ObjId const& obj);
[[nodiscard]] base::Result<Target, DocError> resolve_sequence(DocumentState const& state, ObjId const& obj);
[[nodiscard]] base::Result<Target, DocError> resolve_text(DocumentState const& state, ObjId const& obj);

} // namespace automerge
