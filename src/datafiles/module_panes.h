#pragma once
// The two panes of the document: each pane's module descriptor, whether it holds a module,
// its text and the per-line tables shared by both panes.

#include <array>
#include <cstdint>
#include <vector>

#include "datafiles/records.h"

namespace tavelin {

struct ModulePanes {
    // descriptors[side] is afterModule / beforeModule when present[side] is true.
    std::array<ModuleDescriptor, kSides> descriptors;
    std::array<bool, kSides> present{false, false};

    // moduleText[side]: the module's bytes (UTF-16 text as little-endian unit pairs), then the
    // appended terminator and a NUL. hasBuffer[side]: the pane's buffer exists.
    std::array<std::vector<unsigned char>, kSides> moduleText;
    std::array<bool, kSides> hasBuffer{false, false};
    // Length in units: bytes for 8-bit text, 16-bit units for UTF-16 text.
    std::array<std::int32_t, kSides> moduleLength{0, 0};

    // afterLines/beforeLines = lines[0]/lines[1]; afterRows/beforeRows = rows[0]/rows[1].
    std::array<LineTable, kSides> lines;
    std::array<LineTable, kSides> rows;
    std::int32_t lineTableSize = 0;

    const ModuleDescriptor* module(int side) const {
        return present[static_cast<std::size_t>(side)]
                   ? &descriptors[static_cast<std::size_t>(side)]
                   : nullptr;
    }
    ModuleDescriptor* module(int side) {
        return present[static_cast<std::size_t>(side)]
                   ? &descriptors[static_cast<std::size_t>(side)]
                   : nullptr;
    }
};

}  // namespace tavelin
