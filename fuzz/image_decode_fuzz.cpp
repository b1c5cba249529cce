// Feeds arbitrary bytes to the image decoder: it must return an image or a reason, never crash.
#include "image_decode.h"

#include <base/verify.h>

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    auto const decoded = vrel_ui::decode_image(std::span(data, size));
    if (decoded.has_value()) {
        vrel_ui::Image const& image = decoded.value();
        VERIFY(image.width > 0 && image.height > 0);
        VERIFY(image.width <= vrel_ui::kMaxImageSide && image.height <= vrel_ui::kMaxImageSide);
        VERIFY(image.pixels.size() == std::size_t(image.width) * std::size_t(image.height));
        // Premultiplied: no colour channel may exceed its pixel's alpha.
        for (std::uint32_t const pixel : image.pixels) {
            std::uint32_t const alpha = pixel >> 24;
            VERIFY((pixel >> 16 & 0xff) <= alpha && (pixel >> 8 & 0xff) <= alpha && (pixel & 0xff) <= alpha);
        }
    } else {
        VERIFY(decoded.error().starts_with("failed: "));
    }
    return 0;
}
