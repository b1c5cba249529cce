#include "document_data.h"

#include <base/verify.h>

#include <algorithm>
#include <map>
#include <unordered_map>

namespace automerge {

namespace {

// From the op set's actor indices to indices into the sorted table of the actors that wrote.
class ActorRemap {
public:
    ActorRemap(ActorTable const& actors, History const& history)
        : m_to_sorted(actors.size(), 0)
    {
        std::map<ActorId, std::uint32_t, ActorLess> authors;
        for (Change const& change : history.changes())
            authors.emplace(change.actors.front(), *actors.find(change.actors.front()));
        for (auto const& [actor, index] : authors) {
            m_to_sorted[index] = static_cast<std::uint32_t>(m_sorted.size());
            m_sorted.push_back(actor);
        }
    }

    [[nodiscard]] OpId operator()(OpId id) const
    {
        return id.counter == 0 ? id : OpId { id.counter, m_to_sorted[id.actor] };
    }
    [[nodiscard]] std::uint32_t index_of(ActorId const& actor) const
    {
        auto const it = std::lower_bound(m_sorted.begin(), m_sorted.end(), actor, ActorLess {});
        VERIFY(it != m_sorted.end() && *it == actor);
        return static_cast<std::uint32_t>(it - m_sorted.begin());
    }
    [[nodiscard]] std::vector<ActorId> const& sorted() const noexcept { return m_sorted; }

private:
    std::vector<std::uint32_t> m_to_sorted;
    std::vector<ActorId> m_sorted;
};

DocumentOp document_op(StoredOp const& op, OpId obj, Key key, bool insert, ActorRemap const& remap)
{
    DocumentOp out { .id = remap(op.id),
        .obj = remap(obj),
        .key = std::move(key),
        .insert = insert,
        .action = op.action,
        .value = op.value,
        .mark_name = op.mark_name,
        .expand = op.expand };
    for (OpId const succ : op.succ)
        out.succ.push_back(remap(succ));
    // Sorted actor indices order like actor bytes, so this is (counter, actor id) order.
    std::sort(out.succ.begin(), out.succ.end(),
        [](OpId a, OpId b) { return a.counter != b.counter ? a.counter < b.counter : a.actor < b.actor; });
    return out;
}

std::size_t count_ops(Object const& obj)
{
    std::size_t count = 0;
    for (auto const& [key, ops] : obj.props)
        count += ops.size();
    for (Element const& element : obj.elements)
        count += element.ops.size();
    return count;
}

void add_object_ops(std::vector<DocumentOp>& out, OpId id, Object const& obj, ActorRemap const& remap)
{
    if (!is_sequence(obj.type)) {
        for (auto const& [key, ops] : obj.props) {
            for (StoredOp const& op : ops)
                out.push_back(document_op(op, id, key, false, remap));
        }
        return;
    }
    for (Element const& element : obj.elements) {
        for (StoredOp const& op : element.ops) {
            bool const insert = op.id == element.id;
            OpId const key = remap(insert ? element.origin : element.id);
            out.push_back(document_op(op, id, ElemId { key }, insert, remap));
        }
    }
}

std::vector<DocumentChange> document_changes_of(History const& history, ActorRemap const& remap)
{
    std::unordered_map<ChangeHash, std::uint64_t, ChangeHashHash> index_of;
    std::vector<DocumentChange> changes;
    auto const hashes = history.hashes();
    for (std::size_t i = 0; i < history.changes().size(); ++i) {
        Change const& change = history.changes()[i];
        DocumentChange out { .actor = remap.index_of(change.actors.front()),
            .seq = change.seq,
            .max_op = max_op(change),
            .time = change.time,
            .message = change.message,
            .extra_bytes = change.extra_bytes };
        for (ChangeHash const& dep : change.deps)
            out.deps.push_back(index_of.at(dep));
        index_of.emplace(hashes[i], i);
        changes.push_back(std::move(out));
    }
    return changes;
}

} // namespace

DocumentData to_document_data(OpSet const& ops, History const& history)
{
    ActorRemap const remap(ops.actors(), history);
    DocumentData data { .actors = remap.sorted(), .heads = history.heads() };
    data.changes = document_changes_of(history, remap);

    std::vector<OpId> objects;
    std::size_t op_count = 0;
    for (auto const& [id, obj] : ops.objects()) {
        objects.push_back(id);
        op_count += count_ops(obj);
    }
    // Sized once: regrowing a table of a million ops costs more than filling it.
    data.ops.reserve(op_count);
    // The root has counter 0, so it sorts first.
    std::sort(objects.begin(), objects.end(), [&](OpId a, OpId b) { return ops.actors().less(a, b); });
    for (OpId const id : objects)
        add_object_ops(data.ops, id, *ops.object(id), remap);

    auto const hashes = history.hashes();
    for (ChangeHash const& head : data.heads) {
        auto const it = std::find(hashes.begin(), hashes.end(), head);
        data.heads_index.push_back(static_cast<std::uint64_t>(it - hashes.begin()));
    }
    return data;
}

} // namespace automerge
