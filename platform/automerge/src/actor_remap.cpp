#include "actor_remap.h"

#include <base/verify.h>

#include <algorithm>

namespace automerge {

namespace {

// Rewrites the actor of every non-root, non-head id in the op.
template <class F> [[nodiscard]] bool remap_ids(Op& op, F&& remap)
{
    auto one = [&](OpId& id) { return id.counter == 0 ? (id.actor = 0, true) : remap(id.actor); };
    bool ok = one(op.obj);
    if (auto* elem = std::get_if<ElemId>(&op.key))
        ok = one(elem->id) && ok;
    for (OpId& p : op.pred)
        ok = one(p) && ok;
    return ok;
}

} // namespace

std::vector<std::uint32_t> intern_actors(Change const& change, ActorTable& actors)
{
    std::vector<std::uint32_t> map;
    map.reserve(change.actors.size());
    for (ActorId const& actor : change.actors)
        map.push_back(actors.intern(actor));
    return map;
}

base::Result<Op, ApplyError> to_document_ids(Op op, std::span<std::uint32_t const> actor_map)
{
    bool const ok = remap_ids(op, [&](std::uint32_t& actor) {
        if (actor >= actor_map.size())
            return false;
        actor = actor_map[actor];
        return true;
    });
    if (!ok)
        return base::unexpected(ApplyError::MalformedChange);
    return op;
}

std::vector<std::uint32_t> change_actors(
    std::span<Op const> ops, std::uint32_t author, ActorTable const& actors)
{
    std::vector<std::uint32_t> others;
    for (Op op : ops) {
        (void)remap_ids(op, [&](std::uint32_t& actor) {
            if (actor != author)
                others.push_back(actor);
            return true;
        });
    }
    std::sort(others.begin(), others.end(),
        [&](std::uint32_t a, std::uint32_t b) { return compare_bytes(actors[a], actors[b]) < 0; });
    others.erase(std::unique(others.begin(), others.end()), others.end());
    others.insert(others.begin(), author);
    return others;
}

Op to_change_ids(Op op, std::span<std::uint32_t const> table)
{
    bool const ok = remap_ids(op, [&](std::uint32_t& actor) {
        auto const it = std::find(table.begin(), table.end(), actor);
        VERIFY(it != table.end());
        actor = static_cast<std::uint32_t>(it - table.begin());
        return true;
    });
    VERIFY(ok);
    return op;
}

} // namespace automerge
