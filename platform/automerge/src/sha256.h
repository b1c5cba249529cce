// SHA-256 digests, which name changes (change hashes) and guard chunks (checksums).
#pragma once

#include <nettle/sha2.h>

#include <array>
#include <cstdint>
#include <span>

namespace automerge {

using Sha256Digest = std::array<std::uint8_t, 32>;

// An incremental digest, for hashing a chunk from its separately built pieces.
class Sha256 {
public:
    Sha256() noexcept;
    void update(std::span<std::uint8_t const> bytes) noexcept;
    // The digest of everything fed so far; the object starts over afterwards.
    [[nodiscard]] Sha256Digest finish() noexcept;

private:
    sha256_ctx m_context {};
};

[[nodiscard]] Sha256Digest sha256(std::span<std::uint8_t const> bytes) noexcept;

} // namespace automerge
