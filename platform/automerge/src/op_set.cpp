#include "op_set.h"

#include <base/verify.h>

#include <algorithm>

namespace automerge {

namespace {

using Bucket = std::vector<StoredOp>;

StoredOp* find_op(Bucket& ops, OpId id)
{
    auto const it = std::find_if(ops.begin(), ops.end(), [id](StoredOp const& op) { return op.id == id; });
    return it == ops.end() ? nullptr : &*it;
}

base::Result<std::vector<StoredOp*>, ApplyError> find_preds(Bucket* ops, std::vector<OpId> const& pred)
{
    std::vector<StoredOp*> found;
    found.reserve(pred.size());
    for (OpId const p : pred) {
        StoredOp* op = ops ? find_op(*ops, p) : nullptr;
        if (!op)
            return base::unexpected(ApplyError::UnknownPredecessor);
        found.push_back(op);
    }
    return found;
}

std::optional<std::int64_t> delta_of(Op const& op)
{
    return op.action == Action::Increment ? increment_delta(op.value) : std::nullopt;
}

void link_preds(std::vector<StoredOp*> const& preds, OpId id, Op const& op)
{
    for (StoredOp* pred : preds)
        add_successor(*pred, id, delta_of(op));
}

void unlink_preds(Bucket& ops, OpId id, Op const& op)
{
    for (OpId const p : op.pred) {
        StoredOp* pred = find_op(ops, p);
        VERIFY(pred);
        remove_successor(*pred, id, delta_of(op));
    }
}

void insert_sorted(Bucket& ops, StoredOp op, ActorTable const& actors)
{
    auto const at = std::upper_bound(ops.begin(), ops.end(), op.id,
        [&](OpId id, StoredOp const& existing) { return actors.less(id, existing.id); });
    ops.insert(at, std::move(op));
}

void erase_op(Bucket& ops, OpId id)
{
    auto const it = std::find_if(ops.begin(), ops.end(), [id](StoredOp const& op) { return op.id == id; });
    VERIFY(it != ops.end());
    ops.erase(it);
}

StoredOp stored(OpId id, Op const& op)
{
    return StoredOp {
        .id = id, .action = op.action, .value = op.value, .mark_name = op.mark_name, .expand = op.expand
    };
}

} // namespace

bool is_sequence(ObjType type) noexcept { return type == ObjType::List || type == ObjType::Text; }

OpSet::OpSet() { m_objects.emplace(root_id, Object {}); }

Object const* OpSet::object(OpId id) const
{
    auto const it = m_objects.find(id);
    return it == m_objects.end() ? nullptr : &it->second;
}

base::Result<void, ApplyError> OpSet::apply(OpId id, Op const& op)
{
    auto const it = m_objects.find(op.obj);
    if (it == m_objects.end())
        return base::unexpected(ApplyError::UnknownObject);
    if (op.action == Action::Increment && !increment_delta(op.value))
        return base::unexpected(ApplyError::InvalidOp);
    TRY(check_object_id_free(id, op));
    Object& obj = it->second;
    if (is_sequence(obj.type))
        TRY(apply_to_sequence(obj, id, op));
    else
        TRY(apply_to_map(obj, id, op));
    add_object(id, op.action);
    return {};
}

base::Result<void, ApplyError> OpSet::check_object_id_free(OpId id, Op const& op) const
{
    if (made_type(op.action) && m_objects.contains(id))
        return base::unexpected(ApplyError::InvalidOp);
    return {};
}

void OpSet::add_object(OpId id, Action action)
{
    if (auto const type = made_type(action))
        m_objects.emplace(id, Object { .type = *type });
}

base::Result<void, ApplyError> OpSet::apply_to_map(Object& obj, OpId id, Op const& op)
{
    auto const* key = std::get_if<std::string>(&op.key);
    if (!key || op.insert)
        return base::unexpected(ApplyError::InvalidOp);
    auto existing = obj.props.find(*key);
    Bucket* bucket = existing == obj.props.end() ? nullptr : &existing->second;
    auto const preds = TRY(find_preds(bucket, op.pred));
    link_preds(preds, id, op);
    if (op.action != Action::Delete) {
        if (!bucket)
            bucket = &obj.props[*key];
        insert_sorted(*bucket, stored(id, op), m_actors);
    }
    return {};
}

base::Result<void, ApplyError> OpSet::apply_to_sequence(Object& obj, OpId id, Op const& op)
{
    auto const* key = std::get_if<ElemId>(&op.key);
    if (!key)
        return base::unexpected(ApplyError::InvalidOp);
    if (op.insert) {
        if (op.action == Action::Delete || !op.pred.empty())
            return base::unexpected(ApplyError::InvalidOp);
        if (!key->is_head() && !obj.elements.contains(key->id))
            return base::unexpected(ApplyError::UnknownElement);
        obj.elements.insert(Element { .id = id, .origin = key->id, .ops = { stored(id, op) } }, m_actors);
        return {};
    }
    Element* element = key->is_head() ? nullptr : obj.elements.find(key->id);
    if (!element)
        return base::unexpected(ApplyError::UnknownElement);
    auto const preds = TRY(find_preds(&element->ops, op.pred));
    link_preds(preds, id, op);
    if (op.action != Action::Delete)
        insert_sorted(element->ops, stored(id, op), m_actors);
    return {};
}

void OpSet::undo(OpId id, Op const& op)
{
    if (made_type(op.action))
        m_objects.erase(id);
    auto const it = m_objects.find(op.obj);
    VERIFY(it != m_objects.end());
    Object& obj = it->second;
    if (is_sequence(obj.type)) {
        ElemId const key = std::get<ElemId>(op.key);
        if (op.insert) {
            obj.elements.erase_last(id);
            return;
        }
        Element* element = obj.elements.find(key.id);
        VERIFY(element);
        if (op.action != Action::Delete)
            erase_op(element->ops, id);
        unlink_preds(element->ops, id, op);
        return;
    }
    auto const bucket = obj.props.find(std::get<std::string>(op.key));
    if (bucket == obj.props.end())
        return; // a delete of nothing
    if (op.action != Action::Delete)
        erase_op(bucket->second, id);
    unlink_preds(bucket->second, id, op);
    if (bucket->second.empty())
        obj.props.erase(bucket);
}

ExId OpSet::export_id(OpId id) const
{
    if (id.counter == 0)
        return {};
    return ExId { id.counter, m_actors[id.actor] };
}

std::optional<OpId> OpSet::import_id(ExId const& id) const
{
    if (id.is_root())
        return root_id;
    auto const actor = m_actors.find(id.actor);
    if (!actor)
        return std::nullopt;
    return OpId { id.counter, *actor };
}

} // namespace automerge
