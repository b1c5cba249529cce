// Raw DEFLATE (no zlib or gzip wrapper), the compression Automerge uses for columns and chunks.
#pragma once

#include <automerge/codec_error.h>
#include <base/result.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace automerge {

[[nodiscard]] std::vector<std::uint8_t> deflate_raw(std::span<std::uint8_t const> bytes);

// Inflates one complete raw DEFLATE stream. Fails with InflateLimit rather than produce more than
// `max_size` bytes, and with BadDeflate if the stream is damaged, ends early or is followed by
// anything else.
[[nodiscard]] base::Result<std::vector<std::uint8_t>, ErrorCode> inflate_raw(
    std::span<std::uint8_t const> compressed, std::size_t max_size);

} // namespace automerge
