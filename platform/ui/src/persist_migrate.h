// Moving a workspace file from the older location, $XDG_CONFIG_HOME/<application id>/.
#pragma once

#include "persist_io.h"

#include <vrel_ui/persist.h>

#include <optional>

namespace vrel_ui::persist {

// The file of the same name in the older location; none when it cannot be resolved.
[[nodiscard]] std::optional<Path> older_file(PersistOptions const& options, Path const& file);

// When `file` is missing and the older file exists, moves it over and returns where it was. On
// failure the older file stays where it was.
[[nodiscard]] base::Result<std::optional<Path>, PersistError> migrate(
    PersistOptions const& options, Path const& file);

} // namespace vrel_ui::persist
