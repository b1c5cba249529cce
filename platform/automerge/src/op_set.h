// The op set: every object of a document and, under each key or list element, the ops set there.
//
// Ops arrive with ids over the document-wide actor table. Deletes are not stored: they only mark
// their preds as overwritten. Everything else stays, so a document can be saved with its history.
#pragma once

#include "actor_table.h"
#include "op_id_hash.h"
#include "sequence.h"
#include "stored_op.h"

#include <automerge/errors.h>
#include <automerge/value.h>
#include <base/result.h>

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace automerge {

struct Object {
    ObjType type { ObjType::Map };
    std::map<std::string, std::vector<StoredOp>, std::less<>> props; // maps and tables, in byte order
    Sequence elements; // lists and text
};

[[nodiscard]] bool is_sequence(ObjType type) noexcept;

class OpSet {
public:
    OpSet();

    [[nodiscard]] ActorTable& actors() noexcept { return m_actors; }
    [[nodiscard]] ActorTable const& actors() const noexcept { return m_actors; }

    [[nodiscard]] Object const* object(OpId id) const;
    [[nodiscard]] std::unordered_map<OpId, Object, OpIdHash> const& objects() const noexcept
    {
        return m_objects;
    }

    // Applies op `id`; on failure nothing has changed.
    [[nodiscard]] base::Result<void, ApplyError> apply(OpId id, Op const& op);
    // Takes back the most recently applied op, which must be `id` with `op`.
    void undo(OpId id, Op const& op);

    // Conversions between internal ids and ids that name the same op in any document.
    [[nodiscard]] ExId export_id(OpId id) const;
    [[nodiscard]] std::optional<OpId> import_id(ExId const& id) const;

private:
    [[nodiscard]] base::Result<void, ApplyError> apply_to_map(Object& obj, OpId id, Op const& op);
    [[nodiscard]] base::Result<void, ApplyError> apply_to_sequence(Object& obj, OpId id, Op const& op);
    [[nodiscard]] base::Result<void, ApplyError> check_object_id_free(OpId id, Op const& op) const;
    void add_object(OpId id, Action action);

    ActorTable m_actors;
    std::unordered_map<OpId, Object, OpIdHash> m_objects;
};

} // namespace automerge
