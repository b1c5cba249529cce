#include <vrel_ui/bytes.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string_view>

namespace {

constexpr std::uint64_t KiB = 1024;
constexpr std::uint64_t MiB = KiB * 1024;
constexpr std::uint64_t GiB = MiB * 1024;
constexpr std::uint64_t TiB = GiB * 1024;

struct Case {
    std::string_view name;
    std::uint64_t n;
    std::string_view want;
};

Case const kCases[] = {
    { "zero", 0, "0 B" },
    { "one", 1, "1 B" },
    { "bytes", 512, "512 B" },
    { "largest byte count", 1023, "1023 B" },
    { "one kilobyte", KiB, "1.0 KB" },
    { "one and a half", KiB + 512, "1.5 KB" },
    { "rounds down below half", KiB + 51, "1.0 KB" },
    { "rounds half up", KiB + 52, "1.1 KB" },
    { "just under ten stays decimal", 10 * KiB - 52, "9.9 KB" },
    { "rounding to ten drops the decimal", 10 * KiB - 51, "10 KB" },
    { "ten", 10 * KiB, "10 KB" },
    { "whole from ten up", 12 * KiB + 500, "12 KB" },
    { "whole rounds half up", 12 * KiB + 512, "13 KB" },
    { "largest kilobytes", 1023 * KiB + 511, "1023 KB" },
    { "carry into megabytes", 1023 * KiB + 512, "1.0 MB" },
    { "just under a megabyte", MiB - 1, "1.0 MB" },
    { "megabytes", MiB + MiB / 2, "1.5 MB" },
    { "twelve megabytes", 12 * MiB, "12 MB" },
    { "carry into gigabytes", GiB - 1, "1.0 GB" },
    { "gigabytes", 3 * GiB + GiB / 4, "3.3 GB" },
    { "terabytes", 2 * TiB, "2.0 TB" },
    { "no unit past terabytes", 1024 * TiB, "1024 TB" },
    { "largest value", std::numeric_limits<std::uint64_t>::max(), "16777216 TB" },
};

TEST(Bytes, FormatsTable)
{
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(vrel_ui::bytes(c.n), c.want);
    }
}

// Whatever the value, the number never reaches 1024 below TB, and a scaled number carries one
// decimal exactly when it is below ten (plain byte counts are whole).
TEST(Bytes, NumberStaysInRangeAcrossUnitBoundaries)
{
    for (std::uint64_t base : { KiB, MiB, GiB, TiB }) {
        for (std::uint64_t n = base > 2048 ? base - 2048 : 0; n <= base + 2048; n += 7) {
            std::string const text = vrel_ui::bytes(n);
            SCOPED_TRACE(text);
            double const number = std::stod(text);
            bool const decimal = text.find('.') != std::string::npos;
            EXPECT_LT(number, 1024.0);
            bool const plain_bytes = text.ends_with(" B");
            EXPECT_EQ(decimal, !plain_bytes && number < 10.0);
        }
    }
}

} // namespace
