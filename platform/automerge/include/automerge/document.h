// A collaboratively edited document: a root map of nested maps, lists, text and scalars, with the
// full history of changes that made it.
//
// Local writes go into a pending change (the transaction) and become visible to reads at once. In
// CommitMode::Auto every write is committed as its own change unless a transaction has been opened
// with begin_transaction(); in CommitMode::Manual writes accumulate until commit().
//
// Indices into lists count visible elements. Text positions count Unicode scalars: splices insert
// one element per scalar.
#pragma once

#include <automerge/change.h>
#include <automerge/errors.h>
#include <automerge/value.h>
#include <base/result.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace automerge {

struct DocumentState;

enum class CommitMode : std::uint8_t {
    Auto, // each write is its own change, unless a transaction is open
    Manual, // writes accumulate until commit()
};

// What load does with an unfinished chunk after the last whole one, such as an append cut short
// by a crash. Bytes that are not a chunk at all are always an error.
enum class PartialTail : std::uint8_t {
    Reject,
    Ignore, // load the whole chunks before it
};

// 16 random bytes.
[[nodiscard]] ActorId random_actor();

class Document {
public:
    explicit Document(CommitMode mode = CommitMode::Auto);
    explicit Document(ActorId actor, CommitMode mode = CommitMode::Auto);
    ~Document();
    Document(Document&&) noexcept;
    Document& operator=(Document&&) noexcept;
    // NOTE: A moved-from document may only be assigned to or destroyed.
    // A copy would write with the same actor as its original; fork() makes one with its own.
    Document(Document const&) = delete;
    Document& operator=(Document const&) = delete;

    [[nodiscard]] ActorId const& actor() const;
    [[nodiscard]] CommitMode commit_mode() const;

    // Reads. A missing object, key or index, or a map read of a list (and the reverse), reads as
    // nothing. Pending writes are visible.
    [[nodiscard]] std::optional<ObjType> object_type(ObjId const& obj) const;
    // The winning value: of the concurrent values, the one set by the greatest op id.
    [[nodiscard]] std::optional<Value> get(ObjId const& obj, std::string_view key) const;
    [[nodiscard]] std::optional<Value> get(ObjId const& obj, std::size_t index) const;
    // Every concurrent value, by ascending op id (so the winner is last).
    [[nodiscard]] std::vector<Conflict> get_all(ObjId const& obj, std::string_view key) const;
    [[nodiscard]] std::vector<Conflict> get_all(ObjId const& obj, std::size_t index) const;
    // Map keys in ascending byte order.
    [[nodiscard]] std::vector<std::string> keys(ObjId const& obj) const;
    // The winning values of a map in key order, or of a list in list order.
    [[nodiscard]] std::vector<Value> values(ObjId const& obj) const;
    // Keys of a map, elements of a list, scalars of a text.
    [[nodiscard]] std::size_t length(ObjId const& obj) const;
    // A text (or list) as UTF-8; elements that are not strings read as U+FFFC.
    [[nodiscard]] std::string text(ObjId const& obj) const;

    // Writes, each into the pending change. A failed write changes nothing.
    [[nodiscard]] base::Result<void, DocError> put(ObjId const& map, std::string_view key, ScalarValue value);
    [[nodiscard]] base::Result<void, DocError> put(ObjId const& list, std::size_t index, ScalarValue value);
    [[nodiscard]] base::Result<ObjId, DocError> put_object(
        ObjId const& map, std::string_view key, ObjType type);
    [[nodiscard]] base::Result<ObjId, DocError> put_object(
        ObjId const& list, std::size_t index, ObjType type);
    // Inserts before the element at `index`; index == length appends.
    [[nodiscard]] base::Result<void, DocError> insert(
        ObjId const& list, std::size_t index, ScalarValue value);
    [[nodiscard]] base::Result<ObjId, DocError> insert_object(
        ObjId const& list, std::size_t index, ObjType type);
    // Deleting a key that is not there does nothing.
    [[nodiscard]] base::Result<void, DocError> delete_key(ObjId const& map, std::string_view key);
    [[nodiscard]] base::Result<void, DocError> delete_element(ObjId const& list, std::size_t index);
    [[nodiscard]] base::Result<void, DocError> increment(
        ObjId const& map, std::string_view key, std::int64_t by);
    [[nodiscard]] base::Result<void, DocError> increment(
        ObjId const& list, std::size_t index, std::int64_t by);
    // At scalar position `pos`, deletes `del` scalars and inserts `insert` (UTF-8).
    [[nodiscard]] base::Result<void, DocError> splice_text(
        ObjId const& text, std::size_t pos, std::size_t del, std::string_view insert);
    // Turns the text into `new_text` with the smallest single splice; nothing when they are equal.
    [[nodiscard]] base::Result<void, DocError> splice_text_diffed(
        ObjId const& text, std::string_view new_text);

