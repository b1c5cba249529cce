// The persisted workspace document: opening with recovery, appending each commit, compaction.
//
// The file is a full save followed by the change chunks of every commit since, each appended and
// flushed before the write that made it returns. What is on disk is tracked by the heads it
// covers, not by the document's own save point, so that a failed append is simply retried with
// everything since the last durable point, whatever else called save().
#include "persist_io.h"
#include "persist_lock.h"
#include "persist_migrate.h"
#include "persist_recover.h"

#include <vrel_ui/persist.h>

#include <automerge/chunk.h>

#include <fcntl.h>

#include <algorithm>
#include <ctime>

namespace vrel_ui {

struct PersistedDocument::State {
    enum class Failing : std::uint8_t { Nothing, Append, Compaction };

    PersistOptions options;
    automerge::Document document;
    std::optional<persist::Path> path;
    std::optional<persist::Path> damaged_copy;
    std::optional<PersistError> last_error;
    Failing failing { Failing::Nothing };
    // Declared before `file` so that the lock is released last.
    persist::Fd lock;
    persist::Fd file;
    std::uint64_t durable_size {}; // the file up to here is on disk
    std::vector<automerge::ChangeHash> durable_heads; // what the durable part of the file holds
    std::uint64_t full_save_size {};
    std::uint64_t appended_since_full {};
    std::uint64_t next_compaction_retry {}; // after a failed compaction, appended bytes to wait for
    bool compacting {}; // the full save covers what the listener would append

