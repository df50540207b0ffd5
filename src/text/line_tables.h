#pragma once
// Resets of the per-line tables before a processing.

#include <cstdint>

#include "datafiles/module_panes.h"

namespace tavelin {

// Sets every status of both line tables to `value`. When `value` is 0 also every status of both
// row tables, and every line-table lineIndex to its own position.
void resetLineTables(ModulePanes& panes, std::uint8_t value);

// As resetLineTables, but no lineIndex is touched.
void resetStatuses(ModulePanes& panes, std::uint8_t value);

}  // namespace tavelin
