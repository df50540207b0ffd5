#include "warnings/warning_list.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "datafiles/line_reader.h"
#include "platform/paths.h"
#include "text/text_rules.h"
#include "warnings/warning_csv.h"

namespace tavelin {

namespace {

std::string cut(std::string_view text, std::size_t maxChars) {
    return std::string(text.substr(0, std::min(text.size(), maxChars)));
}

// The text of the 1-based column `column` of a comma-separated line (every comma counts), or
// empty when there is no such column.
std::string_view csvColumn(std::string_view line, std::int32_t column) {
    if (column < 1) {
        return {};
    }
    std::size_t pos = 0;
    for (std::int32_t i = 1; i < column; ++i) {
        const std::size_t comma = line.find(',', pos);
        if (comma == std::string_view::npos) {
            return {};
        }
        pos = comma + 1;
    }
    const std::size_t comma = line.find(',', pos);
    return line.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A code number is used as a file name inside the help location; anything that could name
// another folder or drive, or a device, is refused.
bool isSafeHelpName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    bool trail = false;
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (trail) {
            trail = false;
            continue;
        }
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':') {
            return false;
        }
        trail = text::isShiftJisLead(c);
    }
    return true;
}

}  // namespace

int warningSubItemCount(const CounterSettings& settings) {
    return 2 + (settings.csvext1no > 0 ? 1 : 0) + (settings.csvext2no > 0 ? 1 : 0);
}

bool warningListsVisible(const CounterSettings& settings) {
    return !settings.csvapath.empty() || !settings.csvbpath.empty();
}

ExtraColumnNames loadExtraColumnNames(const CounterSettings& settings) {
    ExtraColumnNames names;
    if (!settings.csvhdstr.empty()) {
        const std::string header = withoutQuotes(settings.csvhdstr);
        names.first = cut(csvColumn(header, settings.csvext1no), kWarningHeadingChars);
        names.second = cut(csvColumn(header, settings.csvext2no), kWarningHeadingChars);
    }
    if (!settings.csvext1nam.empty()) {
        names.first = cut(settings.csvext1nam, kWarningHeadingChars);
    }
    if (!settings.csvext2nam.empty()) {
        names.second = cut(settings.csvext2nam, kWarningHeadingChars);
    }
    return names;
}

void prepareWarningList(WarningList& list, const ExtraColumnNames& names,
                        const CounterSettings& settings) {
    list.columns = {std::string(kWarningLineCaption), std::string(kWarningCodeCaption),
                    std::string(kWarningDescriptionCaption)};
    if (settings.csvext1no > 0) {
        list.columns.push_back(names.first);
    }
    if (settings.csvext2no > 0) {
        list.columns.push_back(names.second);
    }
    list.sortState = 1;
}

std::vector<int> warningColumnWidths(int listWidth, const CounterSettings& settings) {
    const int extras = warningSubItemCount(settings) - 2;
    const std::int64_t description = static_cast<std::int64_t>(listWidth) - (50 + 65 + 25) -
                                     100 * static_cast<std::int64_t>(extras);
    std::vector<int> widths{50, 65, static_cast<int>(std::max<std::int64_t>(description, 0))};
    for (int i = 0; i < extras; ++i) {
        widths.push_back(100);
    }
    return widths;
}

bool warningLineInModule(std::int32_t line, const ModuleDescriptor& module) {
    const std::int64_t first = module.lineNumber;
    const std::int64_t count = static_cast<std::int64_t>(module.totalSteps) +
                               static_cast<std::int64_t>(module.noCountSteps);
    const std::int64_t last = count < 1 ? first : first + count - 1;
    return line >= first && line <= last;
}

int loadWarningsFromBytes(WarningList& list, std::string_view csvBytes,
                          const ModuleDescriptor* module, const CounterSettings& settings) {
    list.rows.clear();
    std::string line;
    if (!settings.csvhdstr.empty()) {
        LineReader check(csvBytes);
        if (check.next(line, kWarningLineChars) &&
            withoutQuotes(line) != withoutQuotes(settings.csvhdstr)) {
            return kWarningsHeaderMismatch;
        }
    }
    // A pane without a module (or with an empty path) has no warnings: an empty path field
    // must not match it.
    if (module == nullptr || module->path.empty()) {
        return kWarningsLoaded;
    }
    LineReader reader(csvBytes);
    if (!settings.csvhdstr.empty()) {
        reader.next(line, kWarningLineChars);
    }
    const bool extra1 = settings.csvext1no > 0;
    const bool extra2 = settings.csvext2no > 0;
    ParsedWarning warning;
    while (reader.next(line, kWarningLineChars)) {
        if (!parseWarningRow(line, settings, warning)) {
            continue;
        }
        if (!pathsEqualNoCase(warning.path, module->path) ||
            !warningLineInModule(warning.line, *module)) {
            continue;
        }
        WarningRow row;
        row.caption = std::to_string(warning.line);
        row.subItems.reserve(static_cast<std::size_t>(warningSubItemCount(settings)));
        row.subItems.push_back(std::move(warning.codeNumber));
        row.subItems.push_back(std::move(warning.description));
        if (extra1) {
            row.subItems.push_back(std::move(warning.extra1));
        }
        if (extra2) {
            row.subItems.push_back(std::move(warning.extra2));
        }
        list.rows.push_back(std::move(row));
    }
    return kWarningsLoaded;
}

int loadWarnings(WarningList& list, const std::string& csvPath, const ModuleDescriptor* module,
                 const CounterSettings& settings) {
    list.rows.clear();
    std::string bytes;
    if (csvPath.empty() || !readWholeFile(csvPath, bytes)) {
        return kWarningsCannotOpen;
    }
    return loadWarningsFromBytes(list, bytes, module, settings);
}

