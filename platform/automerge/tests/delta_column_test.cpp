#include "delta_column.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace {

using automerge::DeltaDecoder;
using automerge::DeltaEncoder;
using automerge::ErrorCode;
using Bytes = std::vector<std::uint8_t>;
using Values = std::vector<std::optional<std::int64_t>>;

Bytes encode(Values const& values)
{
    DeltaEncoder encoder;
    for (auto const& value : values)
        encoder.append(value);
    return std::move(encoder).finish();
}

base::Result<Values, ErrorCode> decode(Bytes const& bytes, std::size_t rows)
{
    DeltaDecoder decoder { bytes };
    Values values;
    for (std::size_t i = 0; i < rows; ++i)
        values.push_back(TRY(decoder.next()));
    if (!decoder.done())
        return base::unexpected(ErrorCode::ColumnLengthMismatch);
    return values;
}

struct Case {
    char const* name;
    Values values;
    Bytes bytes;
};

Case const kCases[] = {
    { "the format's example", { 3, 4, 5, 6, 9, 7, 8 }, { 0x7f, 0x03, 0x03, 0x01, 0x7d, 0x03, 0x7e, 0x01 } },
    { "counting up", { 1, 2, 3, 4 }, { 0x04, 0x01 } },
    { "nulls keep the running total", { 5, std::nullopt, 6 }, { 0x7f, 0x05, 0x00, 0x01, 0x7f, 0x01 } },
    { "only nulls", { std::nullopt }, {} },
};

TEST(DeltaColumn, EncodesAndDecodesTable)
{
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(encode(c.values), c.bytes);
        EXPECT_EQ(decode(c.bytes, c.values.size()).value(), c.values);
    }
}

TEST(DeltaColumn, KeepsExtremeValues)
{
    Values const extremes { std::numeric_limits<std::int64_t>::max(),
        std::numeric_limits<std::int64_t>::min(), 0 };
    EXPECT_EQ(decode(encode(extremes), 3).value(), extremes);
}

TEST(DeltaColumn, RoundTripsRandomSequences)
{
    std::mt19937_64 random(3);
    for (int round = 0; round < 1000; ++round) {
        Values values(random() % 30);
        std::int64_t at = 0;
        for (auto& value : values) {
            if (random() % 8 == 0)
                continue;
            at += static_cast<std::int64_t>(random() % 5) - 1;
            value = at;
        }
        Bytes const bytes = encode(values);
        ASSERT_EQ(decode(bytes, values.size()).value(), values);
    }
}

} // namespace
