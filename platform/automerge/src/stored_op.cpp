#include "stored_op.h"

#include <base/verify.h>

#include <algorithm>

namespace automerge {

bool is_counter(StoredOp const& op) noexcept
{
    return op.action == Action::Set && std::holds_alternative<Counter>(op.value);
}

std::optional<ObjType> made_type(Action action) noexcept
{
    switch (action) {
    case Action::MakeMap:
        return ObjType::Map;
    case Action::MakeList:
        return ObjType::List;
    case Action::MakeText:
        return ObjType::Text;
    case Action::MakeTable:
        return ObjType::Table;
    default:
        return std::nullopt;
    }
}

Action make_action(ObjType type) noexcept
{
    switch (type) {
    case ObjType::Map:
        return Action::MakeMap;
    case ObjType::List:
        return Action::MakeList;
    case ObjType::Text:
        return Action::MakeText;
    case ObjType::Table:
        return Action::MakeTable;
    }
    return Action::MakeMap;
}

bool is_visible(StoredOp const& op) noexcept
{
    bool const is_value = op.action == Action::Set || made_type(op.action).has_value();
    return is_value && op.hiding_succ == 0;
}

ScalarValue shown_value(StoredOp const& op)
{
    ScalarValue value = op.value;
    if (auto* counter = std::get_if<Counter>(&value))
        // Two's complement wrap-around, as every replica does the same sum.
        counter->value = static_cast<std::int64_t>(
            static_cast<std::uint64_t>(counter->value) + static_cast<std::uint64_t>(op.increment_total));
    return value;
}

std::optional<std::int64_t> increment_delta(ScalarValue const& value) noexcept
{
    if (auto const* i = std::get_if<std::int64_t>(&value))
        return *i;
    if (auto const* u = std::get_if<std::uint64_t>(&value))
        return static_cast<std::int64_t>(*u);
    if (auto const* c = std::get_if<Counter>(&value))
        return c->value;
    return std::nullopt;
}

void add_successor(StoredOp& op, OpId by, std::optional<std::int64_t> delta)
{
    op.succ.push_back(by);
    if (delta && is_counter(op))
        // Two's complement wrap-around, as every replica does the same sum.
        op.increment_total = static_cast<std::int64_t>(
            static_cast<std::uint64_t>(op.increment_total) + static_cast<std::uint64_t>(*delta));
    else
        ++op.hiding_succ;
}

void remove_successor(StoredOp& op, OpId by, std::optional<std::int64_t> delta)
{
    auto const it = std::find(op.succ.rbegin(), op.succ.rend(), by);
    VERIFY(it != op.succ.rend());
    op.succ.erase(std::next(it).base());
    if (delta && is_counter(op))
        op.increment_total = static_cast<std::int64_t>(
            static_cast<std::uint64_t>(op.increment_total) - static_cast<std::uint64_t>(*delta));
    else {
        VERIFY(op.hiding_succ > 0);
        --op.hiding_succ;
    }
}

} // namespace automerge
