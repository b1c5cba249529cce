#include "value_column.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using automerge::ErrorCode;
using automerge::ScalarValue;
using automerge::ValueDecoder;
using automerge::ValueEncoder;
using Bytes = std::vector<std::uint8_t>;

struct Case {
    char const* name;
    ScalarValue value;
    Bytes metadata;
    Bytes raw;
};

Case const kCases[] = {
    { "null", automerge::Null {}, { 0x7f, 0x00 }, {} },
    { "false", false, { 0x7f, 0x01 }, {} },
    { "true", true, { 0x7f, 0x02 }, {} },
    { "uint", std::uint64_t { 300 }, { 0x7f, 0x23 }, { 0xac, 0x02 } },
    { "int", std::int64_t { -1 }, { 0x7f, 0x14 }, { 0x7f } },
    { "float", 1.5, { 0x7f, 0x85, 0x01 }, { 0, 0, 0, 0, 0, 0, 0xf8, 0x3f } },
    { "string", std::string("hé"), { 0x7f, 0x36 }, { 'h', 0xc3, 0xa9 } },
    { "empty string", std::string(), { 0x7f, 0x06 }, {} },
    { "bytes", Bytes { 1, 2 }, { 0x7f, 0x27 }, { 1, 2 } },
    { "counter", automerge::Counter { 5 }, { 0x7f, 0x18 }, { 0x05 } },
    { "timestamp", automerge::Timestamp { -2 }, { 0x7f, 0x19 }, { 0x7e } },
    { "unknown type", automerge::UnknownValue { 12, { 9, 9, 9 } }, { 0x7f, 0x3c }, { 9, 9, 9 } },
};

TEST(ValueColumn, EncodesAndDecodesTable)
{
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        ValueEncoder encoder;
        encoder.append(c.value);
        automerge::ValueColumns const columns = std::move(encoder).finish();
        EXPECT_EQ(columns.metadata, c.metadata);
        EXPECT_EQ(columns.raw, c.raw);
        ValueDecoder decoder { c.metadata, c.raw };
        EXPECT_EQ(decoder.next().value(), c.value);
        EXPECT_TRUE(decoder.done());
    }
}

TEST(ValueColumn, RejectsMetadataThatDisagreesWithTheBytes)
{
    struct Bad {
        char const* name;
        Bytes metadata;
        Bytes raw;
        ErrorCode want;
    };
    Bad const cases[] = {
        { "length past the raw column", { 0x7f, 0x36 }, { 'a' }, ErrorCode::BadValueMetadata },
        { "float of four bytes", { 0x7f, 0x45 }, { 0, 0, 0, 0 }, ErrorCode::BadValueMetadata },
        { "uint with spare bytes", { 0x7f, 0x23 }, { 0x01, 0x01 }, ErrorCode::BadValueMetadata },
        { "uint cut short", { 0x7f, 0x13 }, { 0x81 }, ErrorCode::BadValueMetadata },
        { "overlong int", { 0x7f, 0x24 }, { 0x80, 0x00 }, ErrorCode::Overlong },
        { "true with a length", { 0x7f, 0x12 }, { 0x00 }, ErrorCode::BadValueMetadata },
    };
    for (Bad const& c : cases) {
        SCOPED_TRACE(c.name);
        ValueDecoder decoder { c.metadata, c.raw };
        EXPECT_EQ(decoder.next().error(), c.want);
    }
}

TEST(ValueColumn, RunsOfNullsShareOneMetadataRun)
{
    ValueEncoder encoder;
    for (int i = 0; i < 4; ++i)
        encoder.append(automerge::Null {});
    EXPECT_EQ(std::move(encoder).finish().metadata, (Bytes { 0x04, 0x00 }));
    // A raw column with bytes nobody claims is an error once the table ends.
    Bytes const metadata { 0x7f, 0x00 };
    Bytes const raw { 0x01 };
    ValueDecoder decoder { metadata, raw };
    EXPECT_EQ(decoder.next().value(), ScalarValue { automerge::Null {} });
    EXPECT_FALSE(decoder.done());
}

TEST(ValueColumn, KeepsExtremeNumbers)
{
    for (ScalarValue const& value : { ScalarValue { std::numeric_limits<std::int64_t>::min() },
             ScalarValue { std::numeric_limits<std::uint64_t>::max() }, ScalarValue { -0.0 },
             ScalarValue { std::numeric_limits<double>::infinity() } }) {
        ValueEncoder encoder;
        encoder.append(value);
        auto const [metadata, raw] = std::move(encoder).finish();
        ValueDecoder decoder { metadata, raw };
        EXPECT_EQ(decoder.next().value(), value);
    }
}

} // namespace
