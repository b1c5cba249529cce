// Container walks for PNG, JPEG, WebP and BMP files, and the animated-WebP rewrite.
#include "image_container.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

namespace vrel_ui {

namespace {

std::uint64_t read_be(std::span<std::uint8_t const> bytes, std::size_t at, int count) noexcept
{
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | bytes[at + std::size_t(i)];
    return value;
}

std::uint64_t read_le(std::span<std::uint8_t const> bytes, std::size_t at, int count) noexcept
{
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[at + std::size_t(i)];
    return value;
}

// Walks the chunks up to and including a whole IEND chunk.
bool png_complete(std::span<std::uint8_t const> bytes) noexcept
{
    std::uint64_t at = 8;
    while (at + 12 <= bytes.size()) {
        std::uint64_t const length = read_be(bytes, at, 4);
        bool const is_end = has_magic(bytes.subspan(at + 4), "IEND");
        at += 12 + length;
        if (is_end)
            return at <= bytes.size();
    }
    return false;
}

// Offset of the next marker after entropy-coded data starting at `at`: a 0xFF followed by
// neither a stuffed zero nor a restart marker.
std::size_t skip_entropy_data(std::span<std::uint8_t const> bytes, std::size_t at) noexcept
{
    while (at + 1 < bytes.size()) {
        std::uint8_t const next = bytes[at + 1];
        if (bytes[at] == 0xff && next != 0x00 && !(next >= 0xd0 && next <= 0xd7))
            return at;
        ++at;
    }
    return bytes.size();
}

// Walks the markers to EOI, skipping segments by their length (so a thumbnail's EOI inside
// EXIF does not count) and ignoring anything after EOI, as phones append data there.
bool jpeg_complete(std::span<std::uint8_t const> bytes) noexcept
{
    std::size_t at = 2;
    for (;;) {
        // Like libjpeg, tolerate stray bytes and fill bytes before a marker.
        while (at < bytes.size() && bytes[at] != 0xff)
            ++at;
        while (at < bytes.size() && bytes[at] == 0xff)
            ++at;
        if (at >= bytes.size())
            return false;
        std::uint8_t const marker = bytes[at++];
        if (marker == 0xd9)
            return true;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7))
            continue;
        if (at + 2 > bytes.size())
            return false;
        at += std::size_t(read_be(bytes, at, 2));
        if (marker == 0xda)
            at = skip_entropy_data(bytes, at);
    }
}

// The RIFF header states the file's length.
bool webp_complete(std::span<std::uint8_t const> bytes) noexcept
{
    return bytes.size() >= 12 && bytes.size() - 8 >= read_le(bytes, 4, 4);
}

// Uncompressed bitmaps must hold every row; run-length encoded ones are left to the decoder.
bool bmp_complete(std::span<std::uint8_t const> bytes) noexcept
{
    if (bytes.size() < 26)
        return false;
    bool const core_header = read_le(bytes, 14, 4) == 12;
    if (!core_header && bytes.size() < 34)
        return false;
    std::int64_t const width
        = core_header ? std::int64_t(read_le(bytes, 18, 2)) : std::int32_t(read_le(bytes, 18, 4));
    std::int64_t const height
        = core_header ? std::int64_t(read_le(bytes, 20, 2)) : std::int32_t(read_le(bytes, 22, 4));
    std::uint64_t const depth = read_le(bytes, core_header ? 24 : 28, 2);
    std::uint64_t const compression = core_header ? 0 : read_le(bytes, 30, 4);
    if (compression != 0 && compression != 3 && compression != 6)
        return true;
    // The decoder has already checked the size, so these products cannot overflow.
    std::uint64_t const stride = (std::uint64_t(std::abs(width)) * depth + 31) / 32 * 4;
    std::uint64_t const needed = read_le(bytes, 10, 4) + stride * std::uint64_t(std::abs(height));
    return bytes.size() >= needed;
}

