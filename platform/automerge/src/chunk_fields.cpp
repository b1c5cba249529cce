#include "chunk_fields.h"

#include <automerge/leb128.h>

#include <algorithm>

namespace automerge {

namespace {
constexpr std::size_t hash_size = sizeof(ChangeHash::bytes);
}

void write_sized(ByteWriter& out, Bytes bytes)
{
    encode_uleb128(out, bytes.size());
    out.append(bytes);
}

void write_hashes(ByteWriter& out, std::vector<ChangeHash> const& hashes)
{
    encode_uleb128(out, hashes.size());
    for (ChangeHash const& hash : hashes)
        out.append(hash.bytes);
}

void write_actors(ByteWriter& out, std::vector<ActorId> const& actors)
{
    encode_uleb128(out, actors.size());
    for (ActorId const& actor : actors)
        write_sized(out, actor);
}

base::Result<Bytes, CodecError> read_sized(ByteReader& in, char const* what)
{
    std::uint64_t const size = TRY(decode_uleb128(in));
    if (size > in.remaining())
        return base::unexpected(CodecError { ErrorCode::ShortContents, what });
    return TRY(in.read_bytes(static_cast<std::size_t>(size)));
}

base::Result<std::vector<ChangeHash>, CodecError> read_hashes(ByteReader& in, char const* what)
{
    std::uint64_t const count = TRY(decode_uleb128(in));
    if (count > in.remaining() / hash_size)
        return base::unexpected(CodecError { ErrorCode::ShortContents, what });
    std::vector<ChangeHash> hashes(static_cast<std::size_t>(count));
    for (ChangeHash& hash : hashes) {
        Bytes const bytes = TRY(in.read_bytes(hash_size));
        std::copy(bytes.begin(), bytes.end(), hash.bytes.begin());
    }
    return hashes;
}

base::Result<void, CodecError> read_actors(ByteReader& in, std::vector<ActorId>& actors, char const* what)
{
    std::uint64_t const count = TRY(decode_uleb128(in));
    // Each actor takes at least its length byte, which bounds the count.
    if (count > in.remaining())
        return base::unexpected(CodecError { ErrorCode::ShortContents, what });
    actors.reserve(actors.size() + static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        Bytes const actor = TRY(read_sized(in, what));
        actors.emplace_back(actor.begin(), actor.end());
    }
    return {};
}

} // namespace automerge
