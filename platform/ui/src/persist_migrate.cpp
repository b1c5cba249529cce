// Moving the workspace file from the older location: a rename, or across file systems a synced
// copy that replaces nothing, with the older file removed only once the copy is durable.
#include "persist_migrate.h"

#include <fcntl.h>

#include <cerrno>

namespace vrel_ui::persist {

namespace {

std::optional<Path> config_dir(PersistOptions const& options)
{
    // As with XDG_DATA_HOME, a relative value is invalid and ignored.
    if (auto value = options.env("XDG_CONFIG_HOME"); value && !value->empty() && value->front() == '/')
        return Path(*value);
    if (auto home = vrel_paths::home(options.env, options.account_home))
        return *home / ".config";
    return std::nullopt;
}

base::Result<void, IoError> copy_over(Path const& from, Path const& to)
{
    auto const source = TRY(open_file(from, O_RDONLY));
    auto const bytes = TRY(read_all(source, from));
    Path const temporary = to.string() + ".tmp";
    (void)TRY(write_new_file(temporary, bytes, Replace::Yes));
    if (auto renamed = rename_no_replace(temporary, to); !renamed) {
        (void)remove_file(temporary);
        return renamed;
    }
    TRY(sync_directory(directory_of(to)));
    TRY(remove_file(from));
    return sync_directory(directory_of(from));
}

base::Result<void, IoError> move_over(Path const& from, Path const& to)
{
    if (auto renamed = rename_no_replace(from, to); !renamed) {
        if (renamed.error().code != EXDEV)
            return renamed;
        return copy_over(from, to);
    }
    TRY(sync_directory(directory_of(to)));
    return sync_directory(directory_of(from));
}

} // namespace

std::optional<Path> older_file(PersistOptions const& options, Path const& file)
{
    if (options.application_id.empty() || !options.env)
        return std::nullopt;
    auto const dir = config_dir(options);
    if (!dir)
        return std::nullopt;
    return *dir / options.application_id / file.filename();
}

base::Result<std::optional<Path>, PersistError> migrate(PersistOptions const& options, Path const& file)
{
    auto const fail = [](IoError const& error) {
        return base::unexpected(PersistError { PersistError::Kind::OpenFailed, describe(error) });
    };
    auto const present = path_exists(file);
    if (!present)
        return fail(present.error());
    auto const older = older_file(options, file);
    if (*present || !older)
        return std::optional<Path> {};
    auto const older_present = path_exists(*older);
    if (!older_present)
        return fail(older_present.error());
    if (!*older_present)
        return std::optional<Path> {};
    if (auto moved = move_over(*older, file); !moved) {
        // Once the new file is in place a failure only leaves a stray older file behind, which
        // the next open ignores because the new one exists.
        auto const arrived = path_exists(file);
        if (!arrived || !*arrived) {
            return base::unexpected(PersistError { PersistError::Kind::OpenFailed,
                describe(moved.error()) + "; " + older->string() + " was left where it was" });
        }
    }
    return std::optional<Path> { *older };
}

} // namespace vrel_ui::persist