// The ANMF chunk payload of the first frame: a 16-byte frame header, then the frame's chunks.
std::optional<std::span<std::uint8_t const>> first_anmf_payload(std::span<std::uint8_t const> bytes) noexcept
{
    std::uint64_t at = 12;
    while (at + 8 <= bytes.size()) {
        std::uint64_t const size = read_le(bytes, at + 4, 4);
        if (has_magic(bytes.subspan(at), "ANMF")) {
            if (size < 16 || at + 8 + size > bytes.size())
                return std::nullopt;
            return bytes.subspan(at + 8, size);
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

void append_le(std::vector<std::uint8_t>& out, std::uint64_t value, int count)
{
    for (int i = 0; i < count; ++i)
        out.push_back(std::uint8_t(value >> (8 * i)));
}

} // namespace

bool has_magic(std::span<std::uint8_t const> bytes, std::string_view magic, std::size_t offset) noexcept
{
    if (bytes.size() < offset + magic.size())
        return false;
    return std::equal(magic.begin(), magic.end(), bytes.begin() + std::ptrdiff_t(offset),
        [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

std::optional<std::string> container_rejection(ImageFormat format, std::span<std::uint8_t const> bytes)
{
    if (format != ImageFormat::Bmp)
        return std::nullopt;
    // Every BMP header revision has one of these lengths: core, OS/2 2.x (short and full),
    // and Windows info v1 to v5.
    constexpr std::array<std::uint64_t, 8> kHeaderLengths { 12, 16, 40, 52, 56, 64, 108, 124 };
    if (bytes.size() < 18)
        return "BMP header is cut short";
    std::uint64_t const length = read_le(bytes, 14, 4);
    if (std::find(kHeaderLengths.begin(), kHeaderLengths.end(), length) == kHeaderLengths.end())
        return "BMP header has an unknown length (" + std::to_string(length) + ")";
    // The loader also buffers everything up to the pixel offset, which must lie in the file.
    if (read_le(bytes, 10, 4) > bytes.size())
        return "BMP pixel data starts past the end of the file";
    return std::nullopt;
}

// Several gdk-pixbuf loaders accept a file cut short and fill the missing rows with grey; an
// attachment that arrived in part is a failure, not a picture. Only the container structure is
// walked; everything inside it is the decoder's business.
bool container_complete(ImageFormat format, std::span<std::uint8_t const> bytes) noexcept
{
    switch (format) {
    case ImageFormat::Png:
        return png_complete(bytes);
    case ImageFormat::Jpeg:
        return jpeg_complete(bytes);
    case ImageFormat::WebP:
        return webp_complete(bytes);
    case ImageFormat::Bmp:
        return bmp_complete(bytes);
    case ImageFormat::Gif:
        // The GIF loader itself reports a missing frame or trailer.
        return true;
    }
    return false;
}

bool is_animated_webp(std::span<std::uint8_t const> bytes) noexcept
{
    return bytes.size() >= 21 && has_magic(bytes, "VP8X", 12) && (bytes[20] & 0x02) != 0;
}

base::Result<std::vector<std::uint8_t>, std::string> webp_first_frame(std::span<std::uint8_t const> bytes)
{
    auto const payload = first_anmf_payload(bytes);
    if (!payload)
        return base::unexpected(std::string("animated WebP without a complete frame"));
    std::uint64_t const width = read_le(*payload, 6, 3) + 1;
    std::uint64_t const height = read_le(*payload, 9, 3) + 1;
    std::span<std::uint8_t const> const frame_chunks = payload->subspan(16);

    // RIFF, then an extended header for the frame alone: the alpha flag lets an ALPH chunk
    // or a lossless frame keep its transparency, and the animation flag is left clear.
    std::vector<std::uint8_t> still { 'R', 'I', 'F', 'F' };
    append_le(still, 4 + 18 + frame_chunks.size(), 4);
    still.insert(still.end(), { 'W', 'E', 'B', 'P', 'V', 'P', '8', 'X', 10, 0, 0, 0, 0x10, 0, 0, 0 });
    append_le(still, width - 1, 3);
    append_le(still, height - 1, 3);
    still.insert(still.end(), frame_chunks.begin(), frame_chunks.end());
    return still;
}

} // namespace vrel_ui
