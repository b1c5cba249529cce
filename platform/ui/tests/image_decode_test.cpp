#include "image_decode.h"

#include "pixbuf_handles.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

// Under AddressSanitizer, any single allocation above 512 MiB fails the test program: no
// input here may make a decoder reserve more than a legitimate image needs.
extern "C" char const* __asan_default_options() { return "max_allocation_size_mb=512"; }

namespace {

using vrel_ui::decode_image;
using vrel_ui::Image;
using vrel_ui::ImageFormat;
using Bytes = std::vector<std::uint8_t>;
using PixbufPtr = std::unique_ptr<GdkPixbuf, vrel_ui::FreeWith<g_object_unref>>;

struct Rgba {
    std::uint8_t r, g, b, a;
};

// A pixbuf holding `pixels` (straight alpha) row by row, encoded by gdk-pixbuf as `type`.
Bytes encode(int width, int height, bool alpha, std::vector<Rgba> const& pixels, char const* type)
{
    PixbufPtr const pixbuf { gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width, height) };
    int const channels = alpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        guchar* row = gdk_pixbuf_get_pixels(pixbuf.get()) + y * gdk_pixbuf_get_rowstride(pixbuf.get());
        for (int x = 0; x < width; ++x) {
            Rgba const p = pixels[std::size_t(y * width + x)];
            std::array<guchar, 4> const values { p.r, p.g, p.b, p.a };
            std::copy_n(values.begin(), channels, row + x * channels);
        }
    }
    gchar* buffer = nullptr;
    gsize size = 0;
    GError* raw_error = nullptr;
    gboolean const saved = gdk_pixbuf_save_to_buffer(pixbuf.get(), &buffer, &size, type, &raw_error, nullptr);
    vrel_ui::GErrorPtr const error { raw_error };
    vrel_ui::GMemoryPtr const owned { buffer };
    EXPECT_TRUE(saved) << type << ": " << (error ? error->message : "");
    return Bytes(buffer, buffer + size);
}

