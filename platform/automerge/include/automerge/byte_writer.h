// A growing byte buffer that encoders append to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace automerge {

class ByteWriter {
public:
    void append(std::uint8_t byte)
    {
        reserve_first();
        m_bytes.push_back(byte);
    }
    void append(std::span<std::uint8_t const> bytes)
    {
        reserve_first();
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    }
    void reserve(std::size_t size) { m_bytes.reserve(size); }
    // Drops everything after the first `size` bytes.
    void truncate(std::size_t size) noexcept
    {
        if (size < m_bytes.size())
            m_bytes.resize(size);
    }

    [[nodiscard]] std::size_t size() const noexcept { return m_bytes.size(); }
    [[nodiscard]] bool empty() const noexcept { return m_bytes.empty(); }
    [[nodiscard]] std::span<std::uint8_t const> bytes() const noexcept { return m_bytes; }
    // Moves the buffer out, leaving the writer empty.
    [[nodiscard]] std::vector<std::uint8_t> take() noexcept { return std::exchange(m_bytes, {}); }

private:
    // Most buffers hold a column of a few bytes: start with room for them rather than grow a byte
    // at a time, which costs an allocation per doubling.
    void reserve_first()
    {
        if (m_bytes.capacity() == 0)
            m_bytes.reserve(32);
    }

    std::vector<std::uint8_t> m_bytes;
};

} // namespace automerge
