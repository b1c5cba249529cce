// Rebuilding the changes a document chunk was made from.
//
// A document stores each op once, with its successors, and only change metadata. To get changes
// back: successors become predecessors, successors that are not ops become deletes, every op goes to
// the change of its author whose counter range holds it, and the changes are hashed in dependency
// order so that each can name its dependencies by hash. The hashes of the changes nothing depends
// on must then be the heads the chunk lists.
#include "op_references.h"
#include "sha256.h"

#include <automerge/chunk.h>

#include <algorithm>
#include <unordered_map>

namespace automerge {

namespace {

struct OpIdHash {
    std::size_t operator()(OpId id) const noexcept
    {
        return std::hash<std::uint64_t> {}(id.counter * 0x9e3779b97f4a7c15u ^ id.actor);
    }
};

// Lamport order; with a sorted actor table, index order is actor id order.
bool lamport_less(OpId a, OpId b) noexcept
{
    return a.counter != b.counter ? a.counter < b.counter : a.actor < b.actor;
}

struct HistoryOp {
    OpId id;
    Op op; // ids still index the document's actor table
};

// Each actor's changes by sequence number, which must count from 1 with max ops never going back.
base::Result<std::vector<std::vector<std::size_t>>, CodecError> changes_by_actor(DocumentData const& document)
{
    std::vector<std::vector<std::size_t>> by_actor(document.actors.size());
    for (std::size_t i = 0; i < document.changes.size(); ++i)
        by_actor[document.changes[i].actor].push_back(i);
    for (std::vector<std::size_t>& list : by_actor) {
        std::sort(list.begin(), list.end(),
            [&](std::size_t a, std::size_t b) { return document.changes[a].seq < document.changes[b].seq; });
        for (std::size_t i = 0; i < list.size(); ++i) {
            DocumentChange const& change = document.changes[list[i]];
            if (change.seq != i + 1)
                return base::unexpected(
                    CodecError { ErrorCode::BadSequenceNumber, "seq " + std::to_string(change.seq) });
            if (i > 0 && change.max_op < document.changes[list[i - 1]].max_op)
                return base::unexpected(
                    CodecError { ErrorCode::BadMaxOp, "seq " + std::to_string(change.seq) });
        }
    }
    return by_actor;
}

// The change whose counter range holds the op: the author's first change with max_op >= counter.
base::Result<std::size_t, CodecError> owner_of(
    OpId id, DocumentData const& document, std::vector<std::vector<std::size_t>> const& by_actor)
{
    std::vector<std::size_t> const& list = by_actor[id.actor];
    auto const it = std::lower_bound(list.begin(), list.end(), id.counter,
        [&](std::size_t change, std::uint64_t counter) { return document.changes[change].max_op < counter; });
    if (it == list.end())
        return base::unexpected(
            CodecError { ErrorCode::OpCounterGap, "op " + std::to_string(id.counter) + " has no change" });
    return *it;
}

// The ops with predecessors, including the deletes that exist only as successors.
std::vector<HistoryOp> expand_ops(std::vector<DocumentOp> const& ops)
{
    std::vector<HistoryOp> all;
    all.reserve(ops.size());
    std::unordered_map<OpId, std::size_t, OpIdHash> position;
    position.reserve(ops.size() + ops.size() / 4);
    for (DocumentOp const& op : ops) {
        position.emplace(op.id, all.size());
        all.push_back({ op.id,
            Op { .obj = op.obj,
                .key = op.key,
                .insert = op.insert,
                .action = op.action,
                .value = op.value,
                .mark_name = op.mark_name,
                .expand = op.expand } });
    }
    for (DocumentOp const& op : ops) {
        for (OpId const successor : op.succ) {
            auto [it, is_new] = position.emplace(successor, all.size());
            if (is_new) {
                // A delete of a list element names the element, which is the inserting op itself.
                Key const key = op.insert ? Key { ElemId { op.id } } : op.key;
                all.push_back({ successor, Op { .obj = op.obj, .key = key, .action = Action::Delete } });
            }
            all[it->second].op.pred.push_back(op.id);
        }
    }
    for (HistoryOp& entry : all)
        std::sort(entry.op.pred.begin(), entry.op.pred.end(), lamport_less);
    return all;
}

// Rewrites an op's ids from the document's actor table to the change's.
void localise(Op& op, std::vector<std::uint32_t> const& local)
{
    if (op.obj != root_id)
        op.obj.actor = local[op.obj.actor];
    if (auto* elem = std::get_if<ElemId>(&op.key); elem && !elem->is_head())
        elem->id.actor = local[elem->id.actor];
    for (OpId& pred : op.pred)
        pred.actor = local[pred.actor];
}

// The change's actor table is its author followed by every other actor its ops mention, in id order.
void set_actors(Change& change, std::uint32_t author, DocumentData const& document)
{
    std::vector<bool> used(document.actors.size(), false);
    auto const mark = [&](OpId id) { used[id.actor] = true; };
    for (Op const& op : change.ops)
        for_each_referenced_id(op, mark);
    std::vector<std::uint32_t> local(document.actors.size(), 0);
    change.actors.push_back(document.actors[author]);
    for (std::uint32_t actor = 0; actor < document.actors.size(); ++actor) {
        if (!used[actor] || actor == author)
            continue;
        local[actor] = static_cast<std::uint32_t>(change.actors.size());
        change.actors.push_back(document.actors[actor]);
    }
    for (Op& op : change.ops)
        localise(op, local);
}

base::Result<Change, CodecError> build_change(
    DocumentChange const& meta, std::vector<HistoryOp>& ops, DocumentData const& document)
{
    std::sort(ops.begin(), ops.end(),
        [](HistoryOp const& a, HistoryOp const& b) { return a.id.counter < b.id.counter; });
    // An empty change has max_op = start_op - 1.
    if (ops.size() > meta.max_op)
        return base::unexpected(CodecError { ErrorCode::OpCounterGap, "seq " + std::to_string(meta.seq) });
    Change change { .seq = meta.seq,
        .start_op = meta.max_op + 1 - ops.size(),
        .time = meta.time,
        .message = meta.message,
        .extra_bytes = meta.extra_bytes };
    if (change.message && change.message->empty())
        change.message.reset();
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (ops[i].id.counter != change.start_op + i)
            return base::unexpected(
                CodecError { ErrorCode::OpCounterGap, "seq " + std::to_string(meta.seq) });
        change.ops.push_back(std::move(ops[i].op));
    }
    set_actors(change, meta.actor, document);
    return change;
}

// Every index in the tables points inside them; decoded tables are checked already, but callers may
// build their own.
base::Result<void, CodecError> check_indices(DocumentData const& document)
{
    std::size_t const actors = document.actors.size();
    auto const bad = [](char const* what) {
        return base::unexpected(CodecError { ErrorCode::BadActorIndex, what });
    };
    for (DocumentChange const& change : document.changes) {
        if (change.actor >= actors)
            return bad("change author");
        for (std::uint64_t const dep : change.deps) {
            if (dep >= document.changes.size())
                return base::unexpected(
                    CodecError { ErrorCode::BadDependency, "index " + std::to_string(dep) });
        }
    }
    for (DocumentOp const& op : document.ops) {
        auto const* elem = std::get_if<ElemId>(&op.key);
        if (op.id.actor >= actors || (op.obj != root_id && op.obj.actor >= actors)
            || (elem && !elem->is_head() && elem->id.actor >= actors))
            return bad("op");
        for (OpId const successor : op.succ) {
            if (successor.actor >= actors)
                return bad("successor");
        }
    }
    return {};
}

base::Result<std::vector<Change>, CodecError> build_changes(DocumentData const& document)
{
    TRY(check_indices(document));
    auto const by_actor = TRY(changes_by_actor(document));
    std::vector<std::vector<HistoryOp>> ops_of(document.changes.size());
    for (HistoryOp& entry : expand_ops(document.ops)) {
        std::size_t const owner = TRY(owner_of(entry.id, document, by_actor));
        ops_of[owner].push_back(std::move(entry));
    }
    std::vector<Change> changes;
    changes.reserve(document.changes.size());
    for (std::size_t i = 0; i < document.changes.size(); ++i)
        changes.push_back(TRY(build_change(document.changes[i], ops_of[i], document)));
    return changes;
}

// Change indices with every change after its dependencies, without recursion: histories are long
// chains.
base::Result<std::vector<std::size_t>, CodecError> dependency_order(
    std::vector<DocumentChange> const& changes)
{
    enum class Mark : std::uint8_t { New, Open, Done };
    std::vector<Mark> marks(changes.size(), Mark::New);
    std::vector<std::size_t> order;
    order.reserve(changes.size());
    std::vector<std::pair<std::size_t, std::size_t>> stack; // change, next dependency to visit
    for (std::size_t root = 0; root < changes.size(); ++root) {
        if (marks[root] != Mark::New)
            continue;
        stack.push_back({ root, 0 });
        marks[root] = Mark::Open;
        while (!stack.empty()) {
            auto& [change, next] = stack.back();
            if (next == changes[change].deps.size()) {
                marks[change] = Mark::Done;
                order.push_back(change);
                stack.pop_back();
                continue;
            }
            std::size_t const dep = static_cast<std::size_t>(changes[change].deps[next++]);
            if (marks[dep] == Mark::Open)
                return base::unexpected(CodecError { ErrorCode::DependencyCycle });
            if (marks[dep] == Mark::New) {
                marks[dep] = Mark::Open;
                stack.push_back({ dep, 0 });
            }
        }
    }
    return order;
}

base::Result<void, CodecError> check_heads(
    DocumentData const& document, std::vector<DecodedChange> const& changes)
{
    std::vector<bool> is_dependency(changes.size(), false);
    for (DocumentChange const& change : document.changes) {
        for (std::uint64_t const dep : change.deps)
            is_dependency[dep] = true;
    }
    std::vector<ChangeHash> heads;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (!is_dependency[i])
            heads.push_back(changes[i].hash);
    }
    std::sort(heads.begin(), heads.end());
    std::vector<ChangeHash> listed = document.heads;
    std::sort(listed.begin(), listed.end());
    // A chunk that lists no heads has nothing to check against.
    if (!listed.empty() && heads != listed)
        return base::unexpected(CodecError { ErrorCode::HeadsMismatch });
    for (std::size_t i = 0; i < document.heads_index.size(); ++i) {
        std::uint64_t const index = document.heads_index[i];
        if (index >= changes.size() || changes[index].hash != document.heads[i])
            return base::unexpected(CodecError { ErrorCode::HeadsMismatch, "heads index" });
    }
    return {};
}

} // namespace

base::Result<std::vector<DecodedChange>, CodecError> document_changes(DocumentData const& document)
{
    std::vector<Change> changes = TRY(build_changes(document));
    std::vector<std::size_t> const order = TRY(dependency_order(document.changes));
    std::vector<DecodedChange> decoded(changes.size());
    for (std::size_t const index : order) {
        Change& change = changes[index];
        for (std::uint64_t const dep : document.changes[index].deps)
            change.deps.push_back(decoded[dep].hash);
        std::sort(change.deps.begin(), change.deps.end());
        decoded[index].bytes = encode_change(change);
        // The hash covers everything after the magic bytes and the checksum.
        Sha256Digest const digest = sha256(Bytes(decoded[index].bytes).subspan(8));
        std::copy(digest.begin(), digest.end(), decoded[index].hash.bytes.begin());
        decoded[index].change = std::move(change);
    }
    TRY(check_heads(document, decoded));
    return decoded;
}

base::Result<std::vector<DecodedChange>, CodecError> decode_document(Bytes chunk, DecodeLimits const& limits)
{
    DocumentData const document = TRY(decode_document_data(chunk, limits));
    return document_changes(document);
}

} // namespace automerge
