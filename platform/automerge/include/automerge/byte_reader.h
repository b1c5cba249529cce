// A cursor over bytes that parsers consume from the front.
//
// It is a cheap value: a parser takes one by reference, advances it past what it read, and the
// caller keeps what is left. Copying it is how a parser looks ahead without consuming.
#pragma once

#include <automerge/codec_error.h>
#include <base/result.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace automerge {

using Bytes = std::span<std::uint8_t const>;

class ByteReader {
public:
    constexpr ByteReader() = default;
    constexpr explicit ByteReader(Bytes bytes) noexcept
        : m_bytes(bytes)
    {
    }

    [[nodiscard]] constexpr std::size_t remaining() const noexcept { return m_bytes.size() - m_position; }
    [[nodiscard]] constexpr bool empty() const noexcept { return remaining() == 0; }
    // How many bytes have been consumed since construction.
    [[nodiscard]] constexpr std::size_t position() const noexcept { return m_position; }
    [[nodiscard]] constexpr Bytes rest() const noexcept { return m_bytes.subspan(m_position); }

    [[nodiscard]] base::Result<std::uint8_t, ErrorCode> read_byte() noexcept
    {
        if (empty())
            return base::unexpected(ErrorCode::Truncated);
        return m_bytes[m_position++];
    }

    // The next `count` bytes, as a view into the same buffer.
    [[nodiscard]] base::Result<Bytes, ErrorCode> read_bytes(std::size_t count) noexcept
    {
        if (count > remaining())
            return base::unexpected(ErrorCode::Truncated);
        Bytes const taken = m_bytes.subspan(m_position, count);
        m_position += count;
        return taken;
    }

    // Everything that is left, leaving the reader empty.
    [[nodiscard]] constexpr Bytes read_rest() noexcept
    {
        Bytes const taken = rest();
        m_position = m_bytes.size();
        return taken;
    }

private:
    Bytes m_bytes;
    std::size_t m_position { 0 };
};

} // namespace automerge
