// Byte counts as short labels, rounded in integers so no size is misprinted by a float.
#include <vrel_ui/bytes.h>

#include <array>
#include <string_view>

namespace vrel_ui {

namespace {

constexpr std::array<std::string_view, 5> kUnits { "B", "KB", "MB", "GB", "TB" };
constexpr std::size_t kLastUnit = kUnits.size() - 1;

// n * scale / divisor rounded half up, without overflowing for any 64-bit n.
constexpr std::uint64_t scaled_rounded(std::uint64_t n, std::uint64_t scale, std::uint64_t divisor)
{
    std::uint64_t const whole = n / divisor * scale;
    std::uint64_t const rest = n % divisor * scale;
    return whole + rest / divisor + (rest % divisor * 2 >= divisor ? 1 : 0);
}

std::string with_unit(std::string number, std::size_t unit)
{
    number += ' ';
    number += kUnits[unit];
    return number;
}

} // namespace

std::string bytes(std::uint64_t n)
{
    if (n < 1024)
        return with_unit(std::to_string(n), 0);
    std::size_t unit = 1;
    std::uint64_t divisor = 1024;
    while (unit < kLastUnit && n / divisor >= 1024) {
        ++unit;
        divisor *= 1024;
    }
    if (std::uint64_t const tenths = scaled_rounded(n, 10, divisor); tenths < 100)
        return with_unit(std::to_string(tenths / 10) + '.' + std::to_string(tenths % 10), unit);
    std::uint64_t const whole = scaled_rounded(n, 1, divisor);
    // 1023.5 KB would print as "1024 KB"; the next unit says the same thing as "1.0 MB".
    if (whole >= 1024 && unit < kLastUnit)
        return with_unit("1.0", unit + 1);
    return with_unit(std::to_string(whole), unit);
}

} // namespace vrel_ui