    // Transactions. In Auto mode, begin_transaction() holds writes until commit() or rollback().
    void begin_transaction();
    [[nodiscard]] bool in_transaction() const;
    [[nodiscard]] std::size_t pending_ops() const;
    // The new change's hash, or nullopt when nothing was pending. `time` is in milliseconds since
    // the Unix epoch and defaults to now.
    std::optional<ChangeHash> commit(
        std::optional<std::string> message = {}, std::optional<std::int64_t> time = {});
    // Discards the pending writes; returns how many ops were dropped.
    std::size_t rollback();

    // History. Pending writes belong to no change until committed. The operations below that take
    // changes in (apply_changes, merge) commit the pending change first.
    [[nodiscard]] std::vector<ChangeHash> heads() const; // sorted
    // The changes that are not `since` or their ancestors, deps before dependents.
    [[nodiscard]] std::vector<Change> get_changes(std::span<ChangeHash const> since = {}) const;
    // The changes `other` has and this document lacks, deps before dependents.
    [[nodiscard]] std::vector<Change> get_changes_added(Document const& other) const;
    [[nodiscard]] std::optional<Change> get_change(ChangeHash const& hash) const;
    [[nodiscard]] std::optional<Change> get_last_local_change() const;
    // Hashes that changes waiting in the queue depend on but that have not arrived.
    [[nodiscard]] std::vector<ChangeHash> missing_deps() const;

    // Applies changes in causal order: a change whose deps are missing waits until they arrive,
    // one already known is ignored. A change that cannot be applied is dropped and the rest still
    // apply; the error names the first such change.
    [[nodiscard]] base::Result<void, ApplyError> apply_changes(std::vector<Change> changes);
    [[nodiscard]] base::Result<void, ApplyError> merge(Document const& other);
    // A copy of the committed state that writes as a new actor.
    [[nodiscard]] Document fork() const;
    [[nodiscard]] Document fork(ActorId actor) const;

    // Called once an operation has added changes to the history: the commit of an Auto-mode write
    // or of commit(), the commit apply_changes, merge, save and save_incremental make of pending
    // writes, and the changes apply_changes, merge and load_incremental bring in. It runs when the
    // document is consistent (save and save_incremental call it right after their commit, before
    // saving), so it may read the document and call save_incremental(); changes made by writes
    // inside it are reported once it returns. An empty function removes it; fork() does not copy it.
    void set_commit_listener(std::function<void()> listener);

    // Storage. save() writes one document chunk holding the whole history (plus, as change chunks,
    // changes still waiting for their deps); save_incremental() writes the changes since the last
    // save or load as change chunks, to append to what was saved. Both commit the pending change.
    [[nodiscard]] std::vector<std::uint8_t> save();
    [[nodiscard]] std::vector<std::uint8_t> save_incremental();
    // Reads any concatenation of document and change chunks.
    [[nodiscard]] static base::Result<Document, LoadError> load(std::span<std::uint8_t const> bytes,
        CommitMode mode = CommitMode::Auto, PartialTail tail = PartialTail::Reject);
    [[nodiscard]] static base::Result<Document, LoadError> load(std::span<std::uint8_t const> bytes,
        ActorId actor, CommitMode mode = CommitMode::Auto, PartialTail tail = PartialTail::Reject);
    // Applies the changes in the chunks, as apply_changes does.
    [[nodiscard]] base::Result<void, LoadError> load_incremental(
        std::span<std::uint8_t const> bytes, PartialTail tail = PartialTail::Reject);

private:
    explicit Document(std::unique_ptr<DocumentState> state);

    std::unique_ptr<DocumentState> m_state;
};

} // namespace automerge
