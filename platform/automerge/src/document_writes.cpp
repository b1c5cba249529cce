// Document's writes: each builds its ops, then lets Auto mode commit them as one change.

#include "document_state.h"
#include "local_ops.h"
#include "object_reads.h"
#include "stored_op.h"
#include "text_diff.h"
#include "utf8.h"

namespace automerge {

namespace {

// Runs one write and, in Auto mode, commits what it added.
template <class F> auto written(DocumentState& state, F&& write)
{
    auto result = write();
    finish_write(state);
    report_commits(state);
    return result;
}

base::Result<void, DocError> discard_id(base::Result<OpId, DocError> const& result)
{
    if (!result)
        return base::unexpected(result.error());
    return {};
}

base::Result<ObjId, DocError> exported(DocumentState const& state, base::Result<OpId, DocError> const& result)
{
    if (!result)
        return base::unexpected(result.error());
    return state.ops.export_id(*result);
}

} // namespace

base::Result<void, DocError> Document::put(ObjId const& map, std::string_view key, ScalarValue value)
{
    return written(
        *m_state, [&] { return discard_id(put_in_map(*m_state, map, key, Action::Set, std::move(value))); });
}

base::Result<void, DocError> Document::put(ObjId const& list, std::size_t index, ScalarValue value)
{
    return written(*m_state,
        [&] { return discard_id(put_in_list(*m_state, list, index, Action::Set, std::move(value))); });
}

base::Result<ObjId, DocError> Document::put_object(ObjId const& map, std::string_view key, ObjType type)
{
    return written(*m_state,
        [&] { return exported(*m_state, put_in_map(*m_state, map, key, make_action(type), Null {})); });
}

base::Result<ObjId, DocError> Document::put_object(ObjId const& list, std::size_t index, ObjType type)
{
    return written(*m_state,
        [&] { return exported(*m_state, put_in_list(*m_state, list, index, make_action(type), Null {})); });
}

base::Result<void, DocError> Document::insert(ObjId const& list, std::size_t index, ScalarValue value)
{
    return written(*m_state,
        [&] { return discard_id(insert_in_list(*m_state, list, index, Action::Set, std::move(value))); });
}

base::Result<ObjId, DocError> Document::insert_object(ObjId const& list, std::size_t index, ObjType type)
{
    return written(*m_state, [&] {
        return exported(*m_state, insert_in_list(*m_state, list, index, make_action(type), Null {}));
    });
}

base::Result<void, DocError> Document::delete_key(ObjId const& map, std::string_view key)
{
    return written(*m_state, [&] { return delete_in_map(*m_state, map, key); });
}

base::Result<void, DocError> Document::delete_element(ObjId const& list, std::size_t index)
{
    return written(*m_state, [&] { return delete_in_list(*m_state, list, index); });
}

base::Result<void, DocError> Document::increment(ObjId const& map, std::string_view key, std::int64_t by)
{
    return written(*m_state, [&] { return increment_in_map(*m_state, map, key, by); });
}

base::Result<void, DocError> Document::increment(ObjId const& list, std::size_t index, std::int64_t by)
{
    return written(*m_state, [&] { return increment_in_list(*m_state, list, index, by); });
}

base::Result<void, DocError> Document::splice_text(
    ObjId const& text, std::size_t pos, std::size_t del, std::string_view insert)
{
    auto const scalars = split_scalars(insert);
    if (!scalars)
        return base::unexpected(DocError::InvalidUtf8);
    return written(*m_state, [&] { return splice_elements(*m_state, text, pos, del, *scalars); });
}

base::Result<void, DocError> Document::splice_text_diffed(ObjId const& text, std::string_view new_text)
{
    auto const scalars = split_scalars(new_text);
    if (!scalars)
        return base::unexpected(DocError::InvalidUtf8);
    auto const target = TRY(resolve_text(*m_state, text));
    // Diff against the elements rather than the text, so an element holding several scalars
    // (written elsewhere) is replaced rather than miscounted.
    auto const old_elements = text_elements(*target.obj);
    std::vector<std::string_view> const old_views(old_elements.begin(), old_elements.end());
    auto const splice = smallest_splice(old_views, *scalars);
    if (!splice)
        return {};
    auto const inserted = std::span(*scalars).subspan(splice->pos, splice->insert_count);
    return written(
        *m_state, [&] { return splice_elements(*m_state, text, splice->pos, splice->del, inserted); });
}

} // namespace automerge
