// The op ids an op refers to besides its own: the object it is in, the element it is keyed on and
// the ops it overwrites. The actors of these ids are the ones a change's actor table must list.
#pragma once

#include <automerge/change.h>

#include <variant>

namespace automerge {

template <class F> void for_each_referenced_id(Op const& op, F&& f)
{
    if (op.obj != root_id)
        f(op.obj);
    if (auto const* elem = std::get_if<ElemId>(&op.key); elem && !elem->is_head())
        f(elem->id);
    for (OpId const pred : op.pred)
        f(pred);
}

} // namespace automerge
