#include "column_spec.h"

#include "deflate.h"

#include <automerge/leb128.h>

#include <algorithm>
#include <string>

namespace automerge {

namespace {

std::string spec_name(std::uint32_t spec) { return "column " + std::to_string(spec); }

} // namespace

std::vector<std::uint8_t> write_columns(
    ByteWriter& metadata_out, std::vector<ColumnData> columns, Compression compression)
{
    std::erase_if(columns, [](ColumnData const& c) { return c.bytes.empty(); });
    std::sort(columns.begin(), columns.end(),
        [](ColumnData const& a, ColumnData const& b) { return a.spec < b.spec; });
    ByteWriter data;
    encode_uleb128(metadata_out, columns.size());
    for (ColumnData& column : columns) {
        bool const deflate
            = compression == Compression::LargeColumns && column.bytes.size() > deflate_threshold;
        if (deflate)
            column.bytes = deflate_raw(column.bytes);
        encode_uleb128(metadata_out, column.spec | (deflate ? deflate_flag : 0));
        encode_uleb128(metadata_out, column.bytes.size());
        data.append(column.bytes);
    }
    return data.take();
}

base::Result<std::vector<ColumnEntry>, CodecError> read_column_metadata(
    ByteReader& in, Compression compression)
{
    std::uint64_t const count = TRY(decode_uleb128(in));
    // Each entry takes at least two bytes, which bounds the count before anything is reserved.
    if (count > in.remaining() / 2)
        return base::unexpected(CodecError { ErrorCode::Truncated, "column metadata" });
    std::vector<ColumnEntry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint32_t const raw = TRY(decode_uleb128_u32(in));
        std::uint64_t const length = TRY(decode_uleb128(in));
        ColumnEntry const entry { raw & ~deflate_flag, (raw & deflate_flag) != 0, length };
        if (entry.deflated && compression == Compression::Never)
            return base::unexpected(CodecError { ErrorCode::UnexpectedCompression, spec_name(entry.spec) });
        if (!entries.empty() && entries.back().spec >= entry.spec)
            return base::unexpected(
                CodecError { ErrorCode::BadColumnMetadata, spec_name(entry.spec) + " out of order" });
        entries.push_back(entry);
    }
    return entries;
}

base::Result<ColumnSet, CodecError> read_column_data(
    ByteReader& in, std::vector<ColumnEntry> const& entries, std::size_t& inflate_budget)
{
    ColumnSet set;
    set.m_columns.reserve(entries.size());
    for (ColumnEntry const& entry : entries) {
        if (entry.length > in.remaining())
            return base::unexpected(CodecError { ErrorCode::ColumnOutOfBounds, spec_name(entry.spec) });
        Bytes bytes = TRY(in.read_bytes(static_cast<std::size_t>(entry.length)));
        if (entry.deflated) {
            auto inflated = inflate_raw(bytes, inflate_budget);
            if (!inflated)
                return base::unexpected(CodecError { inflated.error(), spec_name(entry.spec) });
            inflate_budget -= inflated->size();
            set.m_inflated.push_back(
                std::make_unique<std::vector<std::uint8_t>>(std::move(inflated).value()));
            bytes = *set.m_inflated.back();
        }
        set.m_columns.push_back({ entry.spec, bytes });
    }
    return set;
}

Bytes ColumnSet::find(std::uint32_t spec) const noexcept
{
    auto const it
        = std::find_if(m_columns.begin(), m_columns.end(), [&](Column const& c) { return c.spec == spec; });
    return it == m_columns.end() ? Bytes {} : it->bytes;
}

bool ColumnSet::has_id(std::uint32_t id) const noexcept
{
    return std::any_of(
        m_columns.begin(), m_columns.end(), [&](Column const& c) { return c.spec >> 4 == id; });
}

std::vector<std::uint32_t> ColumnSet::specs() const
{
    std::vector<std::uint32_t> specs;
    for (Column const& c : m_columns)
        specs.push_back(c.spec);
    return specs;
}

} // namespace automerge
