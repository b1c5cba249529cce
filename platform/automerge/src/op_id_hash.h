// Hashing op ids and change hashes for unordered containers.
#pragma once

#include <automerge/change.h>

#include <cstddef>
#include <cstring>
#include <functional>

namespace automerge {

struct OpIdHash {
    [[nodiscard]] std::size_t operator()(OpId id) const noexcept
    {
        return std::hash<std::uint64_t> {}(id.counter * 0x9E3779B97F4A7C15ull ^ id.actor);
    }
};

struct ChangeHashHash {
    [[nodiscard]] std::size_t operator()(ChangeHash const& h) const noexcept
    {
        // The bytes are a SHA-256 digest, so any eight of them are already well mixed.
        std::size_t value {};
        std::memcpy(&value, h.bytes.data(), sizeof value);
        return value;
    }
};

} // namespace automerge
