#include "deflate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using automerge::ErrorCode;
using Bytes = std::vector<std::uint8_t>;

Bytes sample(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes bytes(size);
    // A small alphabet so the data compresses, like real column data.
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(random() % 7);
    return bytes;
}

TEST(Deflate, RoundTripsSizes)
{
    for (std::size_t const size : { 0u, 1u, 255u, 4096u, 100000u, 1000000u }) {
        SCOPED_TRACE(size);
        Bytes const original = sample(size, static_cast<unsigned>(size));
        Bytes const compressed = automerge::deflate_raw(original);
        auto inflated = automerge::inflate_raw(compressed, size);
        ASSERT_TRUE(inflated.has_value());
        EXPECT_EQ(inflated.value(), original);
    }
}

TEST(Deflate, RefusesToInflatePastTheLimit)
{
    // A megabyte of zeros compresses to about a kilobyte: the shape of a decompression bomb.
    Bytes const zeros(1 << 20, 0);
    Bytes const compressed = automerge::deflate_raw(zeros);
    EXPECT_LT(compressed.size(), 4096u);
    EXPECT_EQ(automerge::inflate_raw(compressed, zeros.size() - 1).error(), ErrorCode::InflateLimit);
    EXPECT_EQ(automerge::inflate_raw(compressed, 1000).error(), ErrorCode::InflateLimit);
    EXPECT_TRUE(automerge::inflate_raw(compressed, zeros.size()).has_value());
}

TEST(Deflate, RejectsDamagedStreams)
{
    Bytes const compressed = automerge::deflate_raw(sample(5000, 1));
    struct Case {
        char const* name;
        Bytes bytes;
    };
    Bytes truncated(compressed.begin(), compressed.begin() + static_cast<long>(compressed.size() / 2));
    Bytes trailing = compressed;
    trailing.push_back(0);
    Case const cases[] = {
        { "empty", {} },
        { "truncated", truncated },
        { "trailing bytes", trailing },
        { "reserved block type", { 0x07, 0x00 } },
        { "garbage", { 0xff, 0xff, 0xff, 0xff } },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(automerge::inflate_raw(c.bytes, 1 << 20).error(), ErrorCode::BadDeflate);
    }
}

} // namespace
