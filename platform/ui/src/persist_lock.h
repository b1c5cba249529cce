// The lock that keeps a second process (or a second open in this one) away from a workspace file.
#pragma once

#include "persist_io.h"

#include <vrel_ui/persist.h>

namespace vrel_ui::persist {

// "<file>.lock": a lock file beside the document, so that rewriting the document by rename does
// not drop the lock.
[[nodiscard]] Path lock_path(Path const& file);

// Takes an exclusive flock on the lock file without waiting and writes this process's pid into it.
// The lock lasts as long as the descriptor.
[[nodiscard]] base::Result<Fd, PersistError> take_lock(Path const& file);

} // namespace vrel_ui::persist
