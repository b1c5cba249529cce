// What a document read returns: scalars, references to nested objects, and the ids that name them.
//
// Ids here carry the actor's bytes rather than an index into some actor table, so an id read from
// one document means the same object in every fork and merge of it.
#pragma once

#include <automerge/change.h>

#include <compare>
#include <cstdint>
#include <variant>

namespace automerge {

// An op id that means the same in every document: the counter and the actor's bytes. Objects are
// named by the id of the op that made them; the root map is counter 0 with no actor.
struct ExId {
    std::uint64_t counter {};
    ActorId actor;
    [[nodiscard]] bool is_root() const noexcept { return counter == 0; }
    // Counter first, then actor bytes: the order in which concurrent ops win.
    friend auto operator<=>(ExId const&, ExId const&) = default;
};

using ObjId = ExId;

// The root map of every document.
inline ObjId const root_obj {};

enum class ObjType : std::uint8_t {
    Map,
    List,
    Text,
    Table, // behaves as a map
};

struct ObjectRef {
    ObjId id;
    ObjType type { ObjType::Map };
    friend bool operator==(ObjectRef const&, ObjectRef const&) = default;
};

// A counter reads as Counter { current total }.
using Value = std::variant<ScalarValue, ObjectRef>;

// One of the concurrent values of a map key or list element, with the id of the op that set it.
struct Conflict {
    Value value;
    ExId id;
    friend bool operator==(Conflict const&, Conflict const&) = default;
};

[[nodiscard]] inline ScalarValue const* as_scalar(Value const& v) noexcept
{
    return std::get_if<ScalarValue>(&v);
}
[[nodiscard]] inline ObjectRef const* as_object(Value const& v) noexcept
{
    return std::get_if<ObjectRef>(&v);
}

// The scalar's alternative T, or null when v is an object or another kind of scalar.
template <class T> [[nodiscard]] T const* scalar_if(Value const& v) noexcept
{
    ScalarValue const* s = as_scalar(v);
    return s ? std::get_if<T>(s) : nullptr;
}

} // namespace automerge
