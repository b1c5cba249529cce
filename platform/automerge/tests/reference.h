// Test helper: runs the reference Automerge tools in tools/automerge-ref (Node.js scripts on
// @automerge/automerge) so tests can check that our files open there and theirs open here.
//
//   if (!automerge::testing::reference_available()) GTEST_SKIP() << "no reference";
//   auto out = automerge::testing::run_reference({"dump", path.string(), "--conflicts"});
//
// The first argument names the script (dump, heads, make, apply, merge, save, with or without
// .mjs); the rest are passed to it as they are, straight to posix_spawn: no shell is involved.
// Tools are installed by `npm ci --prefix tools/automerge-ref` (scripts/dev does it).
//
// VREL_NODE names the node binary to use (default: node on PATH); VREL_NO_REFERENCE=1 makes
// reference_available() false, to try the tests that must pass without it.
#pragma once

#ifndef FIXTURES_DIR
#    error "reference.h needs FIXTURES_DIR (defined for every test program)"
#endif

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace automerge::testing {

// <component>/tests/fixtures is four levels below the repository root.
inline std::filesystem::path repo_root()
{
    return (std::filesystem::path(FIXTURES_DIR) / ".." / ".." / ".." / "..").lexically_normal();
}

inline std::filesystem::path reference_tools_dir() { return repo_root() / "tools" / "automerge-ref"; }

// A committed, reference-written fixture: platform/automerge/tests/fixtures/reference/NAME.
inline std::filesystem::path reference_fixture(std::string_view name)
{
    return std::filesystem::path(FIXTURES_DIR) / "reference" / name;
}

struct ReferenceRun {
    bool started = false; // false: node could not be run at all, or it timed out
    int exit_code = -1; // the script's exit status; -1 when killed by a signal
    std::string out;
    std::string err;

    bool ok() const { return started && exit_code == 0; }
};

namespace detail {

inline std::string node_binary()
{
    char const* node = std::getenv("VREL_NODE");
    return node != nullptr && *node != '\0' ? node : "node";
}

struct Fd {
    int fd = -1;
    Fd() = default;
    Fd(Fd const&) = delete;
    Fd& operator=(Fd const&) = delete;
    ~Fd() { reset(); }
    void reset()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

inline bool make_pipe(Fd& read_end, Fd& write_end)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    read_end.fd = fds[0];
    write_end.fd = fds[1];
    return true;
}

// Runs argv[0] (looked up on PATH) with argv, stdin from /dev/null, collecting stdout and
// stderr. Kills the child after `timeout`.
inline ReferenceRun spawn(std::vector<std::string> const& argv, std::chrono::seconds timeout)
{
    ReferenceRun run;
    Fd out_read, out_write, err_read, err_write;
    if (!make_pipe(out_read, out_write) || !make_pipe(err_read, err_write))
        return run;

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return run;
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out_write.fd, 1);
    posix_spawn_file_actions_adddup2(&actions, err_write.fd, 2);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (auto const& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = -1;
    int const spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    out_write.reset();
    err_write.reset();
    if (spawned != 0)
        return run;

    auto const deadline = std::chrono::steady_clock::now() + timeout;
    bool timed_out = false;
    pollfd fds[2] = { { out_read.fd, POLLIN, 0 }, { err_read.fd, POLLIN, 0 } };
    std::string* sinks[2] = { &run.out, &run.err };
    int open_fds = 2;
    char buffer[65536];
    while (open_fds > 0) {
        auto const left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timed_out = true;
            break;
        }
        int const ready = ::poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            timed_out = true;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            ssize_t const n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1; // closed (or broken); the Fd closes it on return
                --open_fds;
            }
        }
    }
    if (timed_out) {
        ::kill(pid, SIGKILL);
        run.err += "\nreference: timed out\n";
    }

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    run.started = !timed_out;
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace detail

// Runs tools/automerge-ref/<script>.mjs with args; the full outcome.
inline ReferenceRun run_reference_full(
    std::vector<std::string> args, std::chrono::seconds timeout = std::chrono::seconds(120))
{
    if (args.empty())
        return {};
    std::string script = args[0];
    if (!script.ends_with(".mjs"))
        script += ".mjs";
    std::vector<std::string> argv;
    argv.reserve(args.size() + 1);
    argv.push_back(detail::node_binary());
    argv.push_back((reference_tools_dir() / script).string());
    for (std::size_t i = 1; i < args.size(); ++i)
        argv.push_back(std::move(args[i]));
    return detail::spawn(argv, timeout);
}

// Runs tools/automerge-ref/<script>.mjs with args: its stdout when it exits with status 0.
inline std::optional<std::string> run_reference(std::vector<std::string> args)
{
    auto run = run_reference_full(std::move(args));
    if (!run.ok())
        return std::nullopt;
    return std::move(run.out);
}

// Whether node runs (version 18 or newer) and the tools' node_modules is installed. Checked
// once per test program.
inline bool reference_available()
{
    static bool const available = [] {
        char const* off = std::getenv("VREL_NO_REFERENCE");
        if (off != nullptr && *off != '\0' && std::string_view(off) != "0")
            return false;
        std::error_code ec;
        auto const package
            = reference_tools_dir() / "node_modules" / "@automerge" / "automerge" / "package.json";
        if (!std::filesystem::exists(package, ec))
            return false;
        auto const version = detail::spawn({ detail::node_binary(), "--version" }, std::chrono::seconds(30));
        if (!version.ok() || version.out.size() < 2 || version.out[0] != 'v')
            return false;
        return std::atoi(version.out.c_str() + 1) >= 18;
    }();
    return available;
}

// The first line of text, without its newline: dump.mjs prints one line.
inline std::string first_line(std::string_view text)
{
    auto const end = text.find('\n');
    return std::string(text.substr(0, end));
}

// The lines of text, without their newlines: heads.mjs prints one head a line.
inline std::vector<std::string> lines(std::string_view text)
{
    std::vector<std::string> out;
    while (!text.empty()) {
        auto const end = text.find('\n');
        out.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return out;
}

inline std::optional<std::vector<std::uint8_t>> read_bytes(std::filesystem::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool write_bytes(std::filesystem::path const& path, std::span<std::uint8_t const> bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

inline std::optional<std::string> read_text(std::filesystem::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh directory under the system temp dir for files handed to and from the reference,
// removed with everything in it when this goes out of scope.
class TempDir {
public:
    TempDir()
    {
        std::random_device random;
        auto const base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            auto candidate = base / ("vrel-automerge-" + std::to_string(random()));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec)) {
                path_ = std::move(candidate);
                return;
            }
        }
        throw std::filesystem::filesystem_error(
            "cannot make a temp dir", base, std::make_error_code(std::errc::file_exists));
    }
    TempDir(TempDir const&) = delete;
    TempDir& operator=(TempDir const&) = delete;
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }

    std::filesystem::path const& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

} // namespace automerge::testing
