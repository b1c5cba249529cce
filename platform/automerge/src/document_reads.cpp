// Document's reads: resolve the object, then ask the op set what is visible.

#include "document_state.h"
#include "local_ops.h"
#include "object_reads.h"

namespace automerge {

namespace {

std::vector<Conflict> conflicts_of(std::vector<StoredOp> const& ops, OpSet const& op_set)
{
    std::vector<Conflict> conflicts;
    for (StoredOp const* op : visible_ops(ops))
        conflicts.push_back(Conflict { value_of(*op, op_set), op_set.export_id(op->id) });
    return conflicts;
}

std::optional<Value> winning_value(std::vector<StoredOp> const& ops, OpSet const& op_set)
{
    StoredOp const* top = winner(ops);
    return top ? std::optional<Value>(value_of(*top, op_set)) : std::nullopt;
}

std::vector<StoredOp> const* ops_at(DocumentState const& state, ObjId const& obj, std::string_view key)
{
    auto const target = resolve_map(state, obj);
    if (!target)
        return nullptr;
    auto const it = target->obj->props.find(key);
    return it == target->obj->props.end() ? nullptr : &it->second;
}

std::vector<StoredOp> const* ops_at(DocumentState const& state, ObjId const& obj, std::size_t index)
{
    auto const target = resolve_sequence(state, obj);
    if (!target)
        return nullptr;
    Element const* element = visible_element(target->obj->elements, index);
    return element ? &element->ops : nullptr;
}

} // namespace

std::optional<ObjType> Document::object_type(ObjId const& obj) const
{
    auto const target = resolve(*m_state, obj);
    return target ? std::optional<ObjType>(target->obj->type) : std::nullopt;
}

std::optional<Value> Document::get(ObjId const& obj, std::string_view key) const
{
    auto const* ops = ops_at(*m_state, obj, key);
    return ops ? winning_value(*ops, m_state->ops) : std::nullopt;
}

std::optional<Value> Document::get(ObjId const& obj, std::size_t index) const
{
    auto const* ops = ops_at(*m_state, obj, index);
    return ops ? winning_value(*ops, m_state->ops) : std::nullopt;
}

std::vector<Conflict> Document::get_all(ObjId const& obj, std::string_view key) const
{
    auto const* ops = ops_at(*m_state, obj, key);
    return ops ? conflicts_of(*ops, m_state->ops) : std::vector<Conflict> {};
}

std::vector<Conflict> Document::get_all(ObjId const& obj, std::size_t index) const
{
    auto const* ops = ops_at(*m_state, obj, index);
    return ops ? conflicts_of(*ops, m_state->ops) : std::vector<Conflict> {};
}

std::vector<std::string> Document::keys(ObjId const& obj) const
{
    std::vector<std::string> keys;
    if (auto const target = resolve_map(*m_state, obj)) {
        for (auto const& [key, ops] : target->obj->props) {
            if (winner(ops))
                keys.push_back(key);
        }
    }
    return keys;
}

std::vector<Value> Document::values(ObjId const& obj) const
{
    std::vector<Value> values;
    auto const target = resolve(*m_state, obj);
    if (!target)
        return values;
    if (is_sequence(target->obj->type)) {
        for (Element const* element : visible_elements(target->obj->elements))
            values.push_back(value_of(*winner(element->ops), m_state->ops));
        return values;
    }
    for (auto const& [key, ops] : target->obj->props) {
        if (auto value = winning_value(ops, m_state->ops))
            values.push_back(std::move(*value));
    }
    return values;
}

std::size_t Document::length(ObjId const& obj) const
{
    auto const target = resolve(*m_state, obj);
    return target ? visible_length(*target->obj) : 0;
}

std::string Document::text(ObjId const& obj) const
{
    auto const target = resolve_sequence(*m_state, obj);
    return target ? text_of(*target->obj) : std::string {};
}

} // namespace automerge
