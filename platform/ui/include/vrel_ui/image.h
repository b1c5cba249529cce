// A decoded raster image, in the pixel layout the drawing backend paints without copying.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace vrel_ui {

// Premultiplied ARGB, native-endian 32-bit words, rows packed (stride = width * 4).
struct Image {
    int width {};
    int height {};
    std::vector<std::uint32_t> pixels;
};

using ImageRef = std::shared_ptr<Image const>;

} // namespace vrel_ui
