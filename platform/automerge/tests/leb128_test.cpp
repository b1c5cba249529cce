#include <automerge/leb128.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string_view>
#include <vector>

namespace {

using automerge::ByteReader;
using automerge::ByteWriter;
using automerge::ErrorCode;
using Bytes = std::vector<std::uint8_t>;

template <class T> base::Result<T, ErrorCode> fails(ErrorCode code) { return base::unexpected(code); }

struct UnsignedCase {
    std::string_view name;
    Bytes bytes;
    base::Result<std::uint64_t, ErrorCode> want;
};

UnsignedCase const kUnsignedCases[] = {
    { "zero", { 0x00 }, 0u },
    { "one", { 0x01 }, 1u },
    { "127", { 0x7f }, 127u },
    { "128", { 0x80, 0x01 }, 128u },
    { "16383", { 0xff, 0x7f }, 16383u },
    { "16384", { 0x80, 0x80, 0x01 }, 16384u },
    { "2^63", { 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01 }, std::uint64_t { 1 } << 63 },
    { "max", { 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x01 },
        std::numeric_limits<std::uint64_t>::max() },
    { "empty", {}, fails<std::uint64_t>(ErrorCode::Truncated) },
    { "truncated", { 0x80 }, fails<std::uint64_t>(ErrorCode::Truncated) },
    { "truncated long", { 0xff, 0xff, 0xff }, fails<std::uint64_t>(ErrorCode::Truncated) },
    { "overlong zero", { 0x80, 0x00 }, fails<std::uint64_t>(ErrorCode::Overlong) },
    { "overlong one", { 0x81, 0x80, 0x00 }, fails<std::uint64_t>(ErrorCode::Overlong) },
    { "overlong ten bytes", { 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00 },
        fails<std::uint64_t>(ErrorCode::Overlong) },
    { "65 bits", { 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x02 },
        fails<std::uint64_t>(ErrorCode::TooLarge) },
    { "eleven bytes", { 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01 },
        fails<std::uint64_t>(ErrorCode::TooLarge) },
};

TEST(Leb128, DecodesUnsignedTable)
{
    for (UnsignedCase const& c : kUnsignedCases) {
        SCOPED_TRACE(c.name);
        ByteReader in { c.bytes };
        EXPECT_EQ(automerge::decode_uleb128(in), c.want);
        // A failure consumes nothing; a success consumes exactly the encoding.
        EXPECT_EQ(in.position(), c.want.has_value() ? c.bytes.size() : 0u);
    }
}

struct SignedCase {
    std::string_view name;
    Bytes bytes;
    base::Result<std::int64_t, ErrorCode> want;
};

SignedCase const kSignedCases[] = {
    { "zero", { 0x00 }, 0 },
    { "one", { 0x01 }, 1 },
    { "63", { 0x3f }, 63 },
    { "64", { 0xc0, 0x00 }, 64 },
    { "-1", { 0x7f }, -1 },
    { "-64", { 0x40 }, -64 },
    { "-65", { 0xbf, 0x7f }, -65 },
    { "8191", { 0xff, 0x3f }, 8191 },
    { "-8192", { 0x80, 0x40 }, -8192 },
    { "-128", { 0x80, 0x7f }, -128 },
    { "int64 max", { 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00 },
        std::numeric_limits<std::int64_t>::max() },
    { "int64 min", { 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x7f },
        std::numeric_limits<std::int64_t>::min() },
    { "empty", {}, fails<std::int64_t>(ErrorCode::Truncated) },
    { "truncated", { 0xff }, fails<std::int64_t>(ErrorCode::Truncated) },
    { "overlong -1", { 0xff, 0x7f }, fails<std::int64_t>(ErrorCode::Overlong) },
    { "overlong zero", { 0x80, 0x00 }, fails<std::int64_t>(ErrorCode::Overlong) },
    { "overlong 63", { 0xbf, 0x00 }, fails<std::int64_t>(ErrorCode::Overlong) },
    { "overlong -64", { 0xc0, 0x7f }, fails<std::int64_t>(ErrorCode::Overlong) },
    { "above int64 max", { 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x01 },
        fails<std::int64_t>(ErrorCode::TooLarge) },
    { "below int64 min", { 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7e },
        fails<std::int64_t>(ErrorCode::TooLarge) },
    { "eleven bytes", { 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00 },
        fails<std::int64_t>(ErrorCode::TooLarge) },
};

TEST(Leb128, DecodesSignedTable)
{
    for (SignedCase const& c : kSignedCases) {
        SCOPED_TRACE(c.name);
        ByteReader in { c.bytes };
        EXPECT_EQ(automerge::decode_sleb128(in), c.want);
        EXPECT_EQ(in.position(), c.want.has_value() ? c.bytes.size() : 0u);
    }
}

TEST(Leb128, EncodesTheTableValuesToTheirBytes)
{
    for (UnsignedCase const& c : kUnsignedCases) {
        if (!c.want.has_value())
            continue;
        SCOPED_TRACE(c.name);
        ByteWriter out;
        automerge::encode_uleb128(out, c.want.value());
        EXPECT_EQ(Bytes(out.bytes().begin(), out.bytes().end()), c.bytes);
        EXPECT_EQ(automerge::uleb128_size(c.want.value()), c.bytes.size());
    }
    for (SignedCase const& c : kSignedCases) {
        if (!c.want.has_value())
            continue;
        SCOPED_TRACE(c.name);
        ByteWriter out;
        automerge::encode_sleb128(out, c.want.value());
        EXPECT_EQ(Bytes(out.bytes().begin(), out.bytes().end()), c.bytes);
        EXPECT_EQ(automerge::sleb128_size(c.want.value()), c.bytes.size());
    }
}

TEST(Leb128, ThirtyTwoBitFormRejectsLargerValues)
{
    Bytes const fits { 0xff, 0xff, 0xff, 0xff, 0x0f };
    Bytes const too_big { 0x80, 0x80, 0x80, 0x80, 0x10 };
    ByteReader a { fits };
    ByteReader b { too_big };
    EXPECT_EQ(automerge::decode_uleb128_u32(a).value(), UINT32_MAX);
    EXPECT_EQ(automerge::decode_uleb128_u32(b).error(), ErrorCode::TooLarge);
    EXPECT_EQ(b.position(), 0u);
}

// Every value survives a round trip, in the predicted size, and leaves following bytes alone.
TEST(Leb128, RoundTripsRandomValues)
{
    std::mt19937_64 random(12345);
    for (int i = 0; i < 20000; ++i) {
        // Spread values over all magnitudes, not just the huge ones a uniform draw favours.
        std::uint64_t const value = random() >> (random() % 64);
        auto const signed_value = static_cast<std::int64_t>(random()) >> (random() % 64);
        ByteWriter out;
        automerge::encode_uleb128(out, value);
        automerge::encode_sleb128(out, signed_value);
        out.append(0xaa);
        ByteReader in { out.bytes() };
        ASSERT_EQ(automerge::decode_uleb128(in).value(), value);
        ASSERT_EQ(in.position(), automerge::uleb128_size(value));
        ASSERT_EQ(automerge::decode_sleb128(in).value(), signed_value);
        ASSERT_EQ(in.remaining(), 1u);
    }
}

} // namespace
