#include <automerge/leb128.h>

namespace automerge {

namespace {

// The tenth byte carries only bit 63; anything else in it means the value needs more than 64 bits.
constexpr std::size_t last_byte_index = max_leb128_size - 1;

} // namespace

base::Result<std::uint64_t, ErrorCode> decode_uleb128(ByteReader& in) noexcept
{
    ByteReader cursor = in;
    std::uint64_t value = 0;
    for (std::size_t index = 0;; ++index) {
        std::uint8_t const byte = TRY(cursor.read_byte());
        if (index == last_byte_index && byte > 1)
            return base::unexpected(ErrorCode::TooLarge);
        value |= std::uint64_t { byte & 0x7fu } << (7 * index);
        if ((byte & 0x80) != 0)
            continue;
        // A zero final byte after others adds nothing: the same value has a shorter encoding.
        if (byte == 0 && index > 0)
            return base::unexpected(ErrorCode::Overlong);
        in = cursor;
        return value;
    }
}

base::Result<std::int64_t, ErrorCode> decode_sleb128(ByteReader& in) noexcept
{
    ByteReader cursor = in;
    std::uint64_t value = 0;
    std::uint8_t previous = 0;
    for (std::size_t index = 0;; ++index) {
        std::uint8_t const byte = TRY(cursor.read_byte());
        // The tenth byte holds bit 63 and its sign extension, so it must be all zeros or all ones.
        if (index == last_byte_index && byte != 0x00 && byte != 0x7f)
            return base::unexpected(ErrorCode::TooLarge);
        value |= std::uint64_t { byte & 0x7fu } << (7 * index);
        if ((byte & 0x80) != 0) {
            previous = byte;
            continue;
        }
        // A final byte that only repeats the sign the previous byte already carried is padding.
        bool const previous_negative = (previous & 0x40) != 0;
        if (index > 0 && ((byte == 0x00 && !previous_negative) || (byte == 0x7f && previous_negative)))
            return base::unexpected(ErrorCode::Overlong);
        std::size_t const bits = 7 * (index + 1);
        if (bits < 64 && (byte & 0x40) != 0)
            value |= ~std::uint64_t { 0 } << bits;
        in = cursor;
        return static_cast<std::int64_t>(value);
    }
}

base::Result<std::uint32_t, ErrorCode> decode_uleb128_u32(ByteReader& in) noexcept
{
    ByteReader cursor = in;
    std::uint64_t const value = TRY(decode_uleb128(cursor));
    if (value > UINT32_MAX)
        return base::unexpected(ErrorCode::TooLarge);
    in = cursor;
    return static_cast<std::uint32_t>(value);
}

void encode_uleb128(ByteWriter& out, std::uint64_t value)
{
    while (value >= 0x80) {
        out.append(static_cast<std::uint8_t>(value | 0x80));
        value >>= 7;
    }
    out.append(static_cast<std::uint8_t>(value));
}

void encode_sleb128(ByteWriter& out, std::int64_t value)
{
    for (;;) {
        auto const low = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) & 0x7f);
        value >>= 7; // arithmetic: C++20 defines right shifts of negative values
        bool const done = (value == 0 && (low & 0x40) == 0) || (value == -1 && (low & 0x40) != 0);
        if (done) {
            out.append(low);
            return;
        }
        out.append(static_cast<std::uint8_t>(low | 0x80));
    }
}

std::size_t uleb128_size(std::uint64_t value) noexcept
{
    std::size_t size = 1;
    for (; value >= 0x80; value >>= 7)
        ++size;
    return size;
}

std::size_t sleb128_size(std::int64_t value) noexcept
{
    std::size_t size = 1;
    // Each byte carries 7 bits; stop once the rest is pure sign extension of bit 6.
    for (; value < -64 || value > 63; value >>= 7)
        ++size;
    return size;
}

} // namespace automerge
