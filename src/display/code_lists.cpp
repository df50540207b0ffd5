#include "display/code_lists.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <span>

#include "datafiles/extension_table.h"
#include "platform/codepage.h"
#include "platform/parallel.h"
#include "text/text_rules.h"

namespace tavelin {

namespace {

constexpr const char* kAfterChange = "After change";
constexpr const char* kBeforeChange = "Before change";
constexpr const char* kAfterHint =
    "After change|It is a content of the module after changes.(CTRL+C is Copy.)";
constexpr const char* kBeforeHint =
    "Before change|It is a content of the module before changes.(CTRL+C is Copy.)";

// Reads entry i of a line table; entries beyond the table read as Same lines of their own index
// (a text with more lines than its tables were sized for never reads outside them).
LineRecord entryAt(const LineTable& table, std::int64_t i) {
    if (i >= 0 && static_cast<std::size_t>(i) < table.size()) {
        return table[static_cast<std::size_t>(i)];
    }
    return LineRecord{LineStatus::Same, static_cast<std::int32_t>(i)};
}

// The alignment walk over one side's text: one row per line, and before a line that is paired,
// one filler row opposite each line of the other side that was deleted (after side) or added
// (before side) just before it.
template <typename Unit>
void walkText(const Unit* text, std::int64_t length, std::int64_t start, int side,
              const ModulePanes& panes, int delimit, std::vector<CodeRow>& rows) {
    const LineTable& own = panes.lines[static_cast<std::size_t>(side)];
    const LineTable& other = panes.lines[static_cast<std::size_t>(1 - side)];
    // The after side stands opposite deleted before lines; the before side opposite added ones.
    const LineStatus otherUnpaired = side == kAfter ? LineStatus::Deleted : LineStatus::Added;
    const LineStatus ownUnpaired = side == kAfter ? LineStatus::Added : LineStatus::Deleted;

    std::int64_t line = 0;       // index into the side's own line table
    std::int64_t otherLine = 0;  // cursor into the other side's line table
    std::int64_t lineStart = start;
    while (lineStart < length) {
        int width = 0;
        const std::int64_t end = text::nextLineEnd(text, lineStart, length, delimit, width);
        // A line without a line end runs to the text's last unit; a NUL there is not shown.
        std::int64_t shown = end - lineStart;
        if (width == 0 && shown > 0 && text[length - 1] == Unit(0)) {
            --shown;
        }
        const LineRecord record = entryAt(own, line);
        while (record.status == LineStatus::Same &&
               entryAt(other, otherLine).status == otherUnpaired) {
            rows.push_back(CodeRow{0, 0, record.lineIndex, LineStatus::Blank});
            ++otherLine;
        }
        rows.push_back(CodeRow{static_cast<std::uint32_t>(lineStart),
                               static_cast<std::uint32_t>(shown), record.lineIndex, record.status});
        if (record.status == LineStatus::Same ||
            (record.status == ownUnpaired && entryAt(other, otherLine).status == otherUnpaired)) {
            ++otherLine;
        }
        ++line;
        lineStart = width > 0 ? end + width : length;
    }
}

template <typename Unit>
void walkSide(std::vector<Unit>& units, std::int64_t length, int side, const ModulePanes& panes,
              int delimit, std::vector<CodeRow>& rows) {
    const std::span<Unit> text(units.data(), static_cast<std::size_t>(length));
    if (delimit == text::kDelimitMixed) {
        text::normaliseLoneCrs(text);
    }
    const auto start =
        static_cast<std::int64_t>(text::byteOrderMarkLength(std::span<const Unit>(text)));
    walkText(units.data(), length, start, side, panes, delimit, rows);
}

std::string headingPrefix(const CodeList& list) {
    return list.title + "<" + list.encoding + ">" + (list.plainText ? "<plain text>" : "") + "[";
}

}  // namespace

std::string CodeList::headingAnsi() const {
    if (!hasModule) {
        return title;
    }
    return headingPrefix(*this) + fileSystemToAnsi(path) + "]";
}

std::u16string CodeList::headingUnicode() const {
    if (!hasModule) {
        return ansiToUtf16(title);
    }
    return ansiToUtf16(headingPrefix(*this)) + fileSystemToUtf16(path) + u"]";
}

const CodeList& CodeListModels::listOfSide(int side) const {
    return lists[static_cast<std::size_t>(tavelin::listOfSide(side, listPosition))];
}

std::string encodingName(const ModuleDescriptor& module) {
    if (module.utf16 == 0) {
        switch (module.codeNo) {
            case 0:
                return "ANSI";
            case 1:
                return "UTF-8";
            case 2:
                return "S-JIS";
            case 3:
                return "EUC";
            case 4:
                return "JIS";
            default:
                return {};
        }
    }
    switch (module.codeNo) {
        case 0:
            return "UTF-16";
        case 1:
            return "UTF-16BE";
        default:
            return {};
    }
}

namespace {

void setHeading(CodeList& list, int side, const ModulePanes& panes) {
    list.side = side;
    list.title = side == kAfter ? kAfterChange : kBeforeChange;
    const ModuleDescriptor* module = panes.module(side);
    list.hasModule = module != nullptr;
    list.encoding = module != nullptr ? encodingName(*module) : std::string();
    list.path = module != nullptr ? module->path : std::string();
    list.plainText = module != nullptr && module->extensionNumber == kPlainTextRules;
}

}  // namespace

void buildModuleRows(CodeList& list, int side, ModulePanes& panes,
                     const CounterSettings& settings) {
    const auto s = static_cast<std::size_t>(side);
    setHeading(list, side, panes);
    list.rows.clear();
    const ModuleDescriptor* module = panes.module(side);
    if (module == nullptr || !panes.hasBuffer[s]) {
        return;
    }
    ModuleText& text = panes.moduleText[s];
    const bool wide = module->utf16 != 0;
    std::int64_t length = panes.moduleLength[s];
    // A side has text when it holds at least two units.
    const auto capacity = static_cast<std::int64_t>(wide ? text.units.size() : text.bytes.size());
    if (length < 2 || capacity < 2) {
        return;
    }
    length = std::min(length, capacity);
    // Reserved pages cost no memory until rows are written; a list rarely needs more.
    list.rows.reserve(static_cast<std::size_t>(std::max(panes.lineTableSize, 0)));
    if (wide) {
        walkSide(text.units, length, side, panes, settings.delimit, list.rows);
    } else {
        walkSide(text.bytes, length, side, panes, settings.delimit, list.rows);
    }
}

void padShorterList(CodeList& afterList, CodeList& beforeList, ViewState viewState) {
    const CodeRow padding{0, 0, -1, static_cast<LineStatus>(viewState)};
    if (beforeList.rowCount() < afterList.rowCount() && beforeList.rowCount() > 0) {
        beforeList.rows.resize(afterList.rows.size(), padding);
    } else if (afterList.rowCount() < beforeList.rowCount() && afterList.rowCount() > 0) {
        afterList.rows.resize(beforeList.rows.size(), padding);
    }
}

std::string formatStepCounts(const StepCountRecord& counts) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%-6s %6d %-6s %6d %-6s %6d %-6s %6d %-6s %6d", "New",
                  counts.newSteps, "Original", counts.originalSteps, "Changed", counts.changedSteps,
                  "Re-used", counts.reusedSteps, "Deleted", counts.deletedSteps);
    return buffer;
}

