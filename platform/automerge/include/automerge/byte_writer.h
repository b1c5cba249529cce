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
    void append(std::uint8_t byte) { m_bytes.push_back(byte); }
    void append(std::span<std::uint8_t const> bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }

    [[nodiscard]] std::size_t size() const noexcept { return m_bytes.size(); }
    [[nodiscard]] bool empty() const noexcept { return m_bytes.empty(); }
    [[nodiscard]] std::span<std::uint8_t const> bytes() const noexcept { return m_bytes; }
    // Moves the buffer out, leaving the writer empty.
    [[nodiscard]] std::vector<std::uint8_t> take() noexcept { return std::exchange(m_bytes, {}); }

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace automerge
