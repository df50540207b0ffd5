#include "text/line_tables.h"

#include <algorithm>
#include <cstddef>

namespace tavelin {

namespace {

// The entries to walk: lineTableSize, but never past the table itself.
std::size_t walkLength(const ModulePanes& panes, const LineTable& table) {
    const std::size_t size =
        panes.lineTableSize > 0 ? static_cast<std::size_t>(panes.lineTableSize) : 0;
    return std::min(size, table.size());
}

void reset(ModulePanes& panes, LineStatus value, bool setIndexes) {
    for (LineTable& table : panes.lines) {
        const std::size_t n = walkLength(panes, table);
        for (std::size_t k = 0; k < n; ++k) {
            table[k].status = value;
            if (setIndexes && value == LineStatus::Same) {
                table[k].lineIndex = static_cast<std::int32_t>(k);
            }
        }
    }
}

}  // namespace

void resetLineTables(ModulePanes& panes, LineStatus value) {
    reset(panes, value, true);
}

void resetStatuses(ModulePanes& panes, LineStatus value) {
    reset(panes, value, false);
}

}  // namespace tavelin
