#include "value_column.h"

#include <bit>
#include <cstring>

namespace automerge {

namespace {

enum TypeCode : std::uint8_t {
    Null_ = 0,
    False_ = 1,
    True_ = 2,
    Uint_ = 3,
    Int_ = 4,
    Float_ = 5,
    String_ = 6,
    Bytes_ = 7,
    Counter_ = 8,
    Timestamp_ = 9,
    FirstUnknown_ = 10,
};

void write_float(ByteWriter& out, double value)
{
    auto const bits = std::bit_cast<std::uint64_t>(value);
    for (int shift = 0; shift < 64; shift += 8)
        out.append(static_cast<std::uint8_t>(bits >> shift));
}

double read_float(Bytes bytes)
{
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i)
        bits |= std::uint64_t { bytes[i] } << (8 * i);
    return std::bit_cast<double>(bits);
}

// The raw bytes of a value, which the metadata's length field counts.
void write_raw(ByteWriter& out, ScalarValue const& value)
{
    struct Writer {
        ByteWriter& out;
        void operator()(Null) const { }
        void operator()(bool) const { }
        void operator()(std::uint64_t v) const { encode_uleb128(out, v); }
        void operator()(std::int64_t v) const { encode_sleb128(out, v); }
        void operator()(double v) const { write_float(out, v); }
        void operator()(std::string const& v) const
        {
            out.append({ reinterpret_cast<std::uint8_t const*>(v.data()), v.size() });
        }
        void operator()(std::vector<std::uint8_t> const& v) const { out.append(v); }
        void operator()(Counter v) const { encode_sleb128(out, v.value); }
        void operator()(Timestamp v) const { encode_sleb128(out, v.millis); }
        void operator()(UnknownValue const& v) const { out.append(v.bytes); }
    };
    std::visit(Writer { out }, value);
}

// A LEB128 value that must fill its raw bytes exactly.
template <class Decode>
auto read_whole_leb(Bytes bytes, Decode decode) -> decltype(decode(std::declval<ByteReader&>()))
{
    ByteReader in { bytes };
    auto value = decode(in);
    if (value && !in.empty())
        return base::unexpected(ErrorCode::BadValueMetadata);
    if (!value)
        return base::unexpected(
            value.error() == ErrorCode::Truncated ? ErrorCode::BadValueMetadata : value.error());
    return value;
}

base::Result<ScalarValue, ErrorCode> read_value(std::uint8_t type, Bytes bytes)
{
    auto const sleb = [](ByteReader& in) { return decode_sleb128(in); };
    switch (type) {
    case Null_:
    case False_:
    case True_:
        if (!bytes.empty())
            return base::unexpected(ErrorCode::BadValueMetadata);
        return type == Null_ ? ScalarValue { Null {} } : ScalarValue { type == True_ };
    case Uint_:
        return ScalarValue { TRY(read_whole_leb(bytes, [](ByteReader& in) { return decode_uleb128(in); })) };
    case Int_:
        return ScalarValue { TRY(read_whole_leb(bytes, sleb)) };
    case Float_:
        if (bytes.size() != 8)
            return base::unexpected(ErrorCode::BadValueMetadata);
        return ScalarValue { read_float(bytes) };
    case String_:
        return ScalarValue { std::string(reinterpret_cast<char const*>(bytes.data()), bytes.size()) };
    case Bytes_:
        return ScalarValue { std::vector<std::uint8_t>(bytes.begin(), bytes.end()) };
    case Counter_:
        return ScalarValue { Counter { TRY(read_whole_leb(bytes, sleb)) } };
    case Timestamp_:
        return ScalarValue { Timestamp { TRY(read_whole_leb(bytes, sleb)) } };
    default:
        return ScalarValue { UnknownValue { type, std::vector<std::uint8_t>(bytes.begin(), bytes.end()) } };
    }
}

} // namespace

std::uint8_t value_type_code(ScalarValue const& value) noexcept
{
    struct Code {
        std::uint8_t operator()(Null) const { return Null_; }
        std::uint8_t operator()(bool v) const { return v ? True_ : False_; }
        std::uint8_t operator()(std::uint64_t) const { return Uint_; }
        std::uint8_t operator()(std::int64_t) const { return Int_; }
        std::uint8_t operator()(double) const { return Float_; }
        std::uint8_t operator()(std::string const&) const { return String_; }
        std::uint8_t operator()(std::vector<std::uint8_t> const&) const { return Bytes_; }
        std::uint8_t operator()(Counter) const { return Counter_; }
        std::uint8_t operator()(Timestamp) const { return Timestamp_; }
        std::uint8_t operator()(UnknownValue const& v) const
        {
            return static_cast<std::uint8_t>(v.type_code & 0x0f);
        }
    };
    return std::visit(Code {}, value);
}

void ValueEncoder::append(ScalarValue const& value)
{
    std::size_t const before = m_raw.size();
    write_raw(m_raw, value);
    std::uint64_t const length = m_raw.size() - before;
    m_metadata.append(length << 4 | value_type_code(value));
}

base::Result<ScalarValue, ErrorCode> ValueDecoder::next()
{
    std::optional<std::uint64_t> const metadata = TRY(m_metadata.next());
    // A null in the metadata column itself reads as a null value.
    if (!metadata)
        return ScalarValue { Null {} };
    std::uint64_t const length = *metadata >> 4;
    if (length > m_raw.remaining())
        return base::unexpected(ErrorCode::BadValueMetadata);
    Bytes const bytes = TRY(m_raw.read_bytes(static_cast<std::size_t>(length)));
    return read_value(static_cast<std::uint8_t>(*metadata & 0x0f), bytes);
}

} // namespace automerge
