#include "utf8.h"

#include <cstdint>

namespace automerge {

namespace {

// The length of the scalar starting at text[0], or 0 when the bytes there are not one.
std::size_t scalar_length(std::string_view text)
{
    auto const byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    std::uint8_t const lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t const length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() < length)
        return 0;
    std::uint32_t scalar = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        scalar = (scalar << 6) | (byte(i) & 0x3F);
    }
    bool const overlong = (length == 3 && scalar < 0x800) || (length == 4 && scalar < 0x10000);
    bool const surrogate = scalar >= 0xD800 && scalar <= 0xDFFF;
    return overlong || surrogate || scalar > 0x10FFFF ? 0 : length;
}

} // namespace

std::optional<std::vector<std::string_view>> split_scalars(std::string_view text)
{
    std::vector<std::string_view> scalars;
    scalars.reserve(text.size());
    while (!text.empty()) {
        std::size_t const length = scalar_length(text);
        if (length == 0)
            return std::nullopt;
        scalars.push_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return scalars;
}

} // namespace automerge
