#include "chunk_header.h"

#include <automerge/byte_writer.h>
#include <automerge/leb128.h>

#include <algorithm>

namespace automerge {

base::Result<RawChunk, CodecError> read_chunk(ByteReader& in)
{
    ByteReader cursor = in;
    // A partial magic is still the start of a chunk; a wrong byte is not.
    Bytes const magic = cursor.rest().first(std::min(cursor.remaining(), chunk_magic.size()));
    if (!std::equal(magic.begin(), magic.end(), chunk_magic.begin()))
        return base::unexpected(CodecError { ErrorCode::BadMagic });
    (void)TRY(cursor.read_bytes(chunk_magic.size()));
    RawChunk chunk;
    Bytes const checksum = TRY(cursor.read_bytes(chunk.checksum.size()));
    std::copy(checksum.begin(), checksum.end(), chunk.checksum.begin());
    std::uint8_t const type = TRY(cursor.read_byte());
    if (type > static_cast<std::uint8_t>(ChunkType::Compressed))
        return base::unexpected(CodecError { ErrorCode::UnknownChunkType, "type " + std::to_string(type) });
    chunk.type = static_cast<ChunkType>(type);
    std::uint64_t const length = TRY(decode_uleb128(cursor));
    if (length > cursor.remaining())
        return base::unexpected(CodecError { ErrorCode::Truncated, "chunk contents" });
    chunk.contents = TRY(cursor.read_bytes(static_cast<std::size_t>(length)));
    in = cursor;
    return chunk;
}

Sha256Digest chunk_digest(ChunkType type, Bytes contents)
{
    ByteWriter prefix;
    prefix.append(static_cast<std::uint8_t>(type));
    encode_uleb128(prefix, contents.size());
    Sha256 hasher;
    hasher.update(prefix.bytes());
    hasher.update(contents);
    return hasher.finish();
}

std::vector<std::uint8_t> write_chunk(ChunkType type, Checksum checksum, Bytes contents)
{
    ByteWriter out;
    out.reserve(chunk_magic.size() + checksum.size() + 1 + max_leb128_size + contents.size());
    out.append(chunk_magic);
    out.append(checksum);
    out.append(static_cast<std::uint8_t>(type));
    encode_uleb128(out, contents.size());
    out.append(contents);
    return out.take();
}

std::vector<std::uint8_t> write_chunk(ChunkType type, Bytes contents)
{
    return write_chunk(type, checksum_of(chunk_digest(type, contents)), contents);
}

} // namespace automerge
