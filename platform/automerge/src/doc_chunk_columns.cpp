#include "doc_chunk_columns.h"

#include "delta_column.h"
#include "rle.h"
#include "value_column.h"

#include <string>

namespace automerge {

namespace {

CodecError column_error(ErrorCode code, char const* name)
{
    return CodecError { code, std::string("change column '") + name + "'" };
}

template <class T> base::Result<T, CodecError> in_column(base::Result<T, ErrorCode> result, char const* name)
{
    if (!result)
        return base::unexpected(column_error(result.error(), name));
    return std::move(result).value();
}

// The next value of a delta column, which must be present and not negative.
base::Result<std::uint64_t, CodecError> required(DeltaDecoder& column, char const* name)
{
    std::optional<std::int64_t> const value = TRY(in_column(column.next(), name));
    if (!value || *value < 0)
        return base::unexpected(column_error(ErrorCode::MissingValue, name));
    return static_cast<std::uint64_t>(*value);
}

class ChangeRowDecoder {
public:
    explicit ChangeRowDecoder(ColumnSet const& columns)
        : m_actor(columns.find(change_column::actor))
        , m_deps_group(columns.find(change_column::deps_group))
        , m_seq(columns.find(change_column::seq))
        , m_max_op(columns.find(change_column::max_op))
        , m_time(columns.find(change_column::time))
        , m_deps_index(columns.find(change_column::deps_index))
        , m_message(columns.find(change_column::message))
        , m_extra(columns.find(change_column::extra_metadata), columns.find(change_column::extra))
    {
    }

    [[nodiscard]] bool has_next() const noexcept { return !m_actor.done(); }

    [[nodiscard]] base::Result<DocumentChange, CodecError> next(
        std::size_t actor_count, std::uint64_t& deps_budget)
    {
        DocumentChange change;
        auto const actor = TRY(in_column(m_actor.next(), "actor"));
        if (!actor || *actor >= actor_count)
            return base::unexpected(column_error(ErrorCode::BadActorIndex, "actor"));
        change.actor = static_cast<std::uint32_t>(*actor);
        change.seq = TRY(required(m_seq, "seq"));
        change.max_op = TRY(required(m_max_op, "max op"));
        change.time = TRY(in_column(m_time.next(), "time")).value_or(0);
        change.message = TRY(in_column(m_message.next(), "message"));
        std::uint64_t const deps = TRY(in_column(m_deps_group.next(), "dependencies")).value_or(0);
        if (deps > deps_budget)
            return base::unexpected(column_error(ErrorCode::TooManyRows, "dependencies"));
        deps_budget -= deps;
        for (std::uint64_t i = 0; i < deps; ++i)
            change.deps.push_back(TRY(required(m_deps_index, "dependencies")));
        ScalarValue const extra = TRY(in_column(m_extra.next(), "extra"));
        if (auto const* bytes = std::get_if<std::vector<std::uint8_t>>(&extra))
            change.extra_bytes = *bytes;
        else if (!std::holds_alternative<Null>(extra))
            return base::unexpected(column_error(ErrorCode::BadValueMetadata, "extra"));
        return change;
    }

    [[nodiscard]] base::Result<void, CodecError> finish() const
    {
        std::pair<bool, char const*> const checks[] = {
            { m_seq.done(), "seq" },
            { m_max_op.done(), "max op" },
            { m_time.done(), "time" },
            { m_message.done(), "message" },
            { m_deps_group.done(), "dependencies" },
            { m_deps_index.done(), "dependencies" },
            { m_extra.done(), "extra" },
        };
        for (auto const& [done, name] : checks) {
            if (!done)
                return base::unexpected(column_error(ErrorCode::ColumnLengthMismatch, name));
        }
        return {};
    }

private:
    RleDecoder<UlebValue> m_actor, m_deps_group;
    DeltaDecoder m_seq, m_max_op, m_time, m_deps_index;
    RleDecoder<StringValue> m_message;
    ValueDecoder m_extra;
};

} // namespace

base::Result<std::vector<DocumentChange>, CodecError> read_change_rows(
    ColumnSet const& columns, std::size_t actor_count, DecodeLimits const& limits)
{
    ChangeRowDecoder decoder { columns };
    std::uint64_t deps_budget = limits.max_rows;
    std::vector<DocumentChange> changes;
    while (decoder.has_next()) {
        if (changes.size() >= limits.max_rows)
            return base::unexpected(CodecError { ErrorCode::TooManyRows, "changes" });
        changes.push_back(TRY(decoder.next(actor_count, deps_budget)));
    }
    TRY(decoder.finish());
    for (DocumentChange const& change : changes) {
        for (std::uint64_t const dep : change.deps) {
            if (dep >= changes.size())
                return base::unexpected(
                    CodecError { ErrorCode::BadDependency, "index " + std::to_string(dep) });
        }
    }
    return changes;
}

} // namespace automerge
