#include "boolean_column.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using automerge::BooleanDecoder;
using automerge::BooleanEncoder;
using automerge::ErrorCode;
using Bytes = std::vector<std::uint8_t>;

Bytes encode(std::vector<bool> const& values)
{
    BooleanEncoder encoder;
    for (bool const value : values)
        encoder.append(value);
    return std::move(encoder).finish();
}

base::Result<std::vector<bool>, ErrorCode> decode(Bytes const& bytes, std::size_t rows)
{
    BooleanDecoder decoder { bytes };
    std::vector<bool> values;
    for (std::size_t i = 0; i < rows; ++i)
        values.push_back(TRY(decoder.next()));
    if (!decoder.done())
        return base::unexpected(ErrorCode::ColumnLengthMismatch);
    return values;
}

struct Case {
    char const* name;
    std::vector<bool> values;
    Bytes bytes;
};

Case const kCases[] = {
    { "empty", {}, {} },
    { "the format's example", { true, true, false, false, false }, { 0x00, 0x02, 0x03 } },
    { "all false", { false, false }, { 0x02 } },
    { "one true", { true }, { 0x00, 0x01 } },
    { "alternating", { false, true, false }, { 0x01, 0x01, 0x01 } },
};

TEST(BooleanColumn, EncodesAndDecodesTable)
{
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(encode(c.values), c.bytes);
        EXPECT_EQ(decode(c.bytes, c.values.size()).value(), c.values);
    }
}

TEST(BooleanColumn, RejectsBadColumns)
{
    EXPECT_EQ(decode({ 0x02 }, 3).error(), ErrorCode::ColumnLengthMismatch);
    EXPECT_EQ(decode({ 0x03 }, 2).error(), ErrorCode::ColumnLengthMismatch);
    EXPECT_EQ(decode({ 0x80 }, 1).error(), ErrorCode::BadColumnData);
    EXPECT_EQ(decode({ 0x80, 0x00 }, 1).error(), ErrorCode::Overlong);
    // A missing column is all false, for any number of rows.
    EXPECT_EQ(decode({}, 3).value(), std::vector<bool>(3, false));
}

TEST(BooleanColumn, RoundTripsRandomSequences)
{
    std::mt19937 random(11);
    for (int round = 0; round < 1000; ++round) {
        std::vector<bool> values(random() % 50);
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = random() % 3 == 0;
        ASSERT_EQ(decode(encode(values), values.size()).value(), values);
    }
}

} // namespace
