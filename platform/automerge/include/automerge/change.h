// Changes as values: the unit of history that is hashed, stored, sent and merged.
//
// This is the engine's in-memory form of a change, shared by the binary codec (which turns it
// into and out of change chunks and document chunks) and the op set (which applies it).
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace automerge {

// An actor id: opaque bytes, 16 random bytes for actors this engine creates.
using ActorId = std::vector<std::uint8_t>;

struct ChangeHash {
    std::array<std::uint8_t, 32> bytes {};
    friend auto operator<=>(ChangeHash const&, ChangeHash const&) = default;
};

// An operation id: the Lamport counter and the actor, as an index into the actor table of
// whatever holds the id (a change's table, or the op set's).
struct OpId {
    std::uint64_t counter {};
    std::uint32_t actor {};
    friend bool operator==(OpId, OpId) = default;
};

// The root object is the id with counter 0.
inline constexpr OpId root_id {};

// A list or text position: the id of the element inserted there, or the list head.
struct ElemId {
    OpId id; // counter 0 is the head
    [[nodiscard]] constexpr bool is_head() const noexcept { return id.counter == 0; }
    friend bool operator==(ElemId, ElemId) = default;
};

using Key = std::variant<std::string, ElemId>;

struct Null {
    friend bool operator==(Null, Null) = default;
};
struct Counter {
    std::int64_t value {};
    friend bool operator==(Counter, Counter) = default;
};
struct Timestamp {
    std::int64_t millis {};
    friend bool operator==(Timestamp, Timestamp) = default;
};
// A value of a type this engine does not know, kept byte for byte so it survives a round trip.
struct UnknownValue {
    std::uint8_t type_code {};
    std::vector<std::uint8_t> bytes;
    friend bool operator==(UnknownValue const&, UnknownValue const&) = default;
};

using ScalarValue = std::variant<Null, bool, std::int64_t, std::uint64_t, double, std::string,
    std::vector<std::uint8_t>, Counter, Timestamp, UnknownValue>;

// Operation actions, numbered as in the binary format.
enum class Action : std::uint8_t {
    MakeMap = 0,
    Set = 1,
    MakeList = 2,
    Delete = 3,
    MakeText = 4,
    Increment = 5,
    MakeTable = 6,
    Mark = 7,
};

struct Op {
    OpId obj { root_id };
    Key key;
    bool insert {};
    Action action { Action::Set };
    ScalarValue value { Null {} }; // Set: the value; Increment: the delta as an int
    std::vector<OpId> pred; // the ops this one overwrites or deletes
    // Mark ops only: the mark's name (none on the op that ends a mark), and whether the mark
    // grows over text typed at its edge. The binary format stores both only for changes with marks.
    std::optional<std::string> mark_name;
    bool expand {};
    friend bool operator==(Op const&, Op const&) = default;
};

struct Change {
    // actors[0] is the author; op ids and preds index into this table.
    std::vector<ActorId> actors;
    std::uint64_t seq {};
    std::uint64_t start_op {};
    std::int64_t time {}; // milliseconds since the Unix epoch
    std::optional<std::string> message;
    std::vector<ChangeHash> deps; // sorted
    std::vector<Op> ops; // op i has id (start_op + i, 0)
    std::vector<std::uint8_t> extra_bytes;
    friend bool operator==(Change const&, Change const&) = default;
};

} // namespace automerge
