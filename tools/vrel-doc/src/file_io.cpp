// Reading and atomically replacing files with POSIX calls, so every failure has its errno.

#include "file_io.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vrel_doc {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    FileDescriptor(FileDescriptor const&) = delete;
    FileDescriptor& operator=(FileDescriptor const&) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    [[nodiscard]] int get() const { return m_fd; }
    // Closes now, reporting the error that a deferred write may only show here.
    [[nodiscard]] bool close()
    {
        int const fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd { -1 };
};

base::Unexpected<std::string> errno_error(std::string_view doing)
{
    return base::unexpected(std::string(doing) + ": " + std::strerror(errno));
}

bool write_all(int fd, std::span<std::uint8_t const> bytes)
{
    while (!bytes.empty()) {
        ssize_t const n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

base::Result<std::vector<std::uint8_t>, std::string> read_file(std::filesystem::path const& path)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return errno_error("cannot open");
    struct stat info { };
    if (::fstat(file.get(), &info) != 0)
        return errno_error("cannot read");
    if (!S_ISREG(info.st_mode))
        return base::unexpected(std::string("not a regular file"));
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t buffer[1 << 16];
    for (;;) {
        ssize_t const n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno_error("cannot read");
        if (n == 0)
            return bytes;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
}

base::Result<void, std::string> write_file_atomically(
    std::filesystem::path const& path, std::span<std::uint8_t const> bytes)
{
    std::filesystem::path const dir = path.has_parent_path() ? path.parent_path() : ".";
    std::string temp = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
    FileDescriptor file(::mkstemp(temp.data()));
    if (file.get() < 0)
        return errno_error("cannot create a temp file in " + dir.string());
    struct stat existing { };
    mode_t const mode = ::stat(path.c_str(), &existing) == 0 ? existing.st_mode & 07777 : 0644;
    bool const written
        = ::fchmod(file.get(), mode) == 0 && write_all(file.get(), bytes) && ::fsync(file.get()) == 0;
    if (!written || !file.close() || ::rename(temp.c_str(), path.c_str()) != 0) {
        auto error = errno_error("cannot write");
        ::unlink(temp.c_str());
        return error;
    }
    // The rename is durable only once the directory is synced too.
    FileDescriptor directory(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0)
        (void)::fsync(directory.get());
    return {};
}

} // namespace vrel_doc
