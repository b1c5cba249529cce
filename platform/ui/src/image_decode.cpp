// Image decoding through gdk-pixbuf loaders, guarded against decompression bombs.
#include "image_decode.h"

#include "image_container.h"
#include "pixbuf_handles.h"

#include <algorithm>
#include <string_view>

namespace vrel_ui {

namespace {

char const* loader_type(ImageFormat format) noexcept
{
    switch (format) {
    case ImageFormat::Png:
        return "png";
    case ImageFormat::Jpeg:
        return "jpeg";
    case ImageFormat::WebP:
        return "webp";
    case ImageFormat::Gif:
        return "gif";
    case ImageFormat::Bmp:
        return "bmp";
    }
    VERIFY_NOT_REACHED();
}

base::Unexpected<std::string> failure(std::string_view reason)
{
    return { "failed: " + std::string(reason) };
}

std::string describe(GErrorPtr const& error, std::string_view fallback)
{
    return error && error->message ? std::string(error->message) : std::string(fallback);
}

// Set by the size-prepared handler; once it holds a reason, no more bytes are fed.
struct SizeGuard {
    ImageFormat format {};
    std::optional<std::string> rejection;
};

void on_size_prepared(GdkPixbufLoader* loader, int width, int height, gpointer data)
{
    auto& guard = *static_cast<SizeGuard*>(data);
    auto reason = image_size_error(width, height);
    if (!reason)
        return;
    guard.rejection = std::move(reason);
    // A zero target size makes the PNG, JPEG, GIF and BMP loaders stop before they allocate
    // the pixel buffer. The WebP loader ignores a zero size but scales while decoding, so it
    // gets the smallest real size instead of allocating the full image.
    int const side = guard.format == ImageFormat::WebP ? 1 : 0;
    gdk_pixbuf_loader_set_size(loader, side, side);
}

// Feeds the bytes in chunks that start small, so the header arrives (and a bomb is refused)
// before much of the body has been handed to the decoder.
base::Result<void, std::string> feed(
    GdkPixbufLoader* loader, std::span<std::uint8_t const> bytes, SizeGuard const& guard)
{
    std::size_t chunk = 256;
    while (!bytes.empty() && !guard.rejection) {
        std::size_t const size = std::min(chunk, bytes.size());
        GError* raw_error = nullptr;
        bool const ok = gdk_pixbuf_loader_write(loader, bytes.data(), size, &raw_error);
        GErrorPtr const error { raw_error };
        if (!ok && !guard.rejection)
            return base::unexpected(describe(error, "the decoder refused the data"));
        bytes = bytes.subspan(size);
        chunk = std::min<std::size_t>(chunk * 2, 64 * 1024);
    }
    return {};
}

constexpr std::uint32_t premultiply(std::uint32_t channel, std::uint32_t alpha) noexcept
{
    // Exact rounding of channel * alpha / 255 without a division.
    std::uint32_t const product = channel * alpha + 128;
    return (product + (product >> 8)) >> 8;
}

void convert_row(std::uint8_t const* source, int channels, std::span<std::uint32_t> out) noexcept
{
    for (std::uint32_t& pixel : out) {
        std::uint32_t const alpha = channels == 4 ? source[3] : 255;
        pixel = alpha << 24 | premultiply(source[0], alpha) << 16 | premultiply(source[1], alpha) << 8
            | premultiply(source[2], alpha);
        source += channels;
    }
}

// Converts straight RGB or RGBA rows with padding into packed premultiplied ARGB words.
base::Result<Image, std::string> to_image(GdkPixbuf const* pixbuf)
{
    int const width = gdk_pixbuf_get_width(pixbuf);
    int const height = gdk_pixbuf_get_height(pixbuf);
    int const channels = gdk_pixbuf_get_n_channels(pixbuf);
    int const stride = gdk_pixbuf_get_rowstride(pixbuf);
    if (auto reason = image_size_error(width, height))
        return failure(*reason);
    bool const layout_ok = gdk_pixbuf_get_colorspace(pixbuf) == GDK_COLORSPACE_RGB
        && gdk_pixbuf_get_bits_per_sample(pixbuf) == 8
        && channels == (gdk_pixbuf_get_has_alpha(pixbuf) ? 4 : 3) && stride >= width * channels;
    if (!layout_ok)
        return failure("unsupported pixel layout");

    Image image { width, height, std::vector<std::uint32_t>(std::size_t(width) * std::size_t(height)) };
    std::uint8_t const* const pixels = gdk_pixbuf_read_pixels(pixbuf);
    for (int y = 0; y < height; ++y) {
        std::span<std::uint32_t> const row(
            image.pixels.data() + std::size_t(y) * std::size_t(width), std::size_t(width));
        convert_row(pixels + std::size_t(y) * std::size_t(stride), channels, row);
    }
    return image;
}

// Runs one gdk-pixbuf loader of the format's own type over the bytes, guarded by size.
base::Result<Image, std::string> decode_with_loader(ImageFormat format, std::span<std::uint8_t const> bytes)
{
    if (auto reason = container_rejection(format, bytes))
        return failure(*reason);
    SizeGuard guard { format, std::nullopt };
    GError* raw_error = nullptr;
    GdkPixbufLoaderPtr const loader { gdk_pixbuf_loader_new_with_type(loader_type(format), &raw_error) };
    GErrorPtr const create_error { raw_error };
    if (!loader)
        return failure(describe(create_error, "no decoder for this format"));
    g_signal_connect(loader.get(), "size-prepared", G_CALLBACK(on_size_prepared), &guard);

    auto const fed = feed(loader.get(), bytes, guard);
    // Closed on every path: it releases the decoder state, and a loader dropped open warns.
    raw_error = nullptr;
    bool const closed = gdk_pixbuf_loader_close(loader.get(), &raw_error);
    GErrorPtr const close_error { raw_error };
    if (guard.rejection)
        return failure(*guard.rejection);
    if (!fed)
        return failure(fed.error());
    if (!closed)
        return failure(describe(close_error, "the image data is incomplete"));
    GdkPixbuf const* const pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
    if (!pixbuf)
        return failure("the data holds no image");
    if (!container_complete(format, bytes))
        return failure("the image data is truncated");
    return to_image(pixbuf);
}

} // namespace

std::optional<ImageFormat> sniff_image_format(std::span<std::uint8_t const> bytes) noexcept
{
    if (has_magic(bytes, "\x89PNG\r\n\x1a\n"))
        return ImageFormat::Png;
    if (has_magic(bytes, "\xff\xd8\xff"))
        return ImageFormat::Jpeg;
    if (has_magic(bytes, "RIFF") && has_magic(bytes, "WEBP", 8))
        return ImageFormat::WebP;
    if (has_magic(bytes, "GIF87a") || has_magic(bytes, "GIF89a"))
        return ImageFormat::Gif;
    if (has_magic(bytes, "BM"))
        return ImageFormat::Bmp;
    return std::nullopt;
}

std::optional<std::string> image_size_error(int width, int height)
{
    std::string const size = std::to_string(width) + "x" + std::to_string(height);
    if (width <= 0 || height <= 0)
        return "image size " + size + " has no pixels";
    if (width > kMaxImageSide || height > kMaxImageSide)
        return "image too large: " + size + " exceeds " + std::to_string(kMaxImageSide) + " px per side";
    if (std::int64_t(width) * height > kMaxImagePixels)
        return "image too large: " + size + " exceeds 64 megapixels";
    return std::nullopt;
}

base::Result<Image, std::string> decode_image(std::span<std::uint8_t const> bytes)
{
    auto const format = sniff_image_format(bytes);
    if (!format)
        return failure("not a PNG, JPEG, WebP, GIF or BMP image");
    if (*format != ImageFormat::WebP || !is_animated_webp(bytes))
        return decode_with_loader(*format, bytes);
    // Only the first frame is shown, so it is decoded as a still; see image_container.h.
    auto const still = webp_first_frame(bytes);
    if (!still)
        return failure(still.error());
    return decode_with_loader(ImageFormat::WebP, *still);
}

} // namespace vrel_ui
