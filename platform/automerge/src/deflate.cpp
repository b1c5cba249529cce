#include "deflate.h"

#include <base/verify.h>

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace automerge {

namespace {

// Negative window bits select raw DEFLATE: Automerge stores no zlib header or checksum.
constexpr int raw_window_bits = -15;
constexpr std::size_t max_step = UINT_MAX; // z_stream counts bytes in unsigned int

// Owns a z_stream set up for one direction; zlib needs the matching End call to free its state.
template <bool Compress> class ZStream {
public:
    ZStream()
    {
        int const status = Compress ? deflateInit2(&m_stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED,
                               raw_window_bits, 8, Z_DEFAULT_STRATEGY)
                                    : inflateInit2(&m_stream, raw_window_bits);
        // Initialisation fails only when zlib cannot allocate its few kilobytes of state.
        VERIFY(status == Z_OK);
    }
    ~ZStream()
    {
        if constexpr (Compress)
            deflateEnd(&m_stream);
        else
            inflateEnd(&m_stream);
    }
    ZStream(ZStream const&) = delete;
    ZStream& operator=(ZStream const&) = delete;

    z_stream& get() noexcept { return m_stream; }

private:
    z_stream m_stream {};
};

// zlib takes non-const input pointers but never writes through them.
Bytef* input_pointer(std::span<std::uint8_t const> bytes) noexcept
{
    return const_cast<Bytef*>(reinterpret_cast<Bytef const*>(bytes.data()));
}

} // namespace

std::vector<std::uint8_t> deflate_raw(std::span<std::uint8_t const> bytes)
{
    ZStream<true> zs;
    z_stream& stream = zs.get();
    std::vector<std::uint8_t> out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 16);
    std::size_t consumed = 0;
    std::size_t produced = 0;
    for (;;) {
        if (produced == out.size())
            out.resize(out.size() * 2);
        std::size_t const in_step = std::min(bytes.size() - consumed, max_step);
        std::size_t const out_step = std::min(out.size() - produced, max_step);
        bool const last = consumed + in_step == bytes.size();
        stream.next_in = input_pointer(bytes.subspan(consumed));
        stream.avail_in = static_cast<uInt>(in_step);
        stream.next_out = out.data() + produced;
        stream.avail_out = static_cast<uInt>(out_step);
        int const status = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
        VERIFY(status == Z_OK || status == Z_STREAM_END || status == Z_BUF_ERROR);
        consumed += in_step - stream.avail_in;
        produced += out_step - stream.avail_out;
        if (status == Z_STREAM_END)
            break;
    }
    out.resize(produced);
    return out;
}

base::Result<std::vector<std::uint8_t>, ErrorCode> inflate_raw(
    std::span<std::uint8_t const> compressed, std::size_t max_size)
{
    ZStream<false> zs;
    z_stream& stream = zs.get();
    // One byte beyond the limit tells "exactly at the limit" apart from "over it".
    std::size_t const capacity = max_size + 1;
    std::vector<std::uint8_t> out(std::min(capacity, std::max<std::size_t>(4096, compressed.size() * 4)));
    std::size_t consumed = 0;
    std::size_t produced = 0;
    for (;;) {
        if (produced == out.size()) {
            if (out.size() == capacity)
                return base::unexpected(ErrorCode::InflateLimit);
            out.resize(std::min(capacity, out.size() * 2));
        }
        std::size_t const in_step = std::min(compressed.size() - consumed, max_step);
        std::size_t const out_step = std::min(out.size() - produced, max_step);
        stream.next_in = input_pointer(compressed.subspan(consumed));
        stream.avail_in = static_cast<uInt>(in_step);
        stream.next_out = out.data() + produced;
        stream.avail_out = static_cast<uInt>(out_step);
        int const status = inflate(&stream, Z_NO_FLUSH);
        consumed += in_step - stream.avail_in;
        produced += out_step - stream.avail_out;
        if (produced > max_size)
            return base::unexpected(ErrorCode::InflateLimit);
        if (status == Z_STREAM_END) {
            if (consumed != compressed.size())
                return base::unexpected(ErrorCode::BadDeflate);
            out.resize(produced);
            return out;
        }
        if (status != Z_OK && status != Z_BUF_ERROR)
            return base::unexpected(ErrorCode::BadDeflate);
        // No room was the reason to stop only if the output is full; otherwise the input ran out.
        if (produced != out.size() && consumed == compressed.size())
            return base::unexpected(ErrorCode::BadDeflate);
    }
}

} // namespace automerge
