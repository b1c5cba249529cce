#include "column_spec.h"

#include "deflate.h"

#include <automerge/leb128.h>

#include <gtest/gtest.h>

namespace {

using automerge::ColumnData;
using automerge::ColumnType;
using automerge::Compression;
using automerge::ErrorCode;
using Bytes = std::vector<std::uint8_t>;

TEST(ColumnSpec, PacksIdAndType)
{
    EXPECT_EQ(automerge::column_spec(0, ColumnType::Actor), 1u);
    EXPECT_EQ(automerge::column_spec(2, ColumnType::Delta), 35u);
    EXPECT_EQ(automerge::column_spec(5, ColumnType::Value), 87u);
    EXPECT_EQ(automerge::column_spec(8, ColumnType::Group), 128u);
}

TEST(ColumnSpec, WritesSortedNonEmptyColumns)
{
    automerge::ByteWriter metadata;
    std::vector<ColumnData> columns { { 35, { 3, 3 } }, { 1, { 1 } }, { 19, {} }, { 2, { 2 } } };
    Bytes const data = automerge::write_columns(metadata, columns, Compression::Never);
    EXPECT_EQ(Bytes(metadata.bytes().begin(), metadata.bytes().end()), (Bytes { 3, 1, 1, 2, 1, 35, 2 }));
    EXPECT_EQ(data, (Bytes { 1, 2, 3, 3 }));
}

TEST(ColumnSpec, DeflatesLargeColumnsOfDocuments)
{
    automerge::ByteWriter metadata;
    Bytes const big(1000, 7);
    Bytes const data
        = automerge::write_columns(metadata, { { 1, { 1 } }, { 2, big } }, Compression::LargeColumns);
    automerge::ByteReader in { metadata.bytes() };
    auto entries = automerge::read_column_metadata(in, Compression::LargeColumns);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_FALSE((*entries)[0].deflated);
    EXPECT_TRUE((*entries)[1].deflated);
    automerge::ByteReader data_in { data };
    std::size_t budget = 1 << 20;
    auto set = automerge::read_column_data(data_in, entries.value(), budget);
    ASSERT_TRUE(set.has_value());
    EXPECT_TRUE(data_in.empty());
    EXPECT_EQ(Bytes(set->find(2).begin(), set->find(2).end()), big);
    EXPECT_EQ(budget, (1u << 20) - 1000);
    EXPECT_TRUE(set->find(3).empty());

    // The same metadata is refused where compression is not allowed.
    automerge::ByteReader again { metadata.bytes() };
    EXPECT_EQ(automerge::read_column_metadata(again, Compression::Never).error().code,
        ErrorCode::UnexpectedCompression);
}

TEST(ColumnSpec, RejectsBadMetadataTable)
{
    struct Case {
        char const* name;
        Bytes bytes;
        ErrorCode want;
    };
    Case const cases[] = {
        { "out of order", { 2, 2, 0, 1, 0 }, ErrorCode::BadColumnMetadata },
        { "duplicate", { 2, 1, 0, 1, 0 }, ErrorCode::BadColumnMetadata },
        { "same column compressed and not", { 2, 1, 0, 9, 0 }, ErrorCode::BadColumnMetadata },
        { "count beyond the input", { 0x7f, 1, 0 }, ErrorCode::Truncated },
        { "spec beyond 32 bits", { 1, 0x80, 0x80, 0x80, 0x80, 0x10, 0 }, ErrorCode::TooLarge },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        automerge::ByteReader in { c.bytes };
        EXPECT_EQ(automerge::read_column_metadata(in, Compression::LargeColumns).error().code, c.want);
    }
}

TEST(ColumnSpec, RejectsDataBeyondTheChunkAndInflateBombs)
{
    Bytes const metadata { 1, 1, 5 };
    automerge::ByteReader in { metadata };
    auto entries = automerge::read_column_metadata(in, Compression::Never).value();
    Bytes const short_data { 1, 2 };
    automerge::ByteReader data_in { short_data };
    std::size_t budget = 100;
    EXPECT_EQ(
        automerge::read_column_data(data_in, entries, budget).error().code, ErrorCode::ColumnOutOfBounds);

    Bytes const bomb = automerge::deflate_raw(Bytes(100000, 0));
    std::vector<automerge::ColumnEntry> const deflated { { 2, true, bomb.size() } };
    automerge::ByteReader bomb_in { bomb };
    std::size_t small_budget = 50000;
    EXPECT_EQ(
        automerge::read_column_data(bomb_in, deflated, small_budget).error().code, ErrorCode::InflateLimit);
}

} // namespace