Side warningListSide(std::int32_t listPosition, bool rightList) {
    const bool swapped = listPosition == 1;
    return (swapped != rightList) ? kBefore : kAfter;
}

std::array<int, 2> loadWarningLists(WarningList& left, WarningList& right,
                                    const ModuleDescriptor* afterModule,
                                    const ModuleDescriptor* beforeModule,
                                    const CounterSettings& settings, std::int32_t listPosition) {
    std::array<int, 2> results{};
    WarningList* lists[2] = {&left, &right};
    for (int i = 0; i < 2; ++i) {
        WarningList& list = *lists[i];
        if (warningListSide(listPosition, i == 1) == kAfter) {
            list.hint = std::string(kWarningAfterHint);
            results[static_cast<std::size_t>(i)] =
                loadWarnings(list, settings.csvapath, afterModule, settings);
        } else {
            list.hint = std::string(kWarningBeforeHint);
            results[static_cast<std::size_t>(i)] =
                loadWarnings(list, settings.csvbpath, beforeModule, settings);
        }
    }
    return results;
}

std::int32_t warningRowLine(const WarningRow& row) {
    return parseWarningLine(row.caption);
}

int compareWarningRows(const WarningRow& row1, const WarningRow& row2, std::int32_t sortState) {
    const std::int64_t s = sortState;
    const std::int64_t column = (s < 0 ? -s : s) - 1;
    std::int64_t result = 0;
    if (column < 0) {
        return 0;
    }
    if (column == 0) {
        const std::int32_t a = warningRowLine(row1);
        const std::int32_t b = warningRowLine(row2);
        result = a == b ? 0 : (a > b ? s : -s);
    } else {
        const auto item = static_cast<std::size_t>(column - 1);
        const std::string_view a = item < row1.subItems.size()
                                       ? std::string_view(row1.subItems[item])
                                       : std::string_view();
        const std::string_view b = item < row2.subItems.size()
                                       ? std::string_view(row2.subItems[item])
                                       : std::string_view();
        result = compareTextNoCase(a, b) * s;
    }
    // s may be the most negative 32-bit value; keep the sign within range.
    return static_cast<int>(std::clamp<std::int64_t>(result, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

namespace {

// The first N bytes of a text as the case-insensitive comparison sees them, NUL-padded.
template <std::size_t N>
std::array<unsigned char, N> foldedPrefix(std::string_view text) {
    std::array<unsigned char, N> key{};
    bool trail = false;
    for (std::size_t i = 0; i < N && i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        key[i] = !trail && c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
        trail = !trail && text::isShiftJisLead(c);
    }
    return key;
}

}  // namespace

void sortWarningList(WarningList& list, int column) {
    if (column < 0) {
        return;
    }
    const std::int32_t clicked = column + 1;
    list.sortState = list.sortState == clicked ? -clicked : clicked;
    const std::int32_t state = list.sortState;
    // The positions are sorted, not the rows (a row owns several strings), and the rows are then
    // moved once into their places. The line column is read once per row.
    std::vector<std::uint32_t> order(list.rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<std::uint32_t>(i);
    }
    const std::vector<WarningRow>& rows = list.rows;
    if (state == 1 || state == -1) {
        std::vector<std::int32_t> lines(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            lines[i] = warningRowLine(rows[i]);
        }
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return state > 0 ? lines[a] < lines[b] : lines[a] > lines[b];
        });
    } else {
        // The first bytes of each text, folded as the comparison folds them, side by side in
        // one array: most comparisons are decided there without visiting the rows.
        constexpr std::size_t kKey = 24;
        const auto item = static_cast<std::size_t>((state < 0 ? -state : state) - 2);
        std::vector<std::array<unsigned char, kKey>> keys(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            keys[i] = foldedPrefix<kKey>(
                item < rows[i].subItems.size() ? std::string_view(rows[i].subItems[item]) : "");
        }
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            const int prefix = std::memcmp(keys[a].data(), keys[b].data(), kKey);
            if (prefix != 0) {
                // Texts differ within the key (a shorter one is padded with NUL, which no text
                // holds, so it sorts first as the full comparison does).
                return state > 0 ? prefix < 0 : prefix > 0;
            }
            return compareWarningRows(rows[a], rows[b], state) < 0;
        });
    }
    std::vector<WarningRow> sorted;
    sorted.reserve(rows.size());
    for (const std::uint32_t i : order) {
        sorted.push_back(std::move(list.rows[i]));
    }
    list.rows = std::move(sorted);
}

bool isWebHelpTarget(std::string_view target) {
    return startsWith(target, "http:") || startsWith(target, "https:") ||
           startsWith(target, "file:");
}

std::string buildWarningHelpTarget(std::string_view helpPath, std::string_view helpExtension,
                                   std::string_view codeNumber) {
    if (helpPath.empty() || !isSafeHelpName(codeNumber)) {
        return {};
    }
    const bool web = isWebHelpTarget(helpPath);
    std::string target(helpPath);
    // A folder takes the platform's separator ('\\' on Windows, '/' elsewhere).
    target.push_back(web ? '/' : kPathSeparator);
    target.append(codeNumber);
    if (!helpExtension.empty()) {
        target.push_back('.');
        target.append(helpExtension);
    }
    return target;
}

WarningMenuItems warningMenuItems(bool hasSelectedRow, std::string_view helpPath1,
                                  std::string_view helpPath2) {
    WarningMenuItems items;
    if (hasSelectedRow) {
        items.jump = true;
        items.help1 = !helpPath1.empty();
        items.help2 = !helpPath2.empty();
    }
    return items;
}

}  // namespace tavelin