Bytes read_fixture(std::string_view name)
{
    std::ifstream in(std::filesystem::path(FIXTURES_DIR) / "image_decode" / name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t crc32(std::span<std::uint8_t const> bytes)
{
    std::uint32_t crc = 0xffffffffu;
    for (std::uint8_t const byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void put_be32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = std::uint8_t(value >> (24 - 8 * i));
}

void put_le(Bytes& bytes, std::size_t at, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

// A real PNG whose IHDR (with a valid CRC) claims another size; the pixel data stays small.
Bytes png_claiming(std::uint32_t width, std::uint32_t height)
{
    Bytes png = encode(2, 2, false, std::vector<Rgba>(4, { 1, 2, 3, 255 }), "png");
    put_be32(png, 16, width);
    put_be32(png, 20, height);
    put_be32(png, 29, crc32(std::span(png).subspan(12, 17)));
    return png;
}

Bytes gif_claiming(std::uint16_t width, std::uint16_t height)
{
    Bytes gif = read_fixture("tiny.gif");
    put_le(gif, 6, width, 2);
    put_le(gif, 8, height, 2);
    return gif;
}

Bytes bmp_claiming(std::int32_t width, std::int32_t height)
{
    Bytes bmp = read_fixture("tiny.bmp");
    put_le(bmp, 18, std::uint32_t(width), 4);
    put_le(bmp, 22, std::uint32_t(height), 4);
    return bmp;
}

Bytes jpeg_claiming(std::uint16_t width, std::uint16_t height)
{
    Bytes jpeg = read_fixture("tiny.jpeg");
    for (std::size_t i = 0; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xff && jpeg[i + 1] == 0xc0) {
            jpeg[i + 5] = std::uint8_t(height >> 8), jpeg[i + 6] = std::uint8_t(height);
            jpeg[i + 7] = std::uint8_t(width >> 8), jpeg[i + 8] = std::uint8_t(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no baseline frame header in tiny.jpeg";
    return jpeg;
}

// A lossless WebP header for the largest size its 14-bit fields allow, with a junk body.
Bytes webp_lossless_16384()
{
    Bytes webp { 'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L', 69, 0, 0, 0, 0x2f };
    put_le(webp, 4, 4 + 8 + 69, 4);
    std::uint32_t const sizes = 16383u | 16383u << 14;
    for (int i = 0; i < 4; ++i)
        webp.push_back(std::uint8_t(sizes >> (8 * i)));
    webp.resize(webp.size() + 64, 0);
    return webp;
}

// The chunks of a still WebP after its RIFF header, without the extended header.
Bytes webp_frame_chunks(Bytes const& still)
{
    Bytes chunks;
    for (std::size_t at = 12; at + 8 <= still.size();) {
        std::size_t const size = still[at + 4] | still[at + 5] << 8 | still[at + 6] << 16;
        std::size_t const end = std::min(still.size(), at + 8 + size + (size & 1));
        if (!std::equal(still.begin() + std::ptrdiff_t(at), still.begin() + std::ptrdiff_t(at + 4), "VP8X"))
            chunks.insert(
                chunks.end(), still.begin() + std::ptrdiff_t(at), still.begin() + std::ptrdiff_t(end));
        at = end;
    }
    return chunks;
}

// An animated WebP on a canvas of the given size, one ANMF chunk per frame at the origin.
Bytes animated_webp(std::vector<Bytes> const& frames, int frame_width, int frame_height, int canvas_side)
{
    Bytes webp { 'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'X', 10, 0, 0, 0, 0x12, 0,
        0, 0 };
    auto const append = [&](std::uint32_t value, int count) {
        webp.resize(webp.size() + std::size_t(count));
        put_le(webp, webp.size() - std::size_t(count), value, count);
    };
    append(std::uint32_t(canvas_side - 1), 3);
    append(std::uint32_t(canvas_side - 1), 3);
    webp.insert(webp.end(), { 'A', 'N', 'I', 'M', 6, 0, 0, 0, 0, 0, 0, 0, 0, 0 });
    for (Bytes const& chunks : frames) {
        webp.insert(webp.end(), { 'A', 'N', 'M', 'F' });
        append(std::uint32_t(16 + chunks.size()), 4);
        append(0, 3);
        append(0, 3);
        append(std::uint32_t(frame_width - 1), 3);
        append(std::uint32_t(frame_height - 1), 3);
        append(100, 3);
        webp.push_back(0);
        webp.insert(webp.end(), chunks.begin(), chunks.end());
    }
    put_le(webp, 4, std::uint32_t(webp.size() - 8), 4);
    return webp;
}

std::uint32_t premultiplied(Rgba p)
{
    auto const scale = [&](std::uint8_t c) { return std::uint32_t((c * p.a + 127) / 255); };
    return std::uint32_t(p.a) << 24 | scale(p.r) << 16 | scale(p.g) << 8 | scale(p.b);
}

std::vector<Rgba> const kPixels {
    { 255, 0, 0, 255 },
    { 0, 255, 0, 128 },
    { 0, 0, 255, 0 },
    { 255, 255, 255, 255 },
    { 10, 20, 30, 200 },
    { 0, 0, 0, 255 },
};

TEST(ImageDecode, LosslessFormatsDecodeExactly)
{
    struct Case {
        char const* type;
        bool alpha;
    };
    for (Case const c : { Case { "png", true }, Case { "png", false }, Case { "bmp", false } }) {
        SCOPED_TRACE(std::string(c.type) + (c.alpha ? " rgba" : " rgb"));
        auto const decoded = decode_image(encode(3, 2, c.alpha, kPixels, c.type));
        ASSERT_TRUE(decoded.has_value()) << decoded.error();
        EXPECT_EQ(decoded->width, 3);
        EXPECT_EQ(decoded->height, 2);
        ASSERT_EQ(decoded->pixels.size(), 6u);
        for (std::size_t i = 0; i < kPixels.size(); ++i) {
            Rgba p = kPixels[i];
            p.a = c.alpha ? p.a : 255;
            EXPECT_EQ(decoded->pixels[i], premultiplied(p)) << "pixel " << i;
        }
    }
}

TEST(ImageDecode, LossyFormatsDecodeCloseToTheSource)
{
    Rgba const colour { 200, 100, 50, 255 };
    for (char const* type : { "jpeg", "webp" }) {
        SCOPED_TRACE(type);
        auto const decoded = decode_image(encode(16, 8, false, std::vector<Rgba>(128, colour), type));
        ASSERT_TRUE(decoded.has_value()) << decoded.error();
        EXPECT_EQ(decoded->width, 16);
        EXPECT_EQ(decoded->height, 8);
        std::uint32_t const pixel = decoded->pixels[60];
        EXPECT_EQ(pixel >> 24, 255u);
        EXPECT_NEAR(int(pixel >> 16 & 0xff), colour.r, 8);
        EXPECT_NEAR(int(pixel >> 8 & 0xff), colour.g, 8);
        EXPECT_NEAR(int(pixel & 0xff), colour.b, 8);
    }
}

TEST(ImageDecode, GifGivesItsFirstFrame)
{
    // Both files show red then green; the second frame of two_frames.gif swaps them.
    for (std::string_view name : { "tiny.gif", "two_frames.gif" }) {
        SCOPED_TRACE(name);
        auto const decoded = decode_image(read_fixture(name));
        ASSERT_TRUE(decoded.has_value()) << decoded.error();
        EXPECT_EQ(decoded->width, 2);
        EXPECT_EQ(decoded->height, 1);
        EXPECT_EQ(decoded->pixels, (std::vector<std::uint32_t> { 0xffff0000u, 0xff00ff00u }));
    }
}

// The WebP loader would decode every frame of an animation up front, a canvas each: 40 frames
// of 4000x4000 from a few kilobytes. Only the first frame is decoded, at its own size.
TEST(ImageDecode, AnimatedWebPGivesOnlyItsFirstFrame)
{
    Bytes const blue
        = webp_frame_chunks(encode(4, 3, true, std::vector<Rgba>(12, { 0, 0, 255, 255 }), "webp"));
    Bytes const red
        = webp_frame_chunks(encode(4, 3, true, std::vector<Rgba>(12, { 255, 0, 0, 255 }), "webp"));
    std::vector<Bytes> frames { blue };
    for (int i = 0; i < 40; ++i)
        frames.push_back(red);
    auto const decoded = decode_image(animated_webp(frames, 4, 3, 4000));
    ASSERT_TRUE(decoded.has_value()) << decoded.error();
    EXPECT_EQ(decoded->width, 4);
    EXPECT_EQ(decoded->height, 3);
    std::uint32_t const pixel = decoded->pixels[5];
    EXPECT_GT(pixel & 0xff, 200u) << std::hex << pixel;
    EXPECT_LT(pixel >> 16 & 0xff, 40u) << std::hex << pixel;
}

TEST(ImageDecode, FixturesDecodeToTheirSize)
{
    for (std::string_view name : { "tiny.png", "tiny.jpeg", "tiny.webp", "tiny.bmp", "two_frames.webp" }) {
        SCOPED_TRACE(name);
        auto const decoded = decode_image(read_fixture(name));
        ASSERT_TRUE(decoded.has_value()) << decoded.error();
        EXPECT_EQ(decoded->width, 4);
        EXPECT_EQ(decoded->height, 3);
        EXPECT_EQ(decoded->pixels.size(), 12u);
    }
}

TEST(ImageDecode, SniffsOnlyTheAcceptedFormats)
{
    using namespace std::string_view_literals;
    struct Case {
        std::string_view name;
        std::string_view bytes;
        std::optional<ImageFormat> want;
    };
    Case const cases[] = {
        { "png", "\x89PNG\r\n\x1a\n", ImageFormat::Png },
        { "jpeg", "\xff\xd8\xff\xe0", ImageFormat::Jpeg },
        { "webp", "RIFF\0\0\0\0WEBPVP8 "sv, ImageFormat::WebP },
        { "gif87a", "GIF87a", ImageFormat::Gif },
        { "gif89a", "GIF89a", ImageFormat::Gif },
        { "bmp", "BM", ImageFormat::Bmp },
        { "empty", "", std::nullopt },
        { "png cut short", "\x89PNG\r\n\x1a", std::nullopt },
        { "riff but not webp", "RIFF\0\0\0\0WAVEfmt "sv, std::nullopt },
        { "riff cut short", "RIFF\0\0\0\0WEB"sv, std::nullopt },
        { "gif other version", "GIF88a", std::nullopt },
        { "svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>", std::nullopt },
        { "tiff", "II*\0"sv, std::nullopt },
        { "ico", "\0\0\1\0"sv, std::nullopt },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        auto const* data = reinterpret_cast<std::uint8_t const*>(c.bytes.data());
        EXPECT_EQ(vrel_ui::sniff_image_format({ data, c.bytes.size() }), c.want);
    }
}

TEST(ImageDecode, RejectsBadInputWithAReason)
{
    using namespace std::string_view_literals;
    Bytes const png = encode(3, 2, true, kPixels, "png");
    Bytes const jpeg = encode(16, 16, false, std::vector<Rgba>(256, { 9, 9, 9, 255 }), "jpeg");
    auto const text = [](std::string_view s) { return Bytes(s.begin(), s.end()); };
    struct Case {
        std::string_view name;
        Bytes bytes;
    };
    Case const cases[] = {
        { "empty", {} },
        { "text", text("hello") },
        { "svg", text("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"4\"/>") },
        { "tiff header", text("II*\0\x08\0\0\0"sv) },
        { "png signature only", Bytes(png.begin(), png.begin() + 8) },
        { "png cut in its header", Bytes(png.begin(), png.begin() + 20) },
        { "png with garbage after the signature",
            [&] {
                Bytes b(png.begin(), png.begin() + 8);
                b.resize(200, 0x41);
                return b;
            }() },
        { "jpeg cut after its header", Bytes(jpeg.begin(), jpeg.begin() + 200) },
        { "jpeg marker only", Bytes(jpeg.begin(), jpeg.begin() + 3) },
        { "gif header only", text("GIF89a") },
        { "bmp marker only", text("BM") },
        { "bmp with pixels 4 GB past its start",
            [] {
                Bytes b = read_fixture("tiny.bmp");
                put_le(b, 10, 0xff000036u, 4);
                return b;
            }() },
        { "bmp with a 4 GB header length",
            [] {
                Bytes b = read_fixture("tiny.bmp");
                put_le(b, 14, 0xff000028u, 4);
                return b;
            }() },
        { "webp container only", text("RIFF\4\0\0\0WEBP"sv) },
        { "webp with junk body", text("RIFF\x14\0\0\0WEBPVP8 \x08\0\0\0garbage!"sv) },
        { "zero-size gif", gif_claiming(0, 0) },
        { "webp animation with a cut frame",
            [] {
                Bytes b = read_fixture("two_frames.webp");
                put_le(b, 4, 4000, 4);
                b.resize(60);
                return b;
            }() },
        { "webp announcing an animation without frames",
            [] {
                Bytes b = read_fixture("tiny.webp");
                b[20] |= 0x02;
                return b;
            }() },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        auto const decoded = decode_image(c.bytes);
        ASSERT_FALSE(decoded.has_value());
        EXPECT_TRUE(decoded.error().starts_with("failed: ")) << decoded.error();
    }
}

// Some loaders would show a file cut short with grey rows; every cut must fail instead.
TEST(ImageDecode, TruncatedFilesFail)
{
    std::vector<Rgba> noise(32 * 32);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = { std::uint8_t(i * 7), std::uint8_t(i * 13), std::uint8_t(i * 29), std::uint8_t(i * 3) };
    for (char const* type : { "png", "jpeg", "webp", "bmp" }) {
        Bytes const whole = encode(32, 32, std::string_view(type) == "png", noise, type);
        ASSERT_TRUE(decode_image(whole).has_value()) << type;
        for (std::size_t const cut :
            { whole.size() / 4, whole.size() / 2, whole.size() - 2, whole.size() - 1 }) {
            SCOPED_TRACE(
                std::string(type) + " cut to " + std::to_string(cut) + " of " + std::to_string(whole.size()));
            auto const decoded = decode_image(std::span(whole).first(cut));
            ASSERT_FALSE(decoded.has_value());
            EXPECT_TRUE(decoded.error().starts_with("failed: ")) << decoded.error();
        }
    }
}

// Data after the end of an image is not a truncation: phones append videos to JPEG photos.
TEST(ImageDecode, TrailingDataAfterACompleteImageIsIgnored)
{
    for (char const* type : { "png", "jpeg" }) {
        SCOPED_TRACE(type);
        Bytes bytes = encode(3, 2, false, kPixels, type);
        bytes.insert(bytes.end(), { 0, 0, 0, 0x18, 'f', 't', 'y', 'p', 0xff, 0xd8 });
        auto const decoded = decode_image(bytes);
        ASSERT_TRUE(decoded.has_value()) << decoded.error();
        EXPECT_EQ(decoded->width, 3);
    }
}

// Headers that claim huge sizes must be refused on the size alone, before any pixel buffer.
TEST(ImageDecode, RefusesDecompressionBombsByTheirHeader)
{
    struct Case {
        std::string_view name;
        Bytes bytes;
    };
    Case const cases[] = {
        { "png 20000 square", png_claiming(20000, 20000) },
        { "png one px too wide", png_claiming(16385, 1) },
        { "png one px too tall", png_claiming(1, 16385) },
        { "png over 64 megapixels", png_claiming(8193, 8193) },
        { "gif 20000 square", gif_claiming(20000, 20000) },
        { "bmp 20000 square", bmp_claiming(20000, 20000) },
        { "bmp top-down 20000 square", bmp_claiming(20000, -20000) },
        { "jpeg 20000 square", jpeg_claiming(20000, 20000) },
        { "jpeg over 64 megapixels", jpeg_claiming(16000, 16000) },
        { "webp lossless 16384 square", webp_lossless_16384() },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        auto const decoded = decode_image(c.bytes);
        ASSERT_FALSE(decoded.has_value());
        EXPECT_TRUE(decoded.error().starts_with("failed: image too large: ")) << decoded.error();
    }
}

// Inputs the fuzzer found; each once made a loader allocate gigabytes before failing.
TEST(ImageDecode, FuzzerFindingsFailCleanly)
{
    auto const dir = std::filesystem::path(FIXTURES_DIR) / "image_decode" / "regressions";
    int seen = 0;
    for (auto const& entry : std::filesystem::directory_iterator(dir)) {
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        Bytes const bytes(std::istreambuf_iterator<char>(in), {});
        auto const decoded = decode_image(bytes);
        ASSERT_FALSE(decoded.has_value());
        EXPECT_TRUE(decoded.error().starts_with("failed: ")) << decoded.error();
        ++seen;
    }
    EXPECT_GE(seen, 2);
}

TEST(ImageDecode, SizeLimitsTable)
{
    struct Case {
        int width, height;
        bool allowed;
    };
    Case const cases[] = {
        { 1, 1, true },
        { 16384, 1, true },
        { 1, 16384, true },
        { 16384, 4096, true },
        { 8192, 8192, true },
        { 16385, 1, false },
        { 1, 16385, false },
        { 16384, 4097, false },
        { 8193, 8193, false },
        { 0, 5, false },
        { 5, 0, false },
        { -1, 5, false },
        { 16384, 16384, false },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        EXPECT_EQ(!vrel_ui::image_size_error(c.width, c.height).has_value(), c.allowed);
    }
}

// Every single-byte corruption of each fixture either decodes to a sane image or fails with a
// reason: no crash, no sanitizer report, no hang.
TEST(ImageDecode, CorruptedFixturesNeverCrash)
{
    for (std::string_view name : { "tiny.png", "tiny.jpeg", "tiny.webp", "two_frames.webp", "tiny.bmp",
             "tiny.gif", "two_frames.gif" }) {
        SCOPED_TRACE(name);
        Bytes const original = read_fixture(name);
        for (std::size_t at = 0; at < original.size(); ++at) {
            for (std::uint8_t const value :
                { std::uint8_t(0x00), std::uint8_t(0xff), std::uint8_t(original[at] ^ 0x10) }) {
                Bytes bytes = original;
                bytes[at] = value;
                auto const decoded = decode_image(bytes);
                if (decoded.has_value()) {
                    ASSERT_EQ(
                        decoded->pixels.size(), std::size_t(decoded->width) * std::size_t(decoded->height));
                } else {
                    ASSERT_TRUE(decoded.error().starts_with("failed: ")) << decoded.error();
                }
            }
        }
    }
}

} // namespace
