// Column specifications and column metadata: which columns a chunk holds, in what encoding, where.
//
// A specification is a 32-bit number: the column id in the high bits, a DEFLATE flag in bit 3 and
// the column type in bits 0-2. Chunks list their columns sorted by specification (flag cleared),
// each once, and leave out columns with no bytes; readers treat a missing column as all nulls.
#pragma once

#include <automerge/byte_reader.h>
#include <automerge/byte_writer.h>
#include <automerge/codec_error.h>
#include <base/result.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace automerge {

enum class ColumnType : std::uint8_t {
    Group = 0,
    Actor = 1,
    Uleb = 2,
    Delta = 3,
    Boolean = 4,
    String = 5,
    ValueMetadata = 6,
    Value = 7,
};

inline constexpr std::uint32_t deflate_flag = 8;

// A specification without the DEFLATE flag, which is how the tables below name columns.
[[nodiscard]] constexpr std::uint32_t column_spec(std::uint32_t id, ColumnType type) noexcept
{
    return id << 4 | static_cast<std::uint32_t>(type);
}

struct ColumnData {
    std::uint32_t spec {}; // without the DEFLATE flag
    std::vector<std::uint8_t> bytes;
};

// Whether columns may be compressed: document chunks compress big columns, change chunks never do.
enum class Compression : std::uint8_t { Never, LargeColumns };

// Columns larger than this are worth deflating in a document chunk.
inline constexpr std::size_t deflate_threshold = 256;

// Writes the metadata (count, then specification and length of each column) for the non-empty
// columns, sorted, and returns the column bytes to follow it; compressed columns are deflated.
[[nodiscard]] std::vector<std::uint8_t> write_columns(
    ByteWriter& metadata_out, std::vector<ColumnData> columns, Compression compression);

struct ColumnEntry {
    std::uint32_t spec {}; // without the DEFLATE flag
    bool deflated {};
    std::uint64_t length {};
};

// Reads column metadata, checking order and uniqueness and that deflated columns are allowed.
[[nodiscard]] base::Result<std::vector<ColumnEntry>, CodecError> read_column_metadata(
    ByteReader& in, Compression compression);

// The columns of one table after their data was located and, where needed, inflated.
class ColumnSet {
public:
    // The bytes of a column, empty if the chunk does not have it.
    [[nodiscard]] Bytes find(std::uint32_t spec) const noexcept;
    // Whether any column in the set has this id, whatever its type.
    [[nodiscard]] bool has_id(std::uint32_t id) const noexcept;

    [[nodiscard]] std::vector<std::uint32_t> specs() const;

private:
    friend base::Result<ColumnSet, CodecError> read_column_data(
        ByteReader&, std::vector<ColumnEntry> const&, std::size_t&);
    struct Column {
        std::uint32_t spec {};
        Bytes bytes;
    };
    std::vector<Column> m_columns;
    // Inflated columns live here; a Column's bytes view into it or into the chunk. Held through
    // pointers so the views stay valid when the set moves.
    std::vector<std::unique_ptr<std::vector<std::uint8_t>>> m_inflated;
};

// Reads the data of the columns the metadata describes, inflating deflated ones. `inflate_budget`
// is the number of inflated bytes still allowed; it shrinks by what this call inflates.
[[nodiscard]] base::Result<ColumnSet, CodecError> read_column_data(
    ByteReader& in, std::vector<ColumnEntry> const& entries, std::size_t& inflate_budget);

} // namespace automerge
