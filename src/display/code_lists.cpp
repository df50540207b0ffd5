#include "display/code_lists.h"

#include <cstdio>

#include "display/caption_conversion.h"
#include "platform/codepage.h"

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
    return LineRecord{0, static_cast<std::int32_t>(i)};
}

void setRow(LineTable& rows, std::int64_t r, LineRecord record) {
    const auto index = static_cast<std::size_t>(r);
    if (index >= rows.size()) {
        rows.resize(index + 1);
    }
    rows[index] = record;
}

// Expands tabs and drops CR/LF; `wide` marks units that take two columns.
template <typename Unit, typename Wide>
std::basic_string<Unit> expandTabs(const std::basic_string<Unit>& in, int tabWidth, Wide wide) {
    std::basic_string<Unit> out;
    out.reserve(in.size());
    int column = 0;
    const int width = tabWidth > 0 ? tabWidth : 8;
    for (Unit u : in) {
        if (u == Unit('\t')) {
            const int blanks = width - column % width;
            out.append(static_cast<std::size_t>(blanks), Unit(' '));
            column += blanks;
        } else if (u == Unit('\r') || u == Unit('\n')) {
            column += 1;
        } else {
            out.push_back(u);
            column += wide(u) ? 2 : 1;
        }
    }
    return out;
}

// The NUL-to-blank copy of a line: NULs among the first count-1 units become blanks; the copy
// ends at the first NUL that remains (the one that replaced the delimiter).
template <typename Unit>
std::basic_string<Unit> captionCopy(std::span<const Unit> line) {
    std::basic_string<Unit> copy;
    copy.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        Unit u = line[i];
        if (u == Unit(0)) {
            if (i + 1 == line.size()) {
                break;
            }
            u = Unit(' ');
        }
        copy.push_back(u);
    }
    return copy;
}

bool isDelimiter(unsigned u, unsigned next, bool hasNext, int delimit) {
    switch (delimit) {
        case 0:
            return u == '\r' && hasNext && next == '\n';
        case 1:
            return u == '\r';
        case 2:
        case 3:
            return u == '\n';
        default:
            return false;
    }
}

// The walk that turns one side's text into rows, inserting a filler row opposite each line of
// the other side that was deleted just before the next paired line.
template <typename Unit, typename Caption>
void walkText(Unit* text, std::int64_t length, std::int64_t start, int side, ModulePanes& panes,
              int delimit, CodeList& list, Caption caption) {
    const LineTable& own = panes.lines[static_cast<std::size_t>(side)];
    const LineTable& other = panes.lines[static_cast<std::size_t>(1 - side)];
    LineTable& rows = panes.rows[static_cast<std::size_t>(side)];
    // The after side stands opposite deleted before lines; the before side opposite added ones.
    const std::uint8_t otherUnpaired =
        static_cast<std::uint8_t>(side == kAfter ? LineStatus::Deleted : LineStatus::Added);
    const std::uint8_t ownUnpaired =
        static_cast<std::uint8_t>(side == kAfter ? LineStatus::Added : LineStatus::Deleted);
    const auto same = static_cast<std::uint8_t>(LineStatus::Same);

    std::int64_t lineStart = start;
    std::int64_t j = 0;
    std::int64_t r = 0;
    std::int64_t k = 0;
    std::int64_t pos = start;
    while (pos < length) {
        const unsigned u = static_cast<unsigned>(text[pos]);
        const bool hasNext = pos + 1 < length;
        const unsigned next = hasNext ? static_cast<unsigned>(text[pos + 1]) : 0U;
        const bool delimiter = isDelimiter(u, next, hasNext, delimit);
        if (!delimiter && pos != length - 1) {
            ++pos;
            continue;
        }
        const LineRecord line = entryAt(own, j);
        while (line.status == same && entryAt(other, k).status == otherUnpaired) {
            list.captions.emplace_back();
            setRow(rows, r,
                   LineRecord{static_cast<std::uint8_t>(LineStatus::Blank), line.lineIndex});
            ++k;
            ++r;
        }
        const Unit saved = text[pos];
        if (delimiter) {
            text[pos] = Unit(0);
        }
        list.captions.push_back(caption(std::span<const Unit>(
            text + lineStart, static_cast<std::size_t>(pos - lineStart + 1))));
        text[pos] = saved;
        setRow(rows, r, line);
        if (line.status == same ||
            (line.status == ownUnpaired && entryAt(other, k).status == otherUnpaired)) {
            ++k;
        }
        ++j;
        ++r;
        pos += (delimit == 0 && delimiter) ? 2 : 1;
        lineStart = pos;
    }
}

}  // namespace

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

std::string formatLineCaption(std::span<const unsigned char> line, int codeNo, int tabWidth) {
    const std::basic_string<unsigned char> copy = captionCopy(line);
    const std::string converted = convertCaptionBytes(
        std::string_view(reinterpret_cast<const char*>(copy.data()), copy.size()), codeNo);
    return expandTabs(converted, tabWidth, [](char) { return false; });
}

std::string formatLineCaption16(std::span<const char16_t> line, int tabWidth) {
    const std::u16string expanded =
        expandTabs(captionCopy(line), tabWidth, [](char16_t u) { return u > 255; });
    return utf16ToAnsi(expanded);
}

