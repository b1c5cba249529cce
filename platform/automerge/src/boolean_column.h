// Boolean columns: the lengths of alternating runs of false and true, starting with false.
#pragma once

#include <automerge/byte_reader.h>
#include <automerge/byte_writer.h>
#include <automerge/codec_error.h>
#include <automerge/leb128.h>
#include <base/result.h>

#include <cstdint>
#include <vector>

namespace automerge {

class BooleanEncoder {
public:
    void append(bool value)
    {
        if (value != m_current) {
            // A column starting with true opens with an empty run of false.
            encode_uleb128(m_out, m_count);
            m_current = value;
            m_count = 0;
        }
        ++m_count;
    }
    // The column bytes; empty if nothing was appended.
    [[nodiscard]] std::vector<std::uint8_t> finish() &&
    {
        if (m_count > 0)
            encode_uleb128(m_out, m_count);
        return m_out.take();
    }

private:
    ByteWriter m_out;
    bool m_current { false };
    std::uint64_t m_count { 0 };
};

class BooleanDecoder {
public:
    // An empty column stands for a column of false as long as the table.
    explicit BooleanDecoder(Bytes column) noexcept
        : m_in(column)
        , m_all_false(column.empty())
    {
    }

    [[nodiscard]] base::Result<bool, ErrorCode> next()
    {
        if (m_all_false)
            return false;
        // Zero-length runs flip the value without producing one; each costs a byte, so this ends.
        while (m_left == 0) {
            if (m_in.empty())
                return base::unexpected(ErrorCode::ColumnLengthMismatch);
            auto count = decode_uleb128(m_in);
            if (!count)
                return base::unexpected(
                    count.error() == ErrorCode::Truncated ? ErrorCode::BadColumnData : count.error());
            if (m_started)
                m_current = !m_current;
            m_started = true;
            m_left = count.value();
        }
        --m_left;
        return m_current;
    }
    [[nodiscard]] bool done() const noexcept { return m_all_false || (m_left == 0 && m_in.empty()); }

private:
    ByteReader m_in;
    bool m_all_false { false };
    bool m_started { false };
    bool m_current { false };
    std::uint64_t m_left { 0 };
};

} // namespace automerge
