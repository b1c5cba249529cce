// Value columns: a metadata column of (length << 4 | type code) and a raw column of the values' bytes.
//
// Type codes: 0 null, 1 false, 2 true, 3 unsigned LEB128, 4 signed LEB128, 5 float64 (little endian),
// 6 UTF-8 string, 7 bytes, 8 counter, 9 timestamp; codes 10 to 15 belong to future writers and are
// kept as UnknownValue with their bytes.
#pragma once

#include "rle.h"

#include <automerge/change.h>

namespace automerge {

struct ValueColumns {
    std::vector<std::uint8_t> metadata;
    std::vector<std::uint8_t> raw;
};

class ValueEncoder {
public:
    void append(ScalarValue const& value);
    [[nodiscard]] ValueColumns finish() && { return { std::move(m_metadata).finish(), m_raw.take() }; }

private:
    RleEncoder<UlebValue> m_metadata;
    ByteWriter m_raw;
};

class ValueDecoder {
public:
    // A missing metadata column means every value is null; a missing raw column means no bytes.
    ValueDecoder(Bytes metadata, Bytes raw) noexcept
        : m_metadata(metadata)
        , m_raw(raw)
    {
    }

    [[nodiscard]] base::Result<ScalarValue, ErrorCode> next();
    [[nodiscard]] bool done() const noexcept { return m_metadata.done() && m_raw.empty(); }

private:
    RleDecoder<UlebValue> m_metadata;
    ByteReader m_raw;
};

// The value's type code as the metadata column stores it.
[[nodiscard]] std::uint8_t value_type_code(ScalarValue const& value) noexcept;

} // namespace automerge
