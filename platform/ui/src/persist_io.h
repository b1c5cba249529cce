// The POSIX file calls the persisted document is built on: every result checked, EINTR retried,
// short writes finished, each failure named with its path.
#pragma once

#include <base/result.h>

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vrel_ui::persist {

struct IoError {
    std::string what; // "cannot write /the/path"
    int code {}; // errno
};

// "<what>: <reason>", one line.
[[nodiscard]] std::string describe(IoError const& error);

// An open file descriptor, closed on destruction.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    ~Fd();
    Fd(Fd&& other) noexcept;
    Fd& operator=(Fd&& other) noexcept;
    Fd(Fd const&) = delete;
    Fd& operator=(Fd const&) = delete;

    [[nodiscard]] int get() const { return m_fd; }
    [[nodiscard]] bool is_open() const { return m_fd >= 0; }

private:
    int m_fd { -1 };
};

using Path = std::filesystem::path;
using Bytes = std::span<std::uint8_t const>;

[[nodiscard]] base::Result<Fd, IoError> open_file(Path const& path, int flags, mode_t mode = 0600);
[[nodiscard]] base::Result<std::vector<std::uint8_t>, IoError> read_all(Fd const& fd, Path const& path);
[[nodiscard]] base::Result<void, IoError> write_at(Fd const& fd, Path const& path, Bytes bytes, off_t offset);
[[nodiscard]] base::Result<void, IoError> truncate_to(Fd const& fd, Path const& path, off_t size);
// fdatasync: the data and the size, not the timestamps.
[[nodiscard]] base::Result<void, IoError> sync_data(Fd const& fd, Path const& path);
[[nodiscard]] base::Result<void, IoError> sync_all(Fd const& fd, Path const& path);
// Makes the directory's entries (a created, renamed or removed file) durable.
[[nodiscard]] base::Result<void, IoError> sync_directory(Path const& dir);
[[nodiscard]] base::Result<void, IoError> make_directories(Path const& dir);
[[nodiscard]] base::Result<void, IoError> rename_file(Path const& from, Path const& to);
// Fails with EEXIST rather than replacing `to`.
[[nodiscard]] base::Result<void, IoError> rename_no_replace(Path const& from, Path const& to);
// A missing file is not an error.
[[nodiscard]] base::Result<void, IoError> remove_file(Path const& path);
// Whether anything (even a dangling link) is at the path; errors other than "no such file" fail.
[[nodiscard]] base::Result<bool, IoError> path_exists(Path const& path);

// Writes a new file with the bytes and syncs it; an existing file fails with EEXIST unless
// `replace`.
enum class Replace : std::uint8_t { No, Yes };
[[nodiscard]] base::Result<Fd, IoError> write_new_file(Path const& path, Bytes bytes, Replace replace);

// The directory a file is in ("." for a bare name).
[[nodiscard]] Path directory_of(Path const& file);

} // namespace vrel_ui::persist
