#pragma once
// The two code lists as a row model. The alignment walk turns each module's text and line table
// into rows that only say where their line stands in the text; the captions are formatted when
// they are asked for (captions.h), so a list of a million rows costs sixteen bytes a row and a
// tab-width or encoding change only formats the rows that are looked at again.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "datafiles/counter_settings.h"
#include "datafiles/module_panes.h"
#include "datafiles/records.h"

namespace tavelin {

// One row of a code list. A text row shows `length` units of the module text from `offset`
// (its line end left out); filler and padding rows show nothing. status and lineIndex are those
// of the row's line (afterRows / beforeRows): a filler row has status Blank and the lineIndex
// of the text line below it, a padding row the view state and -1.
struct CodeRow {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    std::int32_t lineIndex = 0;
    LineStatus status = LineStatus::Same;
};

struct CodeList {
    int side = kAfter;  // the module side this list shows
    std::string title;  // "After change" or "Before change"
    // The encoding name and the module's path (as the file system names it); both empty when
    // the side has no module.
    std::string encoding;
    std::string path;
    bool hasModule = false;
    bool plainText = false;  // the module has no definition: the plain-text rules apply
    std::string hint;
    std::vector<CodeRow> rows;

    std::int32_t rowCount() const { return static_cast<std::int32_t>(rows.size()); }
    // The row's record, or Same/-1 for a row the list does not have.
    CodeRow row(std::int64_t r) const {
        return r >= 0 && r < static_cast<std::int64_t>(rows.size())
                   ? rows[static_cast<std::size_t>(r)]
                   : CodeRow{0, 0, -1, LineStatus::Same};
    }
    // "After change<UTF-8>[path]" ("After change" alone without a module; "After change<UTF-8>
    // <plain text>[path]" for a module read with the plain-text rules): in the system code page
    // for the report, and in Unicode for the window.
    std::string headingAnsi() const;
    std::u16string headingUnicode() const;
};

struct CodeListModels {
    // lists[0] is the left list, lists[1] the right one.
    std::array<CodeList, 2> lists;
    int listPosition = 0;    // which list shows which side, as the last rebuild found it
    int tabWidth = 8;        // 2, 4 or 8 columns: the captions expand tabs with it
    StepCountRecord counts;  // the counts of the status bar (formatStepCounts gives its text)

    const CodeList& listOfSide(int side) const;
};

struct DisplayOptions {
    int listPosition = 0;  // 0: after change left; 1: before change left
    int tabWidth = 8;      // 2, 4 or 8 columns
    ViewState viewState = ViewState::Plain;
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

// Builds one list's rows for one side: heading parts and the aligned rows. Under [DELIMIT] 3
// the lone CRs of the text become LF, in place (the only change to the text); a byte-order mark
// is left in the text and stays out of the first row.
void buildModuleRows(CodeList& list, int side, ModulePanes& panes, const CounterSettings& settings);

// Evens out the two lists with empty rows whose record is (viewState, -1). An empty list is
// never padded.
void padShorterList(CodeList& afterList, CodeList& beforeList, ViewState viewState);

// The step counts as the status bar shows them:
// "%-6s %6d %-6s %6d %-6s %6d %-6s %6d %-6s %6d" with "New", "Original", "Changed", "Re-used",
// "Deleted".
std::string formatStepCounts(const StepCountRecord& counts);

// Rebuilds both lists (the alignment walk), their headings and hints, and the step-count text.
void refreshLists(CodeListModels& models, ModulePanes& panes, const CounterSettings& settings,
                  const DisplayOptions& options, const StepCountRecord& counts);

// The headings again after an encoding change: the rows stay as they are.
void refreshHeadings(CodeListModels& models, const ModulePanes& panes);

// Difference search over the rows of both lists, bounded by lineTableSize: the first row after
// (before) `start` whose after or before row is not Same. Rows past a list's end count as Same.
std::optional<std::int32_t> findNextDifference(const CodeListModels& models,
                                               std::int32_t lineTableSize, std::int32_t start);
std::optional<std::int32_t> findPreviousDifference(const CodeListModels& models,
                                                   std::int32_t lineTableSize, std::int32_t start);

}  // namespace tavelin
