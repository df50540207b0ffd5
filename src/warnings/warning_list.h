#pragma once
// The two static-analysis warning lists as plain models: headings, hint, rows and sort state,
// filled from the warning CSV files with the rows that fall inside each pane's module.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/counter_settings.h"
#include "datafiles/records.h"

namespace tavelin {

// Column captions of both warning lists (always English).
inline constexpr std::string_view kWarningLineCaption = "Line No.";
inline constexpr std::string_view kWarningCodeCaption = "Code No.";
inline constexpr std::string_view kWarningDescriptionCaption = "Description";

// Hints of the list under the after-change code and of the list under the before-change code.
inline constexpr std::string_view kWarningAfterHint =
    "Static analysis of after change|Static analysis result of after changes.";
inline constexpr std::string_view kWarningBeforeHint =
    "Static analysis of before change|Static analysis result of before changes.";

// Results of loadWarnings.
inline constexpr int kWarningsLoaded = 0;
inline constexpr int kWarningsHeaderMismatch = -1;
inline constexpr int kWarningsCannotOpen = -2;

// One list row: the caption is the warning's line number as decimal text; the sub-items are the
// code number, the description, then extra 1 and extra 2 when those columns are configured.
struct WarningRow {
    std::string caption;
    std::vector<std::string> subItems;
};

struct WarningList {
    // Column headings: line, code number, description, then the configured extra columns.
    std::vector<std::string> columns;
    std::string hint;
    std::vector<WarningRow> rows;
    // |sortState| is the 1-based column last sorted by; the sign is the direction (+ ascending).
    std::int32_t sortState = 1;
};

// Headings of the two extra columns, at most 63 characters each.
struct ExtraColumnNames {
    std::string first;
    std::string second;
};

// Number of sub-item columns of a row: 2, plus one per configured extra column.
int warningSubItemCount(const CounterSettings& settings);

// The warning lists are shown when at least one warning file is named.
bool warningListsVisible(const CounterSettings& settings);

// Extra column headings: the [CSVEXT1NO]/[CSVEXT2NO] columns of [CSVHDSTR] (quotes removed,
// split at every comma), replaced by a non-empty [CSVEXT1NAM]/[CSVEXT2NAM].
ExtraColumnNames loadExtraColumnNames(const CounterSettings& settings);

// Sets the column headings of a list once, at the first activation, and resets its sort state.
void prepareWarningList(WarningList& list, const ExtraColumnNames& names,
                        const CounterSettings& settings);

// Column widths in heading order for a list `listWidth` pixels wide: line 50, code 65,
// description what is left after the others and 25 pixels of margin (never below 0), extras 100.
std::vector<int> warningColumnWidths(int listWidth, const CounterSettings& settings);

// True when a file line lies in the module's lines: from lineNumber to
// lineNumber + totalSteps + noCountSteps - 1, or lineNumber alone when that count is below 1.
bool warningLineInModule(std::int32_t line, const ModuleDescriptor& module);

// Fills one list from the bytes of a warning file with the rows whose path is the module's
// (letter case ignored) and whose line is inside the module, in file order. With no module, or a
// module without a path, no row is kept. Returns 0, or -1 when [CSVHDSTR] is set and the first
// line does not match it (quotes ignored); the list is then empty.
int loadWarningsFromBytes(WarningList& list, std::string_view csvBytes,
                          const ModuleDescriptor* module, const CounterSettings& settings);

// The same from a file; -2 when it cannot be opened (the list is then empty).
int loadWarnings(WarningList& list, const std::string& csvPath, const ModuleDescriptor* module,
                 const CounterSettings& settings);

// Sets both hints and loads both lists. listPosition 0: the left list shows the after-change
// warnings ([CSVAPATH] with afterModule), the right list the before-change ones ([CSVBPATH] with
// beforeModule); 1 swaps them. Returns the two loadWarnings results, left then right.
std::array<int, 2> loadWarningLists(WarningList& left, WarningList& right,
                                    const ModuleDescriptor* afterModule,
                                    const ModuleDescriptor* beforeModule,
                                    const CounterSettings& settings, std::int32_t listPosition);

// The side shown by the left (rightList false) or right code list for a list position.
Side warningListSide(std::int32_t listPosition, bool rightList);

// Orders two rows by sort state s: column |s|-1, 0 being the caption compared as a number, else
// sub-item |s|-2 compared as text without regard to case; the sign of s gives the direction.
// Returns negative, 0 or positive.
int compareWarningRows(const WarningRow& row1, const WarningRow& row2, std::int32_t sortState);

// A click on the heading of column `column` (from 0): the same column again reverses the
// direction, another column sorts it ascending. Rows that compare equal keep their order.
void sortWarningList(WarningList& list, int column);

// The line number held in a row's caption.
std::int32_t warningRowLine(const WarningRow& row);

// The code-list row to select for a jump to file line `lineNumber`: the first of the first
// `rowCount` rows whose lineIndex is lineNumber minus the module's line-number field (a filler
// row before the line is found first). -1 when there is none, also for a line before the module,
// which must not select a padding row. `module` is the descriptor of the side the code list shows
// (nullptr counts as line-number field 0). Rows are anything with a lineIndex (the code list's
// rows, or a line table).
template <class Rows>
std::int32_t findWarningJumpRow(const Rows& rows, std::size_t rowCount,
                                const ModuleDescriptor* module, std::int32_t lineNumber) {
    const std::int64_t index =
        static_cast<std::int64_t>(lineNumber) - (module != nullptr ? module->lineNumber : 0);
    // Padding rows carry -1; no warning line leads to them.
    if (index < 0) {
        return -1;
    }
    const std::size_t count =
        std::min<std::size_t>({rowCount, rows.size(),
                               static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())});
    for (std::size_t i = 0; i < count; ++i) {
        if (rows[i].lineIndex == index) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

// The target handed to the desktop for a help page: help path, code number and extension joined
// with "/" when the path begins with "http:", "https:" or "file:", else with the platform's path
// separator ("\\" on Windows, "/" elsewhere); without an
// extension the point is left off. Empty (nothing to open) when the help path or the code number
// is empty, or when the code number could lead outside the help location (a path separator, a
// colon, a control byte, or the names "." and "..").
std::string buildWarningHelpTarget(std::string_view helpPath, std::string_view helpExtension,
                                   std::string_view codeNumber);

// Whether a help target is a URL ("http:", "https:" or "file:" at its start) rather than a file.
bool isWebHelpTarget(std::string_view target);

// Which items the pop-up menu of a warning list shows.
struct WarningMenuItems {
    bool jump = false;
    bool help1 = false;
    bool help2 = false;
};
WarningMenuItems warningMenuItems(bool hasSelectedRow, std::string_view helpPath1,
                                  std::string_view helpPath2);

}  // namespace tavelin
