#pragma once
// The two panes of the document: each pane's module descriptor, whether it holds a module,
// its text and the per-line tables shared by both panes.

#include <array>
#include <cstdint>
#include <vector>

#include "datafiles/records.h"

namespace tavelin {

// A pane's module text. 8-bit text is held in `bytes`, UTF-16 text in `units` (in the machine's
// own order, whatever the file's byte order); the descriptor's utf16 flag tells which one holds
// the text, and the other stays empty. The text is followed by the appended terminator and NUL
// units.
struct ModuleText {
    std::vector<unsigned char> bytes;
    std::vector<char16_t> units;

    void clear() {
        bytes.clear();
        bytes.shrink_to_fit();
        units.clear();
        units.shrink_to_fit();
    }
};

struct ModulePanes {
    // descriptors[side] is afterModule / beforeModule when present[side] is true.
    std::array<ModuleDescriptor, kSides> descriptors;
    std::array<bool, kSides> present{false, false};
    // The module is a whole file opened by hand (not a byte range of a data file): every reload
    // takes the file as it is then, and a reload that cannot read it keeps the text shown.
    std::array<bool, kSides> wholeFile{false, false};
    // How often each side's text has been read from its file (opened or reloaded): what was
    // noticed about a file before the last read is no longer news.
    std::array<std::uint32_t, kSides> reads{0, 0};

    // moduleText[side]: the module's text, then the appended terminator and a NUL.
    // hasBuffer[side]: the pane's buffer exists.
    std::array<ModuleText, kSides> moduleText;
    std::array<bool, kSides> hasBuffer{false, false};
    // Length in units: bytes for 8-bit text, 16-bit units for UTF-16 text.
    std::array<std::int32_t, kSides> moduleLength{0, 0};

    // afterLines/beforeLines = lines[0]/lines[1], lineTableSize entries each. (The rows of the
    // lists are the display's: CodeListModels.)
    std::array<LineTable, kSides> lines;
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
