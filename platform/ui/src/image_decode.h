// Decoding untrusted image bytes into toolkit Images, for the formats chat attachments use.
//
// Only PNG, JPEG, WebP, GIF and BMP are accepted, chosen by their magic bytes, and animations
// give their first frame. Other formats are refused even though
// gdk-pixbuf could read them (SVG, TIFF, ICO, ...): each is attack surface a chat peer could
// reach by sending a file.
#pragma once

#include <base/result.h>
#include <vrel_ui/image.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vrel_ui {

enum class ImageFormat : unsigned char { Png, Jpeg, WebP, Gif, Bmp };

// Limits checked before any pixel is decoded, so a small file cannot demand a huge buffer.
inline constexpr int kMaxImageSide = 16384;
inline constexpr std::int64_t kMaxImagePixels = std::int64_t(64) * 1024 * 1024;

// The format announced by the leading bytes; none for anything else or too few bytes.
[[nodiscard]] std::optional<ImageFormat> sniff_image_format(std::span<std::uint8_t const> bytes) noexcept;

// Why an image of this size is refused, or none when it is within the limits.
[[nodiscard]] std::optional<std::string> image_size_error(int width, int height);

// Any bytes in, an Image or an error reading "failed: <reason>" out; never crashes or hangs.
[[nodiscard]] base::Result<Image, std::string> decode_image(std::span<std::uint8_t const> bytes);

} // namespace vrel_ui