void refreshLists(CodeListModels& models, ModulePanes& panes, const CounterSettings& settings,
                  const DisplayOptions& options, const StepCountRecord& counts) {
    models.listPosition = options.listPosition == 1 ? 1 : 0;
    models.tabWidth = options.tabWidth;
    CodeList& afterList =
        models.lists[static_cast<std::size_t>(listOfSide(kAfter, models.listPosition))];
    CodeList& beforeList =
        models.lists[static_cast<std::size_t>(listOfSide(kBefore, models.listPosition))];
    afterList.hint = kAfterHint;
    beforeList.hint = kBeforeHint;
    // The two walks touch different texts and lists.
    forBothSides([&](int side) {
        buildModuleRows(side == kAfter ? afterList : beforeList, side, panes, settings);
    });
    padShorterList(afterList, beforeList, options.viewState);
    models.counts = counts;
}

void refreshHeadings(CodeListModels& models, const ModulePanes& panes) {
    for (CodeList& list : models.lists) {
        setHeading(list, list.side, panes);
    }
}

namespace {

// Any status but Same differs, also one that is drawn like Same.
bool differs(const CodeListModels& models, std::int64_t row) {
    return models.lists[0].row(row).status != LineStatus::Same ||
           models.lists[1].row(row).status != LineStatus::Same;
}

}  // namespace

std::optional<std::int32_t> findNextDifference(const CodeListModels& models,
                                               std::int32_t lineTableSize, std::int32_t start) {
    // Rows past both lists are Same: no need to look beyond the longer list.
    const std::int64_t end = std::min<std::int64_t>(
        lineTableSize, std::max(models.lists[0].rowCount(), models.lists[1].rowCount()));
    for (std::int64_t r = static_cast<std::int64_t>(start) + 1; r < end; ++r) {
        if (differs(models, r)) {
            return static_cast<std::int32_t>(r);
        }
    }
    return std::nullopt;
}

std::optional<std::int32_t> findPreviousDifference(const CodeListModels& models,
                                                   std::int32_t lineTableSize, std::int32_t start) {
    const std::int64_t last = std::min<std::int64_t>(
        {static_cast<std::int64_t>(start) - 1, static_cast<std::int64_t>(lineTableSize) - 1,
         std::max(models.lists[0].rowCount(), models.lists[1].rowCount())});
    for (std::int64_t r = last; r >= 0; --r) {
        if (differs(models, r)) {
            return static_cast<std::int32_t>(r);
        }
    }
    return std::nullopt;
}

}  // namespace tavelin
