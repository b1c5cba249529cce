// The change metadata table of a document chunk: one row per change, in columns.
#pragma once

#include "column_spec.h"

#include <automerge/chunk.h>

namespace automerge {

namespace change_column {
inline constexpr std::uint32_t actor = column_spec(0, ColumnType::Actor);
inline constexpr std::uint32_t seq = column_spec(0, ColumnType::Delta);
inline constexpr std::uint32_t max_op = column_spec(1, ColumnType::Delta);
inline constexpr std::uint32_t time = column_spec(2, ColumnType::Delta);
inline constexpr std::uint32_t message = column_spec(3, ColumnType::String);
inline constexpr std::uint32_t deps_group = column_spec(4, ColumnType::Group);
inline constexpr std::uint32_t deps_index = column_spec(4, ColumnType::Delta);
inline constexpr std::uint32_t extra_metadata = column_spec(5, ColumnType::ValueMetadata);
inline constexpr std::uint32_t extra = column_spec(5, ColumnType::Value);
} // namespace change_column

// Reads every change row, checking actor indices and that each dependency names a change of the
// table; what the rows say about each other (sequence numbers, op ranges) is checked later.
[[nodiscard]] base::Result<std::vector<DocumentChange>, CodecError> read_change_rows(
    ColumnSet const& columns, std::size_t actor_count, DecodeLimits const& limits);

} // namespace automerge