void fillModuleList(CodeList& list, int side, ModulePanes& panes, const CounterSettings& settings,
                    int tabWidth) {
    const auto s = static_cast<std::size_t>(side);
    list.side = side;
    list.captions.clear();
    const char* name = side == kAfter ? kAfterChange : kBeforeChange;
    const ModuleDescriptor* module = panes.module(side);
    if (module == nullptr) {
        list.heading = name;
        return;
    }
    list.heading = std::string(name) + "<" + encodingName(*module) + ">[" + module->path + "]";

    std::vector<unsigned char>& buffer = panes.moduleText[s];
    std::int64_t length = panes.moduleLength[s];
    const bool wide = module->utf16 != 0;
    // A side has text when it holds at least two units.
    const std::int64_t capacity = wide ? static_cast<std::int64_t>(buffer.size() / 2)
                                       : static_cast<std::int64_t>(buffer.size());
    if (!panes.hasBuffer[s] || length < 2 || capacity < 2) {
        return;
    }
    if (length > capacity) {
        length = capacity;
    }
    const int delimit = settings.delimit;
    if (!wide) {
        unsigned char* text = buffer.data();
        std::int64_t start = 0;
        if (length >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF) {
            text[0] = text[1] = text[2] = 0;
            start = 3;
        }
        if (delimit == 3) {
            for (std::int64_t i = 0; i < length; ++i) {
                if (text[i] == '\r' && (i + 1 >= length || text[i + 1] != '\n')) {
                    text[i] = '\n';
                }
            }
        }
        const int codeNo = module->codeNo;
        walkText(text, length, start, side, panes, delimit, list,
                 [&](std::span<const unsigned char> line) {
                     return formatLineCaption(line, codeNo, tabWidth);
                 });
        return;
    }
    // UTF-16 text is held as little-endian unit pairs; work on a unit copy and write it back.
    std::vector<char16_t> units(static_cast<std::size_t>(length));
    for (std::int64_t i = 0; i < length; ++i) {
        units[static_cast<std::size_t>(i)] =
            static_cast<char16_t>(buffer[static_cast<std::size_t>(2 * i)] |
                                  (buffer[static_cast<std::size_t>(2 * i + 1)] << 8));
    }
    std::int64_t start = 0;
    if (units[0] == 0xFEFF || units[0] == 0xFFFE) {
        units[0] = 0;
        start = 1;
    }
    if (delimit == 3) {
        for (std::int64_t i = 0; i < length; ++i) {
            if (units[static_cast<std::size_t>(i)] == u'\r' &&
                (i + 1 >= length || units[static_cast<std::size_t>(i + 1)] != u'\n')) {
                units[static_cast<std::size_t>(i)] = u'\n';
            }
        }
    }
    walkText(units.data(), length, start, side, panes, delimit, list,
             [&](std::span<const char16_t> line) { return formatLineCaption16(line, tabWidth); });
    for (std::int64_t i = 0; i < length; ++i) {
        buffer[static_cast<std::size_t>(2 * i)] =
            static_cast<unsigned char>(units[static_cast<std::size_t>(i)] & 0xFF);
        buffer[static_cast<std::size_t>(2 * i + 1)] =
            static_cast<unsigned char>(units[static_cast<std::size_t>(i)] >> 8);
    }
}

void padShorterList(CodeList& afterList, CodeList& beforeList, ModulePanes& panes,
                    std::uint8_t viewState) {
    const LineRecord padding{viewState, -1};
    auto pad = [&](CodeList& shorter, const CodeList& longer, int side) {
        LineTable& rows = panes.rows[static_cast<std::size_t>(side)];
        while (shorter.rowCount() < longer.rowCount()) {
            setRow(rows, shorter.rowCount(), padding);
            shorter.captions.emplace_back();
        }
    };
    if (beforeList.rowCount() < afterList.rowCount() && beforeList.rowCount() > 0) {
        pad(beforeList, afterList, kBefore);
    } else if (afterList.rowCount() < beforeList.rowCount() && afterList.rowCount() > 0) {
        pad(afterList, beforeList, kAfter);
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
    CodeList& afterList =
        models.lists[static_cast<std::size_t>(listOfSide(kAfter, options.listPosition))];
    CodeList& beforeList =
        models.lists[static_cast<std::size_t>(listOfSide(kBefore, options.listPosition))];
    afterList.hint = kAfterHint;
    beforeList.hint = kBeforeHint;
    fillModuleList(afterList, kAfter, panes, settings, options.tabWidth);
    fillModuleList(beforeList, kBefore, panes, settings, options.tabWidth);
    padShorterList(afterList, beforeList, panes, options.viewState);
    models.stepCountText = formatStepCounts(counts);
}

namespace {
bool differs(const ModulePanes& panes, std::int32_t row) {
    const auto same = static_cast<std::uint8_t>(LineStatus::Same);
    return entryAt(panes.rows[kAfter], row).status != same ||
           entryAt(panes.rows[kBefore], row).status != same;
}
}  // namespace

std::optional<std::int32_t> findNextDifference(const ModulePanes& panes, std::int32_t start) {
    for (std::int64_t r = static_cast<std::int64_t>(start) + 1; r < panes.lineTableSize; ++r) {
        if (differs(panes, static_cast<std::int32_t>(r))) {
            return static_cast<std::int32_t>(r);
        }
    }
    return std::nullopt;
}

std::optional<std::int32_t> findPreviousDifference(const ModulePanes& panes, std::int32_t start) {
    for (std::int64_t r = static_cast<std::int64_t>(start) - 1; r >= 0; --r) {
        if (r < panes.lineTableSize && differs(panes, static_cast<std::int32_t>(r))) {
            return static_cast<std::int32_t>(r);
        }
    }
    return std::nullopt;
}

}  // namespace tavelin
