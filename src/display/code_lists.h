#pragma once
// The two code lists as plain models: heading, hint and one caption per row. The row tables of
// the panes (rows[side]) hold each row's status and line index; row r of a list is entry r of
// the row table of the side that list shows. The window shows these models; the HTML report is
// written from them.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "datafiles/counter_settings.h"
#include "datafiles/module_panes.h"
#include "datafiles/records.h"

namespace tavelin {

struct CodeList {
    int side = kAfter;  // the module side this list shows
    std::string heading;
    std::string hint;
    std::vector<std::string> captions;  // system code page, one per row

    std::int32_t rowCount() const { return static_cast<std::int32_t>(captions.size()); }
};

struct CodeListModels {
    // lists[0] is the left list, lists[1] the right one.
    std::array<CodeList, 2> lists;
    std::string stepCountText;  // status-bar panel 1
};

struct DisplayOptions {
    int listPosition = 0;        // 0: after change left; 1: before change left
    int tabWidth = 8;            // 2, 4 or 8 columns
    std::uint8_t viewState = 0;  // 3 while a comparison is shown
};

// The side shown in a list (0 left, 1 right) for a list position.
inline int sideOfList(int list, int listPosition) {
    return listPosition == 0 ? list : 1 - list;
}
// The list (0 left, 1 right) that shows a side.
inline int listOfSide(int side, int listPosition) {
    return listPosition == 0 ? side : 1 - side;
}

// "ANSI", "UTF-8", "S-JIS", "EUC", "JIS", "UTF-16", "UTF-16BE" (empty for an unknown code).
std::string encodingName(const ModuleDescriptor& module);

// One row caption from `count` bytes of a line (the last of which is the NUL that replaced the
// delimiter, or the text's last byte): NUL to blank, conversion by codeNo, tab expansion.
std::string formatLineCaption(std::span<const unsigned char> line, int codeNo, int tabWidth);
// The same for UTF-16 units; the expanded caption is converted to the system code page.
std::string formatLineCaption16(std::span<const char16_t> line, int tabWidth);

// Rebuilds one list for one side: heading, captions and the side's row table. Rewrites the text
// in place only where the display requires it (a UTF-8 or UTF-16 byte order mark becomes NUL,
// lone CRs become LF under [DELIMIT] 3).
void fillModuleList(CodeList& list, int side, ModulePanes& panes, const CounterSettings& settings,
                    int tabWidth);

// Evens out the two lists with empty rows whose row entry is (viewState, -1).
void padShorterList(CodeList& afterList, CodeList& beforeList, ModulePanes& panes,
                    std::uint8_t viewState);

// The step counts as the status bar shows them.
std::string formatStepCounts(const StepCountRecord& counts);

// Rebuilds both lists, their headings and hints, and the step-count text.
void refreshLists(CodeListModels& models, ModulePanes& panes, const CounterSettings& settings,
                  const DisplayOptions& options, const StepCountRecord& counts);

// Difference search over the row tables, bounded by lineTableSize: the first row after (before)
// `start` whose after or before row entry is not Same.
std::optional<std::int32_t> findNextDifference(const ModulePanes& panes, std::int32_t start);
std::optional<std::int32_t> findPreviousDifference(const ModulePanes& panes, std::int32_t start);

}  // namespace tavelin
