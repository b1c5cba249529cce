// Killing a writer at random moments loses no write it had been told was done.
//
// A child process commits puts and prints each index once the put has returned; the parent kills
// it with SIGKILL after a random number of lines (or lets it finish), then reopens the file and
// looks for every index the child printed. Each round continues the previous round's file, so
// later rounds also open files left by a kill during an append, a rewrite or an open.

#include <vrel_ui/persist.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Round {
    std::vector<std::uint64_t> reported;
    bool killed {};
    int status {};
};

// Runs the child over [first, first + count), killing it once `kill_after` lines have arrived.
Round run_child(fs::path const& file, std::uint64_t first, std::uint64_t count, std::uint64_t kill_after)
{
    int out[2];
    VERIFY(::pipe(out) == 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args { PERSIST_CRASH_CHILD, file.string(), std::to_string(first),
        std::to_string(count), "4096" };
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    VERIFY(::posix_spawn(&pid, PERSIST_CRASH_CHILD, &actions, nullptr, argv.data(), environ) == 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);

    Round round;
    if (kill_after == 0)
        round.killed = ::kill(pid, SIGKILL) == 0;
    std::string pending;
    char buffer[4096];
    for (;;) {
        ssize_t const got = ::read(out[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        pending.append(buffer, std::size_t(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            round.reported.push_back(std::stoull(pending.substr(0, end)));
            if (round.reported.size() == kill_after)
                round.killed = ::kill(pid, SIGKILL) == 0;
        }
    }
    ::close(out[0]);
    VERIFY(::waitpid(pid, &round.status, 0) == pid);
    return round;
}

TEST(PersistCrash, EveryReportedWriteSurvivesSigkill)
{
    std::string pattern = (fs::temp_directory_path() / "persist-crash-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    fs::path const dir = pattern;
    fs::path const file = dir / "workspace.automerge";

    constexpr std::uint64_t kRounds = 10;
    constexpr std::uint64_t kWrites = 1000;
    std::mt19937_64 random(20261211);
    // Past kWrites the child finishes and closes normally, which compacts.
    std::uniform_int_distribution<std::uint64_t> kill_after(0, kWrites + kWrites / 10);
    std::set<std::uint64_t> survived;
    for (std::uint64_t r = 0; r < kRounds; ++r) {
        std::uint64_t const after = kill_after(random);
        SCOPED_TRACE("round " + std::to_string(r) + ", kill after " + std::to_string(after));
        Round const round = run_child(file, r * kWrites, kWrites, after);
        bool const exited_cleanly = WIFEXITED(round.status) && WEXITSTATUS(round.status) == 0;
        bool const died_by_kill = WIFSIGNALED(round.status) && WTERMSIG(round.status) == SIGKILL;
        ASSERT_TRUE(exited_cleanly || (round.killed && died_by_kill)) << "status " << round.status;
        if (exited_cleanly) {
            EXPECT_EQ(round.reported.size(), kWrites);
        }
        survived.insert(round.reported.begin(), round.reported.end());

        vrel_ui::PersistOptions options;
        options.env = [](char const*) { return std::optional<std::string> {}; };
        options.account_home = {};
        auto const opened = vrel_ui::persist::open_migrating(options, file);
        ASSERT_TRUE(opened) << opened.error().message;
        auto const& doc = (*opened)->document();
        std::uint64_t missing = 0;
        for (std::uint64_t const i : survived) {
            auto const value = doc.get(automerge::root_obj, "k" + std::to_string(i));
            if (value != automerge::Value { automerge::ScalarValue { std::int64_t(i) } })
                ++missing;
        }
        EXPECT_EQ(missing, 0u) << "of " << survived.size() << " reported writes";
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

} // namespace
