// The persisted workspace document: appends, reopening, compaction, migration, recovery from
// damaged files, the lock, and write failures.

#include "persist_recover.h"

#include <vrel_ui/persist.h>

#include <automerge/chunk.h>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>

namespace {

namespace fs = std::filesystem;
using automerge::root_obj;
using vrel_ui::PersistError;
using vrel_ui::PersistOptions;
namespace persist = vrel_ui::persist;

using Bytes = std::vector<std::uint8_t>;

Bytes read_bytes(fs::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(fs::path const& path, Bytes const& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<char const*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes operator+(Bytes a, Bytes const& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes bytes_of(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::vector<std::string> names_in(fs::path const& dir)
{
    std::vector<std::string> names;
    for (auto const& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Persist : public testing::Test {
protected:
    Persist()
    {
        std::string pattern = (fs::temp_directory_path() / "persist-test-XXXXXX").string();
        VERIFY(::mkdtemp(pattern.data()) != nullptr);
        m_dir = pattern;
    }
    ~Persist() override
    {
        std::error_code ignored;
        fs::permissions(m_dir / "ro", fs::perms::owner_all, ignored);
        fs::remove_all(m_dir, ignored);
    }

    [[nodiscard]] fs::path const& dir() const { return m_dir; }
    [[nodiscard]] fs::path file() const { return m_dir / "data" / "workspace.automerge"; }

    // The older location is resolved from `env` alone, inside the test's directory.
    [[nodiscard]] PersistOptions options()
    {
        PersistOptions options;
        options.application_id = "vrel-test";
        options.report = [this](std::string_view text) { reports.emplace_back(text); };
        options.env = [this](char const* name) -> std::optional<std::string> {
            auto const it = env.find(name);
            return it == env.end() ? std::nullopt : std::optional(it->second);
        };
        options.account_home = {};
        return options;
    }

    [[nodiscard]] std::unique_ptr<vrel_ui::PersistedDocument> open_file(PersistOptions const& with)
    {
        auto opened = persist::open_migrating(with, file());
        VERIFY(opened.has_value());
        return std::move(opened).value();
    }
    [[nodiscard]] std::unique_ptr<vrel_ui::PersistedDocument> open_file() { return open_file(options()); }

    std::vector<std::string> reports;
    std::map<std::string, std::string> env;

private:
    fs::path m_dir;
};

void put_int(automerge::Document& doc, std::string const& key, std::int64_t value)
{
    ASSERT_TRUE(doc.put(root_obj, key, value));
}

std::vector<std::string> keys_of(vrel_ui::PersistedDocument const& persisted)
{
    return persisted.document().keys(root_obj);
}

TEST_F(Persist, WritesReachTheFileBeforeReturningAndReopenWithANewActor)
{
    automerge::ActorId first_actor;
    {
        auto const persisted = open_file();
        EXPECT_EQ(persisted->path(), file());
        std::uintmax_t size = fs::file_size(file());
        for (int i = 0; i < 5; ++i) {
            put_int(persisted->document(), "k" + std::to_string(i), i);
            std::uintmax_t const grown = fs::file_size(file());
            EXPECT_GT(grown, size) << "write " << i << " returned before its append";
            size = grown;
        }
        // Changes from elsewhere are appended too, and a local write on top of them.
        automerge::Document other;
        put_int(other, "m0", 0);
        put_int(other, "m1", 1);
        ASSERT_TRUE(persisted->document().merge(other));
        EXPECT_GT(fs::file_size(file()), size);
        put_int(persisted->document(), "k5", 5);
        first_actor = persisted->document().actor();
        EXPECT_EQ(
            automerge::Document::load(read_bytes(file())).value().heads(), persisted->document().heads());
    }
    auto const reopened = open_file();
    EXPECT_EQ(
        keys_of(*reopened), (std::vector<std::string> { "k0", "k1", "k2", "k3", "k4", "k5", "m0", "m1" }));
    EXPECT_EQ(reopened->document().get(root_obj, "k3"),
        automerge::Value { automerge::ScalarValue { std::int64_t { 3 } } });
    EXPECT_NE(reopened->document().actor(), first_actor);
    EXPECT_EQ(reopened->damaged_copy(), std::nullopt);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(names_in(file().parent_path()),
        (std::vector<std::string> { "workspace.automerge", "workspace.automerge.lock" }));
}

TEST_F(Persist, InMemoryOpenWritesNothing)
{
    env["XDG_CONFIG_HOME"] = (dir() / "config").string();
    auto const persisted = persist::open(options()).value();
    put_int(persisted->document(), "k", 1);
    EXPECT_TRUE(persisted->compact());
    EXPECT_EQ(persisted->path(), std::nullopt);
    EXPECT_EQ(persisted->last_error(), std::nullopt);
    EXPECT_TRUE(names_in(dir()).empty());
}

TEST_F(Persist, TransactionIsOneAppend)
{
    auto const persisted = open_file();
    auto& doc = persisted->document();
    put_int(doc, "before", 0);
    std::size_t const chunks_before = automerge::load_chunks(read_bytes(file())).chunks.size();
    std::uintmax_t const size_before = fs::file_size(file());
    doc.begin_transaction();
    put_int(doc, "a", 1);
    put_int(doc, "b", 2);
    put_int(doc, "c", 3);
    EXPECT_EQ(fs::file_size(file()), size_before);
    ASSERT_TRUE(doc.commit());
    auto const loaded = automerge::load_chunks(read_bytes(file()));
    ASSERT_EQ(loaded.chunks.size(), chunks_before + 1);
    ASSERT_EQ(loaded.chunks.back().changes.size(), 1u);
    EXPECT_EQ(loaded.chunks.back().changes[0].change.ops.size(), 3u);
}

TEST_F(Persist, CompactionKeepsContentShrinksTheFileAndLeavesNoTemporaryFile)
{
    auto const write_many = [](automerge::Document& doc) {
        for (int i = 0; i < 300; ++i)
            put_int(doc, "k" + std::to_string(i % 10), i);
    };
    auto rare = options();
    rare.compact_after_bytes = std::size_t { 1 } << 30;
    {
        auto const persisted = open_file(rare);
        write_many(persisted->document());
        std::uintmax_t const appended = fs::file_size(file());
        ASSERT_TRUE(persisted->compact());
        EXPECT_LT(fs::file_size(file()) * 4, appended);
        auto const loaded = automerge::load_chunks(read_bytes(file()));
        ASSERT_EQ(loaded.chunks.size(), 1u);
        EXPECT_EQ(loaded.chunks[0].type, automerge::ChunkType::Document);
        put_int(persisted->document(), "after", 1); // appends go to the new file
    }
    {
        auto const reopened = open_file(rare);
        EXPECT_EQ(reopened->document().length(root_obj), 11u);
        EXPECT_EQ(reopened->document().get(root_obj, "k9"),
            automerge::Value { automerge::ScalarValue { std::int64_t { 299 } } });
    }

    // With a small threshold the file is rewritten along the way, so what follows the full save
    // stays below the larger of the threshold and that save.
    fs::remove(file());
    auto often = options();
    often.compact_after_bytes = 2000;
    {
        auto const persisted = open_file(often);
        write_many(persisted->document());
        auto const loaded = automerge::load_chunks(read_bytes(file()));
        ASSERT_EQ(loaded.chunks.front().type, automerge::ChunkType::Document);
        std::size_t const full = loaded.chunks.front().size;
        EXPECT_LE(loaded.valid_bytes - full, std::max<std::size_t>(2000, full) + 200);
    }
    // Closing after appends leaves one full save.
    EXPECT_EQ(automerge::load_chunks(read_bytes(file())).chunks.size(), 1u);
    EXPECT_EQ(names_in(file().parent_path()),
        (std::vector<std::string> { "workspace.automerge", "workspace.automerge.lock" }));
    EXPECT_TRUE(reports.empty());
}

TEST_F(Persist, MigratesFromTheOlderLocation)
{
    struct Case {
        std::string_view name;
        std::map<std::string, std::string> env; // "@" stands for the test directory
        std::string older_dir;
    };
    Case const cases[] = {
        { "XDG_CONFIG_HOME", { { "XDG_CONFIG_HOME", "@/config" }, { "HOME", "@/home" } },
            "config/vrel-test" },
        { "HOME only", { { "HOME", "@/home" } }, "home/.config/vrel-test" },
        { "relative XDG_CONFIG_HOME is ignored", { { "XDG_CONFIG_HOME", "rel" }, { "HOME", "@/home" } },
            "home/.config/vrel-test" },
    };
    automerge::Document old_doc;
    put_int(old_doc, "old", 1);
    Bytes const old_bytes = old_doc.save();
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        env.clear();
        for (auto const& [name, value] : c.env)
            env[name] = value[0] == '@' ? dir().string() + value.substr(1) : value;
        fs::remove_all(file().parent_path());
        fs::path const older = dir() / c.older_dir / "workspace.automerge";
        write_bytes(older, old_bytes);
        reports.clear();
        {
            auto const persisted = open_file();
            EXPECT_EQ(keys_of(*persisted), std::vector<std::string> { "old" });
        }
        EXPECT_FALSE(fs::exists(older));
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find(older.string()), std::string::npos) << reports[0];
    }

    // An existing file wins and the older one is left alone.
    fs::path const older = dir() / "home/.config/vrel-test/workspace.automerge";
    write_bytes(older, old_bytes);
    {
        auto const persisted = open_file();
        put_int(persisted->document(), "new", 1);
    }
    EXPECT_EQ(read_bytes(older), old_bytes);
    EXPECT_EQ(keys_of(*open_file()), (std::vector<std::string> { "new", "old" }));
}

// A document chunk with k0, then one change chunk each for k1..k4; the ends of the chunks.
struct Layered {
    Bytes bytes;
    std::vector<std::size_t> ends;
    automerge::ActorId actor;
};

Layered layered_file()
{
    automerge::Document doc;
    put_int(doc, "k0", 0);
    Layered file { doc.save(), {}, doc.actor() };
    for (int i = 1; i < 5; ++i) {
        put_int(doc, "k" + std::to_string(i), i);
        file.bytes = file.bytes + doc.save_incremental();
    }
    for (auto const& chunk : automerge::load_chunks(file.bytes).chunks)
        file.ends.push_back(chunk.offset + chunk.size);
    return file;
}

std::vector<std::string> first_keys(int count)
{
    std::vector<std::string> keys;
    for (int i = 0; i < count; ++i)
        keys.push_back("k" + std::to_string(i));
    return keys;
}

TEST_F(Persist, DamagedTailIsDroppedAndTheOriginalKept)
{
    Layered const good = layered_file();
    ASSERT_EQ(good.ends.size(), 5u);
    auto const cut = [&](std::size_t at) { return Bytes(good.bytes.begin(), good.bytes.begin() + long(at)); };
    // A change by the same actor with seq 1 again: it decodes but cannot apply.
    automerge::Document impostor(good.actor);
    put_int(impostor, "impostor", 1);
    Bytes flipped = good.bytes;
    flipped[good.ends[3] + 20] ^= 0x40;

    struct Case {
        std::string_view name;
        Bytes bytes;
        int kept_keys;
    };
    Case const cases[] = {
        { "cut inside the first append's header", cut(good.ends[0] + 3), 1 },
        { "cut in the middle of the last append", cut((good.ends[3] + good.ends[4]) / 2), 4 },
        { "cut one byte short", cut(good.ends[4] - 1), 4 },
        { "garbage appended", good.bytes + bytes_of("not a chunk at all"), 5 },
        { "corrupt byte in the last append", flipped, 4 },
        { "change that does not apply", good.bytes + impostor.save_incremental(), 5 },
    };
    std::regex const copy_name(R"(workspace\.automerge\.damaged-\d{8}T\d{6}Z(-\d+)?)");
    std::set<fs::path> copies;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        write_bytes(file(), c.bytes);
        reports.clear();
        {
            auto const persisted = open_file();
            EXPECT_EQ(keys_of(*persisted), first_keys(c.kept_keys));
            ASSERT_TRUE(persisted->damaged_copy());
            fs::path const copy = *persisted->damaged_copy();
            EXPECT_TRUE(std::regex_match(copy.filename().string(), copy_name)) << copy;
            EXPECT_EQ(read_bytes(copy), c.bytes);
            EXPECT_TRUE(copies.insert(copy).second) << "an earlier copy was replaced";
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_NE(reports[0].find(copy.string()), std::string::npos) << reports[0];
            // Already rewritten: the damage is gone from the file itself.
            EXPECT_EQ(automerge::load_chunks(read_bytes(file())).tail, automerge::TailState::Complete);
            put_int(persisted->document(), "after", 1);
        }
        auto const reopened = open_file();
        EXPECT_EQ(reopened->damaged_copy(), std::nullopt);
        EXPECT_EQ(reopened->document().length(root_obj), std::size_t(c.kept_keys) + 1);
    }
}

TEST_F(Persist, FileThatIsNotAutomergeIsMovedAside)
{
    Layered const good = layered_file();
    struct Case {
        std::string_view name;
        Bytes bytes;
    };
    Case const cases[] = {
        { "text", bytes_of("{\"workspace\": \"json, not automerge\"}\n") },
        { "first chunk cut short", Bytes(good.bytes.begin(), good.bytes.begin() + 12) },
        { "one byte", { 0x85 } },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        write_bytes(file(), c.bytes);
        reports.clear();
        auto const persisted = open_file();
        EXPECT_TRUE(keys_of(*persisted).empty());
        ASSERT_TRUE(persisted->damaged_copy());
        EXPECT_EQ(read_bytes(*persisted->damaged_copy()), c.bytes);
        EXPECT_EQ(fs::file_size(file()), 0u);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find("not a workspace file"), std::string::npos) << reports[0];
    }

    // An empty file is simply an empty document.
    write_bytes(file(), {});
    reports.clear();
    auto const persisted = open_file();
    EXPECT_EQ(persisted->damaged_copy(), std::nullopt);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Persist, DamagedCopyNamesAreUtc)
{
    fs::path const file = "/d/workspace.automerge";
    std::time_t const at = 1781139661; // 2026-06-11 01:01:01 UTC
    EXPECT_EQ(persist::damaged_name(file, at, 1), "/d/workspace.automerge.damaged-20260611T010101Z");
    EXPECT_EQ(persist::damaged_name(file, at, 2), "/d/workspace.automerge.damaged-20260611T010101Z-2");
}

TEST_F(Persist, SecondOpenIsRefusedWhileTheFirstHoldsTheFile)
{
    {
        auto const first = open_file();
        auto const second = persist::open_migrating(options(), file());
        ASSERT_FALSE(second);
        EXPECT_EQ(second.error().kind, PersistError::Kind::AlreadyOpen);
        EXPECT_NE(second.error().message.find(file().string()), std::string::npos) << second.error().message;
    }
    EXPECT_TRUE(persist::open_migrating(options(), file()));

    // Another process: a forked child holds the file until the pipe closes.
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    pid_t const child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        auto held = persist::open_migrating(options(), file());
        char const status = held ? 'y' : 'n';
        (void)!::write(ready[1], &status, 1);
        char ignored;
        (void)!::read(release[0], &ignored, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char status = 0;
    ASSERT_EQ(::read(ready[0], &status, 1), 1);
    EXPECT_EQ(status, 'y');
    auto const refused = persist::open_migrating(options(), file());
    ::close(release[1]);
    int exit_status = 0;
    ASSERT_EQ(::waitpid(child, &exit_status, 0), child);
    ::close(ready[0]);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, PersistError::Kind::AlreadyOpen);
    std::string const want
        = file().string() + " is open in another process (pid " + std::to_string(child) + "); close it first";
    EXPECT_EQ(refused.error().message, want);
    EXPECT_TRUE(persist::open_migrating(options(), file()));
}

TEST_F(Persist, UnusableLocationGivesAClearError)
{
    write_bytes(dir() / "plain", bytes_of("a file, not a directory"));
    fs::create_directories(dir() / "ro");
    fs::permissions(dir() / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    struct Case {
        std::string_view name;
        fs::path file;
        bool needs_permissions;
    };
    Case const cases[] = {
        { "parent is a regular file", dir() / "plain" / "sub" / "workspace.automerge", false },
        { "read-only directory", dir() / "ro" / "workspace.automerge", true },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needs_permissions && ::geteuid() == 0)
            continue; // permission bits do not stop root
        auto const opened = persist::open_migrating(options(), c.file);
        ASSERT_FALSE(opened);
        EXPECT_EQ(opened.error().kind, PersistError::Kind::OpenFailed);
        EXPECT_NE(opened.error().message.find(c.file.parent_path().string()), std::string::npos)
            << opened.error().message;
    }
}

// Lowers the file size limit, so writes past it fail as on a full disk, and restores it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        VERIFY(::getrlimit(RLIMIT_FSIZE, &m_saved) == 0);
        m_handler = std::signal(SIGXFSZ, SIG_IGN); // fail with EFBIG instead of ending the process
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        VERIFY(::setrlimit(RLIMIT_FSIZE, &lowered) == 0);
    }
    ~FileSizeLimit()
    {
        VERIFY(::setrlimit(RLIMIT_FSIZE, &m_saved) == 0);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(FileSizeLimit const&) = delete;
    FileSizeLimit& operator=(FileSizeLimit const&) = delete;

private:
    rlimit m_saved {};
    void (*m_handler)(int) {};
};

TEST_F(Persist, WriteFailureKeepsTheChangesAndRetries)
{
    {
        auto const persisted = open_file();
        auto& doc = persisted->document();
        put_int(doc, "a", 1);
        {
            // Room for part of the next append only: it is cut short, then refused.
            FileSizeLimit const full(fs::file_size(file()) + 10);
            put_int(doc, "b", 2);
            ASSERT_TRUE(persisted->last_error());
            EXPECT_EQ(persisted->last_error()->kind, PersistError::Kind::WriteFailed);
            EXPECT_NE(persisted->last_error()->message.find(file().string()), std::string::npos);
            put_int(doc, "c", 3);
            EXPECT_EQ(reports.size(), 1u) << "a failure is reported once";
        }
        EXPECT_EQ(keys_of(*persisted), (std::vector<std::string> { "a", "b", "c" }));
        put_int(doc, "d", 4);
        EXPECT_EQ(persisted->last_error(), std::nullopt);
        EXPECT_EQ(reports.size(), 2u); // and its end
        // The cut-short append was replaced, not followed.
        EXPECT_EQ(automerge::load_chunks(read_bytes(file())).tail, automerge::TailState::Complete);
        EXPECT_EQ(automerge::Document::load(read_bytes(file())).value().length(root_obj), 4u);
    }
    auto const reopened = open_file();
    EXPECT_EQ(keys_of(*reopened), (std::vector<std::string> { "a", "b", "c", "d" }));
    EXPECT_EQ(reopened->damaged_copy(), std::nullopt);
}

} // namespace
