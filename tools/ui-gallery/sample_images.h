// Encoded sample pictures for the gallery's image store, painted with Cairo at start-up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gallery {

// PNG bytes for "landscape" and "portrait"; deliberately broken bytes for "broken"; none
// for anything else.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> load_sample_image(std::string const& key);

}
