#include "op_columns.h"

#include <string>

namespace automerge {

namespace {

char const* column_name(std::uint32_t spec)
{
    switch (spec) {
    case op_column::obj_actor:
        return "object actor";
    case op_column::obj_counter:
        return "object counter";
    case op_column::key_actor:
        return "key actor";
    case op_column::key_counter:
        return "key counter";
    case op_column::key_string:
        return "key string";
    case op_column::id_actor:
        return "op id actor";
    case op_column::id_counter:
        return "op id counter";
    case op_column::insert:
        return "insert";
    case op_column::action:
        return "action";
    case op_column::value_metadata:
    case op_column::value:
        return "value";
    case op_column::pred_group:
    case op_column::pred_actor:
    case op_column::pred_counter:
        return "predecessors";
    case op_column::succ_group:
    case op_column::succ_actor:
    case op_column::succ_counter:
        return "successors";
    case op_column::expand:
        return "expand";
    case op_column::mark_name:
        return "mark name";
    default:
        return "unknown";
    }
}

CodecError column_error(ErrorCode code, std::uint32_t spec)
{
    return CodecError { code, std::string("op column '") + column_name(spec) + "'" };
}

// A column decoder's result with the column named in its error.
template <class T>
base::Result<T, CodecError> in_column(base::Result<T, ErrorCode> result, std::uint32_t spec)
{
    if (!result)
        return base::unexpected(column_error(result.error(), spec));
    return std::move(result).value();
}

std::uint32_t ref_spec(OpTable table, ColumnType type)
{
    return column_spec(table == OpTable::Change ? 7 : 8, type);
}

} // namespace

void OpColumnsEncoder::append_common(OpId obj, Key const& key, bool insert, Action action,
    ScalarValue const& value, std::optional<std::string> const& mark_name, bool expand)
{
    if (obj == root_id) {
        m_obj_actor.append_null();
        m_obj_counter.append_null();
    } else {
        m_obj_actor.append(obj.actor);
        m_obj_counter.append(obj.counter);
    }
    if (auto const* name = std::get_if<std::string>(&key)) {
        m_key_actor.append_null();
        m_key_counter.append_null();
        m_key_string.append(*name);
    } else {
        ElemId const elem = std::get<ElemId>(key);
        // The list head has no actor: only its counter of 0 is written.
        if (elem.is_head())
            m_key_actor.append_null();
        else
            m_key_actor.append(elem.id.actor);
        m_key_counter.append(static_cast<std::int64_t>(elem.id.counter));
        m_key_string.append_null();
    }
    m_insert.append(insert);
    m_action.append(static_cast<std::uint64_t>(action));
    m_value.append(value);
    m_mark_name.append(mark_name);
    m_expand.append(expand);
    m_any_expand = m_any_expand || expand;
}

void OpColumnsEncoder::append_refs(std::span<OpId const> refs)
{
    m_ref_group.append(refs.size());
    for (OpId const ref : refs) {
        m_ref_actor.append(ref.actor);
        m_ref_counter.append(static_cast<std::int64_t>(ref.counter));
    }
}

void OpColumnsEncoder::append(Op const& op)
{
    append_common(op.obj, op.key, op.insert, op.action, op.value, op.mark_name, op.expand);
    append_refs(op.pred);
}

void OpColumnsEncoder::append(DocumentOp const& op)
{
    append_common(op.obj, op.key, op.insert, op.action, op.value, op.mark_name, op.expand);
    m_id_actor.append(op.id.actor);
    m_id_counter.append(static_cast<std::int64_t>(op.id.counter));
    append_refs(op.succ);
}

std::vector<ColumnData> OpColumnsEncoder::finish() &&
{
    std::vector<ColumnData> columns;
    columns.reserve(18);
    columns.push_back({ op_column::obj_actor, std::move(m_obj_actor).finish() });
    columns.push_back({ op_column::obj_counter, std::move(m_obj_counter).finish() });
    columns.push_back({ op_column::key_actor, std::move(m_key_actor).finish() });
    columns.push_back({ op_column::key_counter, std::move(m_key_counter).finish() });
    columns.push_back({ op_column::key_string, std::move(m_key_string).finish() });
    if (m_table == OpTable::Document) {
        columns.push_back({ op_column::id_actor, std::move(m_id_actor).finish() });
        columns.push_back({ op_column::id_counter, std::move(m_id_counter).finish() });
    }
    columns.push_back({ op_column::insert, std::move(m_insert).finish() });
    columns.push_back({ op_column::action, std::move(m_action).finish() });
    ValueColumns value = std::move(m_value).finish();
    columns.push_back({ op_column::value_metadata, std::move(value.metadata) });
    columns.push_back({ op_column::value, std::move(value.raw) });
    columns.push_back({ ref_spec(m_table, ColumnType::Group), std::move(m_ref_group).finish() });
    columns.push_back({ ref_spec(m_table, ColumnType::Actor), std::move(m_ref_actor).finish() });
    columns.push_back({ ref_spec(m_table, ColumnType::Delta), std::move(m_ref_counter).finish() });
    // The mark columns came later than the others: they are written only when they say something,
    // so that tables without marks keep the bytes (and changes the hashes) they always had.
    if (m_any_expand)
        columns.push_back({ op_column::expand, std::move(m_expand).finish() });
    columns.push_back({ op_column::mark_name, std::move(m_mark_name).finish() });
    return columns;
}

OpColumnsDecoder::OpColumnsDecoder(
    ColumnSet const& columns, OpTable table, std::size_t actor_count, std::uint64_t first_counter)
    : m_table(table)
    , m_actor_count(actor_count)
    , m_next_counter(first_counter)
    , m_obj_actor(columns.find(op_column::obj_actor))
    , m_obj_counter(columns.find(op_column::obj_counter))
    , m_key_actor(columns.find(op_column::key_actor))
    , m_id_actor(table == OpTable::Document ? columns.find(op_column::id_actor) : Bytes {})
    , m_action(columns.find(op_column::action))
    , m_ref_group(columns.find(ref_spec(table, ColumnType::Group)))
    , m_ref_actor(columns.find(ref_spec(table, ColumnType::Actor)))
    , m_key_string(columns.find(op_column::key_string))
    , m_mark_name(columns.find(op_column::mark_name))
    , m_key_counter(columns.find(op_column::key_counter))
    , m_id_counter(table == OpTable::Document ? columns.find(op_column::id_counter) : Bytes {})
    , m_ref_counter(columns.find(ref_spec(table, ColumnType::Delta)))
    , m_insert(columns.find(op_column::insert))
    , m_expand(columns.find(op_column::expand))
    , m_value(columns.find(op_column::value_metadata), columns.find(op_column::value))
{
}

base::Result<std::uint32_t, CodecError> OpColumnsDecoder::check_actor(
    std::uint64_t actor, char const* what) const
{
    if (actor >= m_actor_count)
        return base::unexpected(CodecError { ErrorCode::BadActorIndex, what });
    return static_cast<std::uint32_t>(actor);
}

base::Result<OpId, CodecError> OpColumnsDecoder::read_obj()
{
    auto const actor = TRY(in_column(m_obj_actor.next(), op_column::obj_actor));
    auto const counter = TRY(in_column(m_obj_counter.next(), op_column::obj_counter));
    if (!actor && !counter)
        return root_id;
    if (!actor || !counter || *counter == 0)
        return base::unexpected(CodecError { ErrorCode::BadOpId, "object id" });
    return OpId { *counter, TRY(check_actor(*actor, "object id")) };
}

base::Result<Key, CodecError> OpColumnsDecoder::read_key()
{
    auto const actor = TRY(in_column(m_key_actor.next(), op_column::key_actor));
    auto const counter = TRY(in_column(m_key_counter.next(), op_column::key_counter));
    auto string = TRY(in_column(m_key_string.next(), op_column::key_string));
    if (string) {
        if (actor || counter)
            return base::unexpected(CodecError { ErrorCode::BadKey, "both a string and an element" });
        return Key { std::move(*string) };
    }
    if (counter && *counter == 0 && !actor)
        return Key { ElemId {} };
    if (!actor || !counter || *counter <= 0)
        return base::unexpected(CodecError { ErrorCode::BadKey, "element id" });
    return Key { ElemId {
        OpId { static_cast<std::uint64_t>(*counter), TRY(check_actor(*actor, "key element")) } } };
}

base::Result<OpId, CodecError> OpColumnsDecoder::read_id()
{
    if (m_table == OpTable::Change) {
        if (m_next_counter == UINT64_MAX)
            return base::unexpected(CodecError { ErrorCode::BadOpId, "op counter overflows" });
        return OpId { m_next_counter++, 0 };
    }
    auto const actor = TRY(in_column(m_id_actor.next(), op_column::id_actor));
    auto const counter = TRY(in_column(m_id_counter.next(), op_column::id_counter));
    if (!actor || !counter || *counter <= 0)
        return base::unexpected(CodecError { ErrorCode::BadOpId, "op id" });
    return OpId { static_cast<std::uint64_t>(*counter), TRY(check_actor(*actor, "op id")) };
}

base::Result<std::vector<OpId>, CodecError> OpColumnsDecoder::read_refs(std::uint64_t& ref_budget)
{
    std::uint32_t const group_spec = ref_spec(m_table, ColumnType::Group);
    std::uint64_t const count = TRY(in_column(m_ref_group.next(), group_spec)).value_or(0);
    if (count > ref_budget)
        return base::unexpected(CodecError { ErrorCode::TooManyRows, column_name(group_spec) });
    ref_budget -= count;
    std::vector<OpId> refs;
    for (std::uint64_t i = 0; i < count; ++i) {
        auto const actor = TRY(in_column(m_ref_actor.next(), ref_spec(m_table, ColumnType::Actor)));
        auto const counter = TRY(in_column(m_ref_counter.next(), ref_spec(m_table, ColumnType::Delta)));
        if (!actor || !counter || *counter <= 0)
            return base::unexpected(CodecError { ErrorCode::BadOpId, column_name(group_spec) });
        refs.push_back(
            OpId { static_cast<std::uint64_t>(*counter), TRY(check_actor(*actor, column_name(group_spec))) });
    }
    return refs;
}

base::Result<OpRow, CodecError> OpColumnsDecoder::next(std::uint64_t& ref_budget)
{
    OpRow row;
    row.id = TRY(read_id());
    row.obj = TRY(read_obj());
    row.key = TRY(read_key());
    row.insert = TRY(in_column(m_insert.next(), op_column::insert));
    auto const action = TRY(in_column(m_action.next(), op_column::action));
    if (!action || *action > 0xff)
        return base::unexpected(CodecError { ErrorCode::BadAction });
    row.action = static_cast<Action>(*action);
    row.value = TRY(in_column(m_value.next(), op_column::value));
    row.refs = TRY(read_refs(ref_budget));
    row.mark_name = TRY(in_column(m_mark_name.next(), op_column::mark_name));
    row.expand = TRY(in_column(m_expand.next(), op_column::expand));
    return row;
}

base::Result<void, CodecError> OpColumnsDecoder::finish() const
{
    struct Check {
        bool done;
        std::uint32_t spec;
    };
    Check const checks[] = {
        { m_obj_actor.done(), op_column::obj_actor },
        { m_obj_counter.done(), op_column::obj_counter },
        { m_key_actor.done(), op_column::key_actor },
        { m_key_counter.done(), op_column::key_counter },
        { m_key_string.done(), op_column::key_string },
        { m_id_actor.done(), op_column::id_actor },
        { m_id_counter.done(), op_column::id_counter },
        { m_insert.done(), op_column::insert },
        { m_value.done(), op_column::value },
        { m_ref_group.done(), ref_spec(m_table, ColumnType::Group) },
        { m_ref_actor.done(), ref_spec(m_table, ColumnType::Actor) },
        { m_ref_counter.done(), ref_spec(m_table, ColumnType::Delta) },
        { m_expand.done(), op_column::expand },
        { m_mark_name.done(), op_column::mark_name },
    };
    for (Check const& check : checks) {
        if (!check.done)
            return base::unexpected(column_error(ErrorCode::ColumnLengthMismatch, check.spec));
    }
    return {};
}

} // namespace automerge
