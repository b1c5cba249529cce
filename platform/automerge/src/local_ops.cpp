#include "local_ops.h"

#include "object_reads.h"

namespace automerge {

namespace {

std::vector<OpId> ids_of(std::vector<StoredOp const*> const& ops)
{
    std::vector<OpId> ids;
    ids.reserve(ops.size());
    for (StoredOp const* op : ops)
        ids.push_back(op->id);
    return ids;
}

std::vector<OpId> visible_at(Object const& map, std::string_view key)
{
    auto const it = map.props.find(key);
    return it == map.props.end() ? std::vector<OpId> {} : ids_of(visible_ops(it->second));
}

// The counters among the visible ops, or NotACounter when the winner is not one.
base::Result<std::vector<OpId>, DocError> counters_in(std::vector<StoredOp> const& ops)
{
    StoredOp const* top = winner(ops);
    if (!top || !is_counter(*top))
        return base::unexpected(DocError::NotACounter);
    std::vector<OpId> counters;
    for (StoredOp const* op : visible_ops(ops)) {
        if (is_counter(*op))
            counters.push_back(op->id);
    }
    return counters;
}

// A put of the value the slot already shows writes no new value, as the reference does: nothing
// at all when that value stands alone, otherwise one delete of the concurrent values it beats.
// Returns the op that keeps the value, or nullopt when the put must be written.
std::optional<OpId> put_unchanged(DocumentState& state, Target const& target, Key const& key,
    std::vector<StoredOp> const& ops, ScalarValue const& value)
{
    std::vector<StoredOp const*> visible = visible_ops(ops);
    if (visible.empty())
        return std::nullopt;
    StoredOp const& top = *visible.back();
    if (top.action != Action::Set)
        return std::nullopt;
    ScalarValue const shown = shown_value(top);
    // Values compare as the types they are: an int is not a uint, 0.0 equals -0.0, NaN equals nothing.
    if (!(shown == value))
        return std::nullopt;
    OpId const kept = top.id;
    visible.pop_back();
    if (!visible.empty())
        add_local_op(
            state, Op { .obj = target.id, .key = key, .action = Action::Delete, .pred = ids_of(visible) });
    return kept;
}

base::Result<Element const*, DocError> element_at(Target const& target, std::size_t index)
{
    Element const* element = visible_element(target.obj->elements, index);
    if (!element)
        return base::unexpected(DocError::IndexOutOfRange);
    return element;
}

} // namespace

base::Result<Target, DocError> resolve(DocumentState const& state, ObjId const& obj)
{
    auto const id = state.ops.import_id(obj);
    Object const* object = id ? state.ops.object(*id) : nullptr;
    if (!object)
        return base::unexpected(DocError::NoSuchObject);
    return Target { *id, object };
}

base::Result<Target, DocError> resolve_map(DocumentState const& state, ObjId const& obj)
{
    auto const target = TRY(resolve(state, obj));
    if (is_sequence(target.obj->type))
        return base::unexpected(DocError::WrongObjectType);
    return target;
}

base::Result<Target, DocError> resolve_sequence(DocumentState const& state, ObjId const& obj)
{
    auto const target = TRY(resolve(state, obj));
    if (!is_sequence(target.obj->type))
        return base::unexpected(DocError::WrongObjectType);
    return target;
}

base::Result<Target, DocError> resolve_text(DocumentState const& state, ObjId const& obj)
{
    auto const target = TRY(resolve(state, obj));
    if (target.obj->type != ObjType::Text)
        return base::unexpected(DocError::WrongObjectType);
    return target;
}

base::Result<OpId, DocError> put_in_map(
    DocumentState& state, ObjId const& map, std::string_view key, Action action, ScalarValue value)
{
    auto const target = TRY(resolve_map(state, map));
    if (auto const it = target.obj->props.find(key); action == Action::Set && it != target.obj->props.end()) {
        if (auto const kept = put_unchanged(state, target, std::string(key), it->second, value))
            return *kept;
    }
    return add_local_op(state,
        Op { .obj = target.id,
            .key = std::string(key),
            .action = action,
            .value = std::move(value),
            .pred = visible_at(*target.obj, key) });
}

base::Result<OpId, DocError> put_in_list(
    DocumentState& state, ObjId const& list, std::size_t index, Action action, ScalarValue value)
{
    auto const target = TRY(resolve_sequence(state, list));
    auto const at = TRY(element_at(target, index));
    if (action == Action::Set) {
        if (auto const kept = put_unchanged(state, target, ElemId { at->id }, at->ops, value))
            return *kept;
    }
    return add_local_op(state,
        Op { .obj = target.id,
            .key = ElemId { at->id },
            .action = action,
            .value = std::move(value),
            .pred = ids_of(visible_ops(at->ops)) });
}

base::Result<OpId, DocError> insert_in_list(
    DocumentState& state, ObjId const& list, std::size_t index, Action action, ScalarValue value)
{
    auto const target = TRY(resolve_sequence(state, list));
    OpId origin {};
    if (index > 0)
        origin = TRY(element_at(target, index - 1))->id;
    return add_local_op(state,
        Op { .obj = target.id,
            .key = ElemId { origin },
            .insert = true,
            .action = action,
            .value = std::move(value) });
}

base::Result<void, DocError> delete_in_map(DocumentState& state, ObjId const& map, std::string_view key)
{
    auto const target = TRY(resolve_map(state, map));
    auto pred = visible_at(*target.obj, key);
    if (!pred.empty())
        add_local_op(
            state, Op { .obj = target.id, .key = std::string(key), .action = Action::Delete, .pred = pred });
    return {};
}

base::Result<void, DocError> delete_in_list(DocumentState& state, ObjId const& list, std::size_t index)
{
    auto const target = TRY(resolve_sequence(state, list));
    auto const at = TRY(element_at(target, index));
    add_local_op(state,
        Op { .obj = target.id,
            .key = ElemId { at->id },
            .action = Action::Delete,
            .pred = ids_of(visible_ops(at->ops)) });
    return {};
}

base::Result<void, DocError> increment_in_map(
    DocumentState& state, ObjId const& map, std::string_view key, std::int64_t by)
{
    auto const target = TRY(resolve_map(state, map));
    auto const it = target.obj->props.find(key);
    if (it == target.obj->props.end())
        return base::unexpected(DocError::NotACounter);
    auto pred = TRY(counters_in(it->second));
    add_local_op(state,
        Op { .obj = target.id,
            .key = std::string(key),
            .action = Action::Increment,
            .value = by,
            .pred = pred });
    return {};
}

base::Result<void, DocError> increment_in_list(
    DocumentState& state, ObjId const& list, std::size_t index, std::int64_t by)
{
    auto const target = TRY(resolve_sequence(state, list));
    auto const at = TRY(element_at(target, index));
    auto pred = TRY(counters_in(at->ops));
    add_local_op(state,
        Op { .obj = target.id,
            .key = ElemId { at->id },
            .action = Action::Increment,
            .value = by,
            .pred = pred });
    return {};
}

base::Result<void, DocError> splice_elements(DocumentState& state, ObjId const& text, std::size_t pos,
    std::size_t del, std::span<std::string_view const> scalars)
{
    auto const target = TRY(resolve_text(state, text));
    auto const elements = visible_elements(target.obj->elements);
    if (pos > elements.size() || del > elements.size() - pos)
        return base::unexpected(DocError::IndexOutOfRange);
    // Read everything first: adding ops moves elements.
    std::vector<Op> deletes;
    for (std::size_t i = pos; i < pos + del; ++i)
        deletes.push_back(Op { .obj = target.id,
            .key = ElemId { elements[i]->id },
            .action = Action::Delete,
            .pred = ids_of(visible_ops(elements[i]->ops)) });
    // Inserts take the lower op ids and deletes follow, the order the reference writes a splice
    // in: the same edit must make the same change, byte for byte, or the hashes part ways.
    OpId origin = pos == 0 ? OpId {} : elements[pos - 1]->id;
    for (std::string_view const scalar : scalars)
        origin = add_local_op(state,
            Op { .obj = target.id, .key = ElemId { origin }, .insert = true, .value = std::string(scalar) });
    for (Op& op : deletes)
        add_local_op(state, std::move(op));
    return {};
}

} // namespace automerge
