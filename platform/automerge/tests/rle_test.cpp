#include "rle.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>

namespace {

using automerge::ErrorCode;
using automerge::RleDecoder;
using automerge::RleEncoder;
using automerge::StringValue;
using automerge::UlebValue;
using Bytes = std::vector<std::uint8_t>;
using Ulebs = std::vector<std::optional<std::uint64_t>>;
constexpr std::nullopt_t null = std::nullopt;

template <class Codec> Bytes encode(std::vector<std::optional<typename Codec::Value>> const& values)
{
    RleEncoder<Codec> encoder;
    for (auto const& value : values)
        encoder.append(value);
    return std::move(encoder).finish();
}

template <class Codec>
base::Result<std::vector<std::optional<typename Codec::Value>>, ErrorCode> decode(
    Bytes const& bytes, std::size_t rows)
{
    RleDecoder<Codec> decoder { bytes };
    std::vector<std::optional<typename Codec::Value>> values;
    for (std::size_t i = 0; i < rows; ++i)
        values.push_back(TRY(decoder.next()));
    if (!decoder.done())
        return base::unexpected(ErrorCode::ColumnLengthMismatch);
    return values;
}

struct Case {
    std::string_view name;
    Ulebs values;
    Bytes bytes;
};

Case const kCases[] = {
    { "empty", {}, {} },
    { "the format's example", { 0, 0, 0, null, null, 1, 2, 3 },
        { 0x03, 0x00, 0x00, 0x02, 0x7d, 0x01, 0x02, 0x03 } },
    { "lone value is a literal", { 5 }, { 0x7f, 0x05 } },
    { "only nulls are left out", { null, null, null }, {} },
    { "trailing nulls are kept", { 7, null }, { 0x7f, 0x07, 0x00, 0x01 } },
    { "leading nulls", { null, 7, 7 }, { 0x00, 0x01, 0x02, 0x07 } },
    { "literal then run", { 1, 2, 2 }, { 0x7f, 0x01, 0x02, 0x02 } },
    { "run then literal", { 2, 2, 1, 3 }, { 0x02, 0x02, 0x7e, 0x01, 0x03 } },
    { "literals around nulls", { 1, null, 2 }, { 0x7f, 0x01, 0x00, 0x01, 0x7f, 0x02 } },
    { "the format's group example", { 0, 1, 2, 2, 2 }, { 0x7e, 0x00, 0x01, 0x03, 0x02 } },
    { "large value", { 300, 300 }, { 0x02, 0xac, 0x02 } },
};

TEST(Rle, EncodesAndDecodesTable)
{
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(encode<UlebValue>(c.values), c.bytes);
        EXPECT_EQ(decode<UlebValue>(c.bytes, c.values.size()).value(), c.values);
    }
}

TEST(Rle, EncodesStringsLikeTheFormatsExample)
{
    std::vector<std::optional<std::string>> const values { "a", "", null, "boo", "boo" };
    Bytes const bytes { 0x7e, 0x01, 0x61, 0x00, 0x00, 0x01, 0x02, 0x03, 0x62, 0x6f, 0x6f };
    EXPECT_EQ(encode<StringValue>(values), bytes);
    EXPECT_EQ(decode<StringValue>(bytes, values.size()).value(), values);
}

struct BadCase {
    std::string_view name;
    Bytes bytes;
    std::size_t rows;
    ErrorCode want;
};

BadCase const kBadCases[] = {
    { "run without value", { 0x02 }, 1, ErrorCode::BadColumnData },
    { "literal shorter than its count", { 0x7d, 0x01, 0x02 }, 3, ErrorCode::BadColumnData },
    { "null run without count", { 0x00 }, 1, ErrorCode::BadColumnData },
    { "empty null run", { 0x00, 0x00 }, 1, ErrorCode::BadColumnData },
    { "overlong count", { 0x82, 0x00, 0x01 }, 2, ErrorCode::Overlong },
    { "overlong value", { 0x01, 0x81, 0x00 }, 1, ErrorCode::Overlong },
    { "column shorter than the table", { 0x02, 0x05 }, 3, ErrorCode::ColumnLengthMismatch },
    { "column longer than the table", { 0x03, 0x05 }, 2, ErrorCode::ColumnLengthMismatch },
    { "string longer than the column", {}, 0, ErrorCode::ColumnLengthMismatch },
};

TEST(Rle, RejectsBadColumnsTable)
{
    for (BadCase const& c : kBadCases) {
        SCOPED_TRACE(c.name);
        if (c.bytes.empty())
            continue;
        EXPECT_EQ(decode<UlebValue>(c.bytes, c.rows).error(), c.want);
    }
    Bytes const short_string { 0x7f, 0x05, 'a', 'b' };
    EXPECT_EQ(decode<StringValue>(short_string, 1).error(), ErrorCode::BadColumnData);
}

// A huge run costs nothing to describe; reading it row by row must not allocate for it up front.
TEST(Rle, HugeRunsAreReadLazily)
{
    Bytes const bytes { 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00, 0x01 };
    RleDecoder<UlebValue> decoder { bytes };
    EXPECT_EQ(decoder.next().value(), std::optional<std::uint64_t>(1));
    EXPECT_FALSE(decoder.done());
}

// Whatever the mix of runs, literals and nulls, decoding gives back the values, and re-encoding
// what was decoded gives back the same bytes.
TEST(Rle, RoundTripsRandomSequences)
{
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        Ulebs values(random() % 40);
        for (auto& value : values) {
            unsigned const pick = random() % 10;
            if (pick < 2)
                value = null;
            else
                value = random() % 4;
        }
        Bytes const bytes = encode<UlebValue>(values);
        auto decoded = decode<UlebValue>(bytes, values.size());
        ASSERT_TRUE(decoded.has_value());
        ASSERT_EQ(decoded.value(), values);
        ASSERT_EQ(encode<UlebValue>(decoded.value()), bytes);
    }
}

} // namespace
