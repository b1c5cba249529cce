#include "rle.h"

namespace automerge {

void StringValue::write(ByteWriter& out, Value const& v)
{
    encode_uleb128(out, v.size());
    out.append({ reinterpret_cast<std::uint8_t const*>(v.data()), v.size() });
}

base::Result<StringValue::Value, ErrorCode> StringValue::read(ByteReader& in)
{
    ByteReader cursor = in;
    std::uint64_t const size = TRY(decode_uleb128(cursor));
    if (size > cursor.remaining())
        return base::unexpected(ErrorCode::Truncated);
    Bytes const bytes = TRY(cursor.read_bytes(static_cast<std::size_t>(size)));
    in = cursor;
    return Value(reinterpret_cast<char const*>(bytes.data()), bytes.size());
}

} // namespace automerge
