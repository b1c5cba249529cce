// An exclusive, non-blocking flock on "<file>.lock", holding the owner's pid for the refusal message.
#include "persist_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string>

namespace vrel_ui::persist {

namespace {

std::optional<long> read_pid(Fd const& fd, Path const& path)
{
    auto const bytes = read_all(fd, path);
    if (!bytes)
        return std::nullopt;
    long pid = 0;
    auto const* first = reinterpret_cast<char const*>(bytes->data());
    auto const [end, error] = std::from_chars(first, first + bytes->size(), pid);
    if (error != std::errc() || end == first || pid <= 0)
        return std::nullopt;
    return pid;
}

PersistError refusal(Path const& file, std::optional<long> owner)
{
    std::string message;
    if (owner == long(::getpid()))
        message = file.string() + " is already open in this process";
    else if (owner)
        message = file.string() + " is open in another process (pid " + std::to_string(*owner)
            + "); close it first";
    else
        message = file.string() + " is open in another process; close it first";
    return { PersistError::Kind::AlreadyOpen, std::move(message) };
}

} // namespace

Path lock_path(Path const& file) { return Path(file.string() + ".lock"); }

base::Result<Fd, PersistError> take_lock(Path const& file)
{
    Path const path = lock_path(file);
    auto fd = open_file(path, O_RDWR | O_CREAT);
    if (!fd)
        return base::unexpected(PersistError { PersistError::Kind::OpenFailed, describe(fd.error()) });
    int status = 0;
    while ((status = ::flock(fd->get(), LOCK_EX | LOCK_NB)) < 0 && errno == EINTR) { }
    if (status < 0) {
        if (errno == EWOULDBLOCK)
            return base::unexpected(refusal(file, read_pid(*fd, path)));
        IoError const error { "cannot lock " + path.string(), errno };
        return base::unexpected(PersistError { PersistError::Kind::OpenFailed, describe(error) });
    }
    // The pid only makes the refusal message more useful, so failing to write it is no reason to
    // refuse the open.
    std::string const pid = std::to_string(::getpid()) + "\n";
    if (truncate_to(*fd, path, 0))
        (void)write_at(*fd, path, { reinterpret_cast<std::uint8_t const*>(pid.data()), pid.size() }, 0);
    return std::move(fd).value();
}

} // namespace vrel_ui::persist
