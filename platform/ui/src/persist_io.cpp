// Checked POSIX file calls for the persisted document.
#include "persist_io.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace vrel_ui::persist {

namespace {

base::Unexpected<IoError> failure(std::string_view verb, Path const& path, int code = errno)
{
    return base::unexpected(IoError { std::string(verb) + " " + path.string(), code });
}

// Runs a call until it is not interrupted by a signal.
template <class F> auto retrying(F&& call)
{
    for (;;) {
        auto const result = call();
        if (result >= 0 || errno != EINTR)
            return result;
    }
}

} // namespace

std::string describe(IoError const& error) { return error.what + ": " + std::strerror(error.code); }

Fd::~Fd()
{
    // Not retried on EINTR: Linux has closed the descriptor either way. Durability comes from the
    // syncs before, not from close.
    if (m_fd >= 0)
        ::close(m_fd);
}

Fd::Fd(Fd&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

Fd& Fd::operator=(Fd&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

base::Result<Fd, IoError> open_file(Path const& path, int flags, mode_t mode)
{
    int const fd = retrying([&] { return ::open(path.c_str(), flags | O_CLOEXEC, mode); });
    if (fd < 0)
        return failure("cannot open", path);
    return Fd(fd);
}

base::Result<std::vector<std::uint8_t>, IoError> read_all(Fd const& fd, Path const& path)
{
    std::vector<std::uint8_t> bytes;
    std::size_t filled = 0;
    for (;;) {
        if (bytes.size() - filled < 65536)
            bytes.resize(filled + 262144);
        ssize_t const got = retrying(
            [&] { return ::pread(fd.get(), bytes.data() + filled, bytes.size() - filled, off_t(filled)); });
        if (got < 0)
            return failure("cannot read", path);
        if (got == 0)
            break;
        filled += std::size_t(got);
    }
    bytes.resize(filled);
    return bytes;
}

base::Result<void, IoError> write_at(Fd const& fd, Path const& path, Bytes bytes, off_t offset)
{
    while (!bytes.empty()) {
        ssize_t const wrote
            = retrying([&] { return ::pwrite(fd.get(), bytes.data(), bytes.size(), offset); });
        if (wrote < 0)
            return failure("cannot write", path);
        // A short write leaves the rest for the next call, which reports why it stopped.
        bytes = bytes.subspan(std::size_t(wrote));
        offset += wrote;
    }
    return {};
}

base::Result<void, IoError> truncate_to(Fd const& fd, Path const& path, off_t size)
{
    if (retrying([&] { return ::ftruncate(fd.get(), size); }) < 0)
        return failure("cannot truncate", path);
    return {};
}

base::Result<void, IoError> sync_data(Fd const& fd, Path const& path)
{
    if (retrying([&] { return ::fdatasync(fd.get()); }) < 0)
        return failure("cannot flush", path);
    return {};
}

base::Result<void, IoError> sync_all(Fd const& fd, Path const& path)
{
    if (retrying([&] { return ::fsync(fd.get()); }) < 0)
        return failure("cannot flush", path);
    return {};
}

base::Result<void, IoError> sync_directory(Path const& dir)
{
    auto const fd = TRY(open_file(dir, O_RDONLY | O_DIRECTORY));
    return sync_all(fd, dir);
}

base::Result<void, IoError> make_directories(Path const& dir)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error)
        return failure("cannot create the directory", dir, error.value());
    return {};
}

base::Result<void, IoError> rename_file(Path const& from, Path const& to)
{
    if (retrying([&] { return ::rename(from.c_str(), to.c_str()); }) < 0)
        return failure("cannot rename " + from.string() + " to", to);
    return {};
}

base::Result<void, IoError> rename_no_replace(Path const& from, Path const& to)
{
    if (retrying([&] { return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE); })
        < 0)
        return failure("cannot rename " + from.string() + " to", to);
    return {};
}

base::Result<void, IoError> remove_file(Path const& path)
{
    if (retrying([&] { return ::unlink(path.c_str()); }) < 0 && errno != ENOENT)
        return failure("cannot remove", path);
    return {};
}

base::Result<bool, IoError> path_exists(Path const& path)
{
    struct stat info { };
    if (retrying([&] { return ::lstat(path.c_str(), &info); }) == 0)
        return true;
    if (errno == ENOENT)
        return false;
    return failure("cannot look up", path);
}

base::Result<Fd, IoError> write_new_file(Path const& path, Bytes bytes, Replace replace)
{
    int const flags = O_RDWR | O_CREAT | (replace == Replace::Yes ? O_TRUNC : O_EXCL);
    auto fd = TRY(open_file(path, flags));
    auto written = write_at(fd, path, bytes, 0);
    if (written)
        written = sync_all(fd, path);
    if (!written) {
        (void)remove_file(path);
        return base::unexpected(std::move(written).error());
    }
    return fd;
}

Path directory_of(Path const& file)
{
    Path dir = file.parent_path();
    return dir.empty() ? Path(".") : dir;
}

} // namespace vrel_ui::persist