    void report(std::string_view text) const
    {
        if (options.report)
            options.report(text);
    }
};

namespace persist {

namespace {

using State = PersistedDocument::State;

Path temporary_path(Path const& file) { return file.string() + ".tmp"; }

PersistError write_error(IoError const& error)
{
    return { PersistError::Kind::WriteFailed,
        describe(error) + "; the changes are kept in memory and saving will be retried" };
}

// Remembers a failure and reports it once, until the same kind of write succeeds again.
void note(State& state, State::Failing what, base::Result<void, IoError> const& result)
{
    if (!result) {
        bool const first = state.failing == State::Failing::Nothing;
        state.last_error = write_error(result.error());
        state.failing = what;
        if (first)
            state.report(state.last_error->message);
        return;
    }
    // A full save makes everything durable; an append says nothing about compaction.
    bool const cleared = state.failing == what || what == State::Failing::Compaction;
    if (state.failing != State::Failing::Nothing && cleared) {
        state.failing = State::Failing::Nothing;
        state.last_error.reset();
        state.report("Saving to " + state.path->string() + " works again.");
    }
}

// Appends the changes since the last durable point and flushes them.
base::Result<void, IoError> append_pending(State& state)
{
    auto heads = state.document.heads();
    if (heads == state.durable_heads)
        return {};
    std::vector<std::uint8_t> bytes;
    // Usually the one new change is a local commit on top of the durable heads; finding the new
    // changes in general walks the whole history, which is too slow to do per message.
    auto const last = state.document.get_last_local_change();
    if (heads.size() == 1 && last && last->deps == state.durable_heads) {
        bytes = automerge::encode_change(*last);
    } else {
        for (automerge::Change const& change : state.document.get_changes(state.durable_heads)) {
            auto const chunk = automerge::encode_change(change);
            bytes.insert(bytes.end(), chunk.begin(), chunk.end());
        }
    }
    // Written at the durable end, not the file's end: what a failed attempt left there is part of
    // these same bytes, which are at least as long, so the retry overwrites it whole.
    TRY(write_at(state.file, *state.path, bytes, off_t(state.durable_size)));
    TRY(sync_data(state.file, *state.path));
    state.durable_size += bytes.size();
    state.appended_since_full += bytes.size();
    state.durable_heads = std::move(heads);
    return {};
}

// A full save written beside the file, flushed, renamed over it, and the rename flushed.
base::Result<void, IoError> rewrite(State& state)
{
    state.compacting = true;
    auto const bytes = state.document.save();
    state.compacting = false;
    auto heads = state.document.heads();
    Path const temporary = temporary_path(*state.path);
    auto fd = TRY(write_new_file(temporary, bytes, Replace::Yes));
    if (auto renamed = rename_file(temporary, *state.path); !renamed) {
        (void)remove_file(temporary);
        return renamed;
    }
    // The path names the new file now, whether or not the directory flush below succeeds.
    state.file = std::move(fd);
    state.durable_size = bytes.size();
    state.durable_heads = std::move(heads);
    state.full_save_size = bytes.size();
    state.appended_since_full = 0;
    state.next_compaction_retry = 0;
    return sync_directory(directory_of(*state.path));
}

base::Result<void, IoError> compact_now(State& state)
{
    auto result = rewrite(state);
    note(state, State::Failing::Compaction, result);
    if (!result)
        state.next_compaction_retry = state.appended_since_full + state.options.compact_after_bytes;
    return result;
}

bool wants_compaction(State const& state)
{
    std::uint64_t const bar
        = std::max<std::uint64_t>(state.options.compact_after_bytes, state.full_save_size);
    return state.appended_since_full > bar && state.appended_since_full >= state.next_compaction_retry;
}

void on_commit(State& state)
{
    if (state.compacting)
        return;
    note(state, State::Failing::Append, append_pending(state));
    if (wants_compaction(state))
        (void)compact_now(state);
}

void close_file(State& state)
{
    (void)state.document.commit();
    state.document.set_commit_listener({});
    bool const behind = state.document.heads() != state.durable_heads;
    if (state.appended_since_full == 0 && !behind)
        return;
    if (auto const compacted = rewrite(state); !compacted) {
        state.report(describe(compacted.error()));
        if (auto const appended = append_pending(state); !appended)
            state.report(
                "Changes could not be saved to " + state.path->string() + ": " + describe(appended.error()));
    }
}

PersistError open_error(IoError const& error) { return { PersistError::Kind::OpenFailed, describe(error) }; }

// A copy of the whole file under a name no earlier copy has.
base::Result<Path, IoError> keep_copy(Path const& file, Bytes bytes)
{
    std::time_t const now = std::time(nullptr);
    for (int attempt = 1;; ++attempt) {
        Path const name = damaged_name(file, now, attempt);
        auto written = write_new_file(name, bytes, Replace::No);
        if (written) {
            TRY(sync_directory(directory_of(file)));
            return name;
        }
        if (written.error().code != EEXIST || attempt >= 1000)
            return base::unexpected(std::move(written).error());
    }
}

// Moves the file aside under a name no earlier copy has.
base::Result<Path, IoError> move_aside(Path const& file)
{
    std::time_t const now = std::time(nullptr);
    for (int attempt = 1;; ++attempt) {
        Path const name = damaged_name(file, now, attempt);
        auto moved = rename_no_replace(file, name);
        if (moved) {
            TRY(sync_directory(directory_of(file)));
            return name;
        }
        if (moved.error().code != EEXIST || attempt >= 1000)
            return base::unexpected(moved.error());
    }
}

std::string size_text(std::size_t bytes) { return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes"); }

// Keeps the original bytes aside and rewrites the file with what was recovered.
base::Result<void, PersistError> repair_tail(State& state, Recovered const& recovered, Bytes original)
{
    Path const& file = *state.path;
    auto const copy = keep_copy(file, original);
    if (!copy)
        return base::unexpected(open_error(copy.error()));
    state.damaged_copy = *copy;
    state.report("The end of " + file.string() + " was damaged (" + recovered.why + "): the first "
        + size_text(recovered.kept_bytes) + " of " + size_text(original.size())
        + " were kept, the original is in " + copy->string() + ".");
    if (rewrite(state))
        return {};
    // A disk too full for a rewrite still allows cutting the damage off. The whole history is
    // appended again after it, which loading ignores as known changes.
    auto cut = truncate_to(state.file, file, off_t(recovered.kept_bytes));
    if (cut)
        cut = sync_data(state.file, file);
    if (!cut)
        return base::unexpected(open_error(cut.error()));
    state.durable_size = recovered.kept_bytes;
    state.durable_heads.clear();
    note(state, State::Failing::Append, append_pending(state));
    return {};
}

base::Result<void, PersistError> replace_foreign(State& state, Recovered const& recovered)
{
    Path const& file = *state.path;
    state.file = {};
    auto const moved = move_aside(file);
    if (!moved)
        return base::unexpected(open_error(moved.error()));
    state.damaged_copy = *moved;
    auto fd = open_file(file, O_RDWR | O_CREAT | O_EXCL);
    if (!fd)
        return base::unexpected(open_error(fd.error()));
    state.file = std::move(fd).value();
    state.report(file.string() + " is not a workspace file (" + recovered.why + "); it was moved to "
        + moved->string() + " and an empty workspace was started.");
    return {};
}

base::Result<void, PersistError> load_file(State& state)
{
    Path const& file = *state.path;
    auto fd = open_file(file, O_RDWR | O_CREAT);
    if (!fd)
        return base::unexpected(open_error(fd.error()));
    state.file = std::move(fd).value();
    // The file may have just been created; its name must be durable before any append is.
    if (auto const synced = sync_directory(directory_of(file)); !synced)
        return base::unexpected(open_error(synced.error()));
    auto const bytes = read_all(state.file, file);
    if (!bytes)
        return base::unexpected(open_error(bytes.error()));
    Recovered recovered = recover(*bytes);
    state.document = std::move(recovered.document);
    state.durable_heads = state.document.heads();
    state.durable_size = recovered.kept_bytes;
    state.full_save_size = recovered.full_save_bytes;
    state.appended_since_full = recovered.kept_bytes - recovered.full_save_bytes;
    switch (recovered.damage) {
    case Damage::None:
        return {};
    case Damage::Tail:
        return repair_tail(state, recovered, *bytes);
    case Damage::NotAutomerge:
        return replace_foreign(state, recovered);
    }
    return {};
}

} // namespace

} // namespace persist

PersistedDocument::PersistedDocument(std::unique_ptr<State> state)
    : m_state(std::move(state))
{
}

PersistedDocument::~PersistedDocument()
{
    if (m_state->path)
        persist::close_file(*m_state);
}

automerge::Document& PersistedDocument::document() { return m_state->document; }
automerge::Document const& PersistedDocument::document() const { return m_state->document; }
std::optional<std::filesystem::path> const& PersistedDocument::path() const { return m_state->path; }
std::optional<std::filesystem::path> const& PersistedDocument::damaged_copy() const
{
    return m_state->damaged_copy;
}
std::optional<PersistError> const& PersistedDocument::last_error() const { return m_state->last_error; }

base::Result<void, PersistError> PersistedDocument::compact()
{
    if (!m_state->path)
        return {};
    if (auto const result = persist::compact_now(*m_state); !result)
        return base::unexpected(persist::write_error(result.error()));
    return {};
}

namespace persist {

base::Result<std::unique_ptr<PersistedDocument>, PersistError> open(PersistOptions const& options)
{
    auto state = std::make_unique<PersistedDocument::State>();
    state->options = options;
    return std::make_unique<PersistedDocument>(std::move(state));
}

base::Result<std::unique_ptr<PersistedDocument>, PersistError> open_migrating(
    PersistOptions const& options, std::filesystem::path file)
{
    auto state = std::make_unique<PersistedDocument::State>();
    state->options = options;
    state->path = file;
    if (auto const made = make_directories(directory_of(file)); !made)
        return base::unexpected(open_error(made.error()));
    state->lock = TRY(take_lock(file));
    // A rewrite cut short by a crash leaves its temporary file; the lock says nobody is writing it.
    (void)remove_file(temporary_path(file));
    if (auto const moved = TRY(migrate(options, file)))
        state->report("Moved " + moved->string() + " to " + file.string() + ".");
    TRY(load_file(*state));
    if (wants_compaction(*state))
        (void)compact_now(*state);
    State* raw = state.get();
    state->document.set_commit_listener([raw] { on_commit(*raw); });
    return std::make_unique<PersistedDocument>(std::move(state));
}

} // namespace persist

} // namespace vrel_ui
