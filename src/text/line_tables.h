#pragma once
// Resets of the per-line tables before a processing.

#include <cstdint>

#include "datafiles/module_panes.h"

namespace tavelin {

// Sets every status of both line tables to `value`; with Same also every lineIndex to its own
// position.
void resetLineTables(ModulePanes& panes, LineStatus value);

// As resetLineTables, but no lineIndex is touched.
void resetStatuses(ModulePanes& panes, LineStatus value);

}  // namespace tavelin
