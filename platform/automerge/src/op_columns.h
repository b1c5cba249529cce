// The op table, as change chunks and document chunks store it in columns.
//
// Both chunk kinds share the object, key, insert, action, value and mark columns. A change chunk
// leaves op ids implicit (consecutive from the change's start op) and lists each op's predecessors;
// a document chunk stores each op's id and its successors instead.
#pragma once

#include "boolean_column.h"
#include "column_spec.h"
#include "delta_column.h"
#include "rle.h"
#include "value_column.h"

#include <automerge/change.h>
#include <automerge/chunk.h>

#include <span>

namespace automerge {

namespace op_column {
inline constexpr std::uint32_t obj_actor = column_spec(0, ColumnType::Actor);
inline constexpr std::uint32_t obj_counter = column_spec(0, ColumnType::Uleb);
inline constexpr std::uint32_t key_actor = column_spec(1, ColumnType::Actor);
inline constexpr std::uint32_t key_counter = column_spec(1, ColumnType::Delta);
inline constexpr std::uint32_t key_string = column_spec(1, ColumnType::String);
inline constexpr std::uint32_t id_actor = column_spec(2, ColumnType::Actor);
inline constexpr std::uint32_t id_counter = column_spec(2, ColumnType::Delta);
inline constexpr std::uint32_t insert = column_spec(3, ColumnType::Boolean);
inline constexpr std::uint32_t action = column_spec(4, ColumnType::Uleb);
inline constexpr std::uint32_t value_metadata = column_spec(5, ColumnType::ValueMetadata);
inline constexpr std::uint32_t value = column_spec(5, ColumnType::Value);
inline constexpr std::uint32_t pred_group = column_spec(7, ColumnType::Group);
inline constexpr std::uint32_t pred_actor = column_spec(7, ColumnType::Actor);
inline constexpr std::uint32_t pred_counter = column_spec(7, ColumnType::Delta);
inline constexpr std::uint32_t succ_group = column_spec(8, ColumnType::Group);
inline constexpr std::uint32_t succ_actor = column_spec(8, ColumnType::Actor);
inline constexpr std::uint32_t succ_counter = column_spec(8, ColumnType::Delta);
inline constexpr std::uint32_t expand = column_spec(9, ColumnType::Boolean);
inline constexpr std::uint32_t mark_name = column_spec(10, ColumnType::String);
} // namespace op_column

enum class OpTable : std::uint8_t {
    Change, // implicit ids, predecessors
    Document, // explicit ids, successors
};

// The fields of one op row; `refs` are the predecessors or successors.
struct OpRow {
    OpId id;
    OpId obj { root_id };
    Key key;
    bool insert {};
    Action action { Action::Set };
    ScalarValue value { Null {} };
    std::vector<OpId> refs;
    std::optional<std::string> mark_name;
    bool expand {};
};

class OpColumnsEncoder {
public:
    explicit OpColumnsEncoder(OpTable table) noexcept
        : m_table(table)
    {
    }

    void append(Op const& op); // a change table row
    void append(DocumentOp const& op); // a document table row

    [[nodiscard]] std::vector<ColumnData> finish() &&;

private:
    void append_common(OpId obj, Key const& key, bool insert, Action action, ScalarValue const& value,
        std::optional<std::string> const& mark_name, bool expand);
    void append_refs(std::span<OpId const> refs);

    OpTable m_table;
    bool m_any_expand { false };
    RleEncoder<UlebValue> m_obj_actor, m_obj_counter, m_key_actor, m_id_actor;
    RleEncoder<UlebValue> m_action, m_ref_group, m_ref_actor;
    RleEncoder<StringValue> m_key_string, m_mark_name;
    DeltaEncoder m_key_counter, m_id_counter, m_ref_counter;
    BooleanEncoder m_insert, m_expand;
    ValueEncoder m_value;
};

class OpColumnsDecoder {
public:
    // Op ids of a change table count up from `first_counter` with actor 0.
    OpColumnsDecoder(
        ColumnSet const& columns, OpTable table, std::size_t actor_count, std::uint64_t first_counter);

    // Whether the table has another row.
    [[nodiscard]] bool has_next() const noexcept { return !m_action.done(); }
    // The next row; `ref_budget` is the number of predecessors or successors still allowed.
    [[nodiscard]] base::Result<OpRow, CodecError> next(std::uint64_t& ref_budget);
    // Checks that every column ended with the last row.
    [[nodiscard]] base::Result<void, CodecError> finish() const;

private:
    [[nodiscard]] base::Result<OpId, CodecError> read_obj();
    [[nodiscard]] base::Result<Key, CodecError> read_key();
    [[nodiscard]] base::Result<OpId, CodecError> read_id();
    [[nodiscard]] base::Result<std::vector<OpId>, CodecError> read_refs(std::uint64_t& ref_budget);
    [[nodiscard]] base::Result<std::uint32_t, CodecError> check_actor(
        std::uint64_t actor, char const* what) const;

    OpTable m_table;
    std::size_t m_actor_count;
    std::uint64_t m_next_counter;
    RleDecoder<UlebValue> m_obj_actor, m_obj_counter, m_key_actor, m_id_actor;
    RleDecoder<UlebValue> m_action, m_ref_group, m_ref_actor;
    RleDecoder<StringValue> m_key_string, m_mark_name;
    DeltaDecoder m_key_counter, m_id_counter, m_ref_counter;
    BooleanDecoder m_insert, m_expand;
    ValueDecoder m_value;
};

} // namespace automerge
