// Checks and rewrites of image files at the container level, around the gdk-pixbuf decoders.
//
// The decoders handle pixels; these functions cover what they get wrong for untrusted input:
// files cut short that some loaders accept, and animated WebP, whose loader decodes every
// frame up front (a few kilobytes can demand gigabytes) and misbehaves on broken animations.
#pragma once

#include "image_decode.h"

#include <base/result.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vrel_ui {

// True when `bytes` holds `magic` at `offset`.
[[nodiscard]] bool has_magic(
    std::span<std::uint8_t const> bytes, std::string_view magic, std::size_t offset = 0) noexcept;

// Why the file must not reach its decoder, or none. The BMP loader sizes buffers from the
// header-length and pixel-offset fields before it checks anything, so absurd ones stop here.
[[nodiscard]] std::optional<std::string> container_rejection(
    ImageFormat format, std::span<std::uint8_t const> bytes);

// False when the container shows the file was cut short. GIF is left to its decoder.
[[nodiscard]] bool container_complete(ImageFormat format, std::span<std::uint8_t const> bytes) noexcept;

// True for a WebP whose extended header announces an animation.
[[nodiscard]] bool is_animated_webp(std::span<std::uint8_t const> bytes) noexcept;

// A still WebP holding the first frame of an animated one, at the frame's own size; an error
// when the animation has no well-formed frame.
[[nodiscard]] base::Result<std::vector<std::uint8_t>, std::string> webp_first_frame(
    std::span<std::uint8_t const> bytes);

} // namespace vrel_ui
