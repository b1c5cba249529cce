// LEB128 integers as the Automerge binary format uses them: 64 bits at most, shortest form only.
//
// The format requires writers to produce the shortest encoding and readers to reject longer ones,
// so every value has exactly one encoding; change hashes depend on that.
#pragma once

#include <automerge/byte_reader.h>
#include <automerge/byte_writer.h>
#include <automerge/codec_error.h>
#include <base/result.h>

#include <cstddef>
#include <cstdint>

namespace automerge {

// The longest valid encoding of a 64-bit value.
inline constexpr std::size_t max_leb128_size = 10;

// Reads an unsigned LEB128; Truncated, Overlong or TooLarge leave `in` where it was.
[[nodiscard]] base::Result<std::uint64_t, ErrorCode> decode_uleb128(ByteReader& in) noexcept;
// Reads a signed LEB128; Truncated, Overlong or TooLarge leave `in` where it was.
[[nodiscard]] base::Result<std::int64_t, ErrorCode> decode_sleb128(ByteReader& in) noexcept;

// Reads an unsigned LEB128 that must also fit in 32 bits (column specifications).
[[nodiscard]] base::Result<std::uint32_t, ErrorCode> decode_uleb128_u32(ByteReader& in) noexcept;

void encode_uleb128(ByteWriter& out, std::uint64_t value);
void encode_sleb128(ByteWriter& out, std::int64_t value);

// The number of bytes encode_uleb128 / encode_sleb128 write for the value.
[[nodiscard]] std::size_t uleb128_size(std::uint64_t value) noexcept;
[[nodiscard]] std::size_t sleb128_size(std::int64_t value) noexcept;

} // namespace automerge
