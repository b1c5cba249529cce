// Delta columns: increasing integers (op counters, sequence numbers, times) stored as RLE differences.
//
// The first value is a difference from zero and nulls leave the running total alone. Totals wrap
// around in 64 bits both ways, so every sequence of 64-bit values encodes; whoever reads a column
// checks that its values are in the range that column allows (op counters are never negative).
#pragma once

#include "rle.h"

namespace automerge {

class DeltaEncoder {
public:
    void append(std::int64_t value)
    {
        // Differences wrap in unsigned arithmetic so that extreme values still encode; the reader
        // undoes the same wrap.
        auto const delta = static_cast<std::int64_t>(
            static_cast<std::uint64_t>(value) - static_cast<std::uint64_t>(m_last));
        m_rle.append(delta);
        m_last = value;
    }
    void append_null() { m_rle.append_null(); }
    void append(std::optional<std::int64_t> value) { value ? append(*value) : append_null(); }
    [[nodiscard]] std::vector<std::uint8_t> finish() && { return std::move(m_rle).finish(); }

private:
    RleEncoder<SlebValue> m_rle;
    std::int64_t m_last { 0 };
};

class DeltaDecoder {
public:
    explicit DeltaDecoder(Bytes column) noexcept
        : m_rle(column)
    {
    }

    [[nodiscard]] base::Result<std::optional<std::int64_t>, ErrorCode> next()
    {
        std::optional<std::int64_t> const delta = TRY(m_rle.next());
        if (!delta)
            return delta;
        m_last = static_cast<std::int64_t>(
            static_cast<std::uint64_t>(m_last) + static_cast<std::uint64_t>(*delta));
        return std::optional<std::int64_t> { m_last };
    }
    [[nodiscard]] bool done() const noexcept { return m_rle.done(); }

private:
    RleDecoder<SlebValue> m_rle;
    std::int64_t m_last { 0 };
};

} // namespace automerge
