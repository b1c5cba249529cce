// The workspace document kept in one file that survives crashes, power loss and a full disk.
//
// Every committed change is appended to the file and flushed to the disk before the write that
// made it returns. From time to time, and at close, the file is rewritten as one full save so that
// opening it stays proportional to the content rather than to the history of appends. A file
// whose end is damaged opens with everything before the damage, and its original bytes are kept
// beside it. One process at a time holds the file, through a lock file next to it.
#pragma once

#include <automerge/document.h>
#include <base/result.h>
#include <vrel_paths/paths.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vrel_ui {

struct PersistOptions {
    // Names the older location, $XDG_CONFIG_HOME/<application_id>/, that open_migrating moves a
    // file from.
    std::string application_id;
    // One-line status texts for the user (a damaged end kept aside, a failing disk); may be empty.
    std::function<void(std::string_view)> report;
    // Bytes appended since the last full save after which the file is rewritten whole; the size of
    // that full save raises the bar, so rewrites stay rare as the document grows.
    std::size_t compact_after_bytes { std::size_t { 1 } << 20 };
    // Where the older location is looked up; tests hand their own.
    vrel_paths::Env env { vrel_paths::process_env };
    vrel_paths::AccountHome account_home { vrel_paths::passwd_home };
};

struct PersistError {
    enum class Kind : std::uint8_t {
        AlreadyOpen, // another process (or this one) holds the file
        OpenFailed, // the file or its directory could not be created, read, locked or migrated
        WriteFailed, // an append or a rewrite did not reach the disk
    };
    Kind kind { Kind::OpenFailed };
    std::string message; // one line, naming the path
    friend bool operator==(PersistError const&, PersistError const&) = default;
};

class PersistedDocument {
public:
    struct State;
    explicit PersistedDocument(std::unique_ptr<State> state);
    // Commits an open transaction, writes what is not on disk yet, rewrites the file whole when
    // anything was appended, and releases the lock. Failures go to the report callback.
    ~PersistedDocument();
    PersistedDocument(PersistedDocument const&) = delete;
    PersistedDocument& operator=(PersistedDocument const&) = delete;

    // In CommitMode::Auto, with a new actor for every open.
    // NOTE: Its changes are persisted through its commit listener: do not replace the listener or
    // assign another document to it.
    [[nodiscard]] automerge::Document& document();
    [[nodiscard]] automerge::Document const& document() const;

    // None when the document lives in memory only.
    [[nodiscard]] std::optional<std::filesystem::path> const& path() const;
    // Where open kept the original bytes of a file it could not read whole.
    [[nodiscard]] std::optional<std::filesystem::path> const& damaged_copy() const;
    // The last write failure, until a write succeeds again. The changes stay in the document and
    // are written at the next commit, compact() or close.
    [[nodiscard]] std::optional<PersistError> const& last_error() const;

    // Rewrites the file as one full save (a temporary file renamed over it).
    [[nodiscard]] base::Result<void, PersistError> compact();

private:
    std::unique_ptr<State> m_state;
};

namespace persist {

// A document in memory only: nothing is read or written.
[[nodiscard]] base::Result<std::unique_ptr<PersistedDocument>, PersistError> open(
    PersistOptions const& options);

// Opens or creates `file` and its parent directories. When `file` does not exist but a file of the
// same name does in the older location, that one is moved over first; if moving fails, the open
// fails and the older file stays where it was.
[[nodiscard]] base::Result<std::unique_ptr<PersistedDocument>, PersistError> open_migrating(
    PersistOptions const& options, std::filesystem::path file);

} // namespace persist

} // namespace vrel_ui
