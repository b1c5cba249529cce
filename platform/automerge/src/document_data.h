// The op set and history laid out as a document chunk's tables, for the codec to write.
#pragma once

#include "history.h"
#include "op_set.h"

#include <automerge/chunk.h>

namespace automerge {

// Every change of `history` and every op of `ops` (which must hold exactly the history's ops), in
// document order over an actor table sorted by bytes.
[[nodiscard]] DocumentData to_document_data(OpSet const& ops, History const& history);

} // namespace automerge
