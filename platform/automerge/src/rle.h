// Run-length encoding of nullable values, the base of most Automerge columns.
//
// A column is a sequence of (signed LEB128 count, payload) pairs: a positive count repeats one value,
// a negative count introduces that many distinct literal values, and a zero count is followed by the
// unsigned number of nulls. The encoder always picks the same, shortest grouping (runs for repeats,
// literals for lone values, a column of nothing but nulls is empty), because change hashes are taken
// over re-encoded columns and must come out the same as the original writer's.
#pragma once

#include <automerge/byte_reader.h>
#include <automerge/byte_writer.h>
#include <automerge/codec_error.h>
#include <automerge/leb128.h>
#include <base/result.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace automerge {

// How one RLE payload value is written and read.
struct UlebValue {
    using Value = std::uint64_t;
    static void write(ByteWriter& out, Value v) { encode_uleb128(out, v); }
    [[nodiscard]] static base::Result<Value, ErrorCode> read(ByteReader& in) { return decode_uleb128(in); }
};

struct SlebValue {
    using Value = std::int64_t;
    static void write(ByteWriter& out, Value v) { encode_sleb128(out, v); }
    [[nodiscard]] static base::Result<Value, ErrorCode> read(ByteReader& in) { return decode_sleb128(in); }
};

// A length-prefixed string, kept byte for byte (invalid UTF-8 included) so it re-encodes identically.
struct StringValue {
    using Value = std::string;
    static void write(ByteWriter& out, Value const& v);
    [[nodiscard]] static base::Result<Value, ErrorCode> read(ByteReader& in);
};

template <class Codec> class RleEncoder {
public:
    using Value = typename Codec::Value;

    void append(Value const& value);
    void append_null();
    void append(std::optional<Value> const& value) { value ? append(*value) : append_null(); }

    // The column bytes; empty if nothing but nulls was appended.
    [[nodiscard]] std::vector<std::uint8_t> finish() &&;

private:
    enum class State : std::uint8_t { Empty, Nulls, Run, Literal };
    void flush();
    void start_literal(Value const& value);

    ByteWriter m_out;
    State m_state { State::Empty };
    std::uint64_t m_count { 0 }; // nulls, repeats in a run, or values in a literal
    Value m_last {}; // Run: the repeated value; Literal: the latest value
    // A literal's values already encoded, and where the latest one starts, so that a repeat can
    // take it back out and start a run with it.
    ByteWriter m_literal;
    std::size_t m_last_at { 0 };
};

template <class Codec> class RleDecoder {
public:
    using Value = typename Codec::Value;

    // An empty column stands for a column of nulls as long as the table.
    explicit RleDecoder(Bytes column) noexcept
        : m_in(column)
        , m_all_null(column.empty())
    {
    }

    // The next value, nullopt for null; a non-empty column that has run out is an error.
    [[nodiscard]] base::Result<std::optional<Value>, ErrorCode> next();
    // True once a non-empty column is used up (an empty one is always done).
    [[nodiscard]] bool done() const noexcept { return m_all_null || (m_left == 0 && m_in.empty()); }

private:
    [[nodiscard]] base::Result<void, ErrorCode> start_run();

    ByteReader m_in;
    bool m_all_null { false };
    enum class Kind : std::uint8_t { Run, Literal, Nulls } m_kind { Kind::Run };
    std::uint64_t m_left { 0 };
    Value m_value {};
};

template <class Codec> void RleEncoder<Codec>::flush()
{
    switch (m_state) {
    case State::Empty:
        return;
    case State::Nulls:
        encode_sleb128(m_out, 0);
        encode_uleb128(m_out, m_count);
        break;
    case State::Run:
        encode_sleb128(m_out, static_cast<std::int64_t>(m_count));
        Codec::write(m_out, m_last);
        break;
    case State::Literal:
        encode_sleb128(m_out, -static_cast<std::int64_t>(m_count));
        m_out.append(m_literal.bytes());
        m_literal.truncate(0);
        break;
    }
    m_count = 0;
    m_state = State::Empty;
}

template <class Codec> void RleEncoder<Codec>::start_literal(Value const& value)
{
    m_state = State::Literal;
    m_count = 1;
    m_last = value;
    m_last_at = 0;
    Codec::write(m_literal, value);
}

template <class Codec> void RleEncoder<Codec>::append(Value const& value)
{
    if (m_state == State::Run && m_last == value) {
        ++m_count;
        return;
    }
    if (m_state == State::Literal && m_last == value) {
        // The repeat turns the literal's latest value into the start of a run.
        m_literal.truncate(m_last_at);
        if (--m_count > 0)
            flush();
        m_state = State::Run;
        m_count = 2;
        return;
    }
    if (m_state == State::Literal) {
        m_last = value;
        m_last_at = m_literal.size();
        Codec::write(m_literal, value);
        ++m_count;
        return;
    }
    flush();
    start_literal(value);
}

template <class Codec> void RleEncoder<Codec>::append_null()
{
    if (m_state != State::Nulls) {
        flush();
        m_state = State::Nulls;
    }
    ++m_count;
}

template <class Codec> std::vector<std::uint8_t> RleEncoder<Codec>::finish() &&
{
    // Nulls alone are left out: readers take an empty column as all nulls.
    if (!(m_state == State::Nulls && m_out.empty()))
        flush();
    return m_out.take();
}

template <class Codec> base::Result<void, ErrorCode> RleDecoder<Codec>::start_run()
{
    std::int64_t const count = TRY(decode_sleb128(m_in));
    if (count > 0) {
        m_kind = Kind::Run;
        m_left = static_cast<std::uint64_t>(count);
        m_value = TRY(Codec::read(m_in));
    } else if (count < 0) {
        m_kind = Kind::Literal;
        m_left = 0 - static_cast<std::uint64_t>(count);
    } else {
        m_kind = Kind::Nulls;
        m_left = TRY(decode_uleb128(m_in));
        // A run of no nulls says nothing and no writer produces it.
        if (m_left == 0)
            return base::unexpected(ErrorCode::BadColumnData);
    }
    return {};
}

template <class Codec> base::Result<std::optional<typename Codec::Value>, ErrorCode> RleDecoder<Codec>::next()
{
    if (m_all_null)
        return std::optional<Value> {};
    if (m_left == 0) {
        if (m_in.empty())
            return base::unexpected(ErrorCode::ColumnLengthMismatch);
        auto started = start_run();
        if (!started)
            return base::unexpected(
                started.error() == ErrorCode::Truncated ? ErrorCode::BadColumnData : started.error());
    }
    --m_left;
    switch (m_kind) {
    case Kind::Run:
        return std::optional<Value> { m_value };
    case Kind::Nulls:
        return std::optional<Value> {};
    case Kind::Literal:
        break;
    }
    auto value = Codec::read(m_in);
    if (!value)
        return base::unexpected(
            value.error() == ErrorCode::Truncated ? ErrorCode::BadColumnData : value.error());
    return std::optional<Value> { std::move(value).value() };
}

} // namespace automerge
