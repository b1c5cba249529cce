#include "sha256.h"

namespace automerge {

Sha256::Sha256() noexcept { sha256_init(&m_context); }

void Sha256::update(std::span<std::uint8_t const> bytes) noexcept
{
    sha256_update(&m_context, bytes.size(), bytes.data());
}

Sha256Digest Sha256::finish() noexcept
{
    Sha256Digest digest {};
    // nettle's digest call also re-initialises the context.
    sha256_digest(&m_context, digest.size(), digest.data());
    return digest;
}

Sha256Digest sha256(std::span<std::uint8_t const> bytes) noexcept
{
    Sha256 hasher;
    hasher.update(bytes);
    return hasher.finish();
}

} // namespace automerge
