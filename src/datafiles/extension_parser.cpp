// The extension definition file grammar: one reader per keyword over a LineReader. The same
// walk serves full loading and the on-demand macro list reading, so both agree on which lines
// are values and which are keywords.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/extension_loader.h"
#include "datafiles/line_reader.h"

namespace tavelin {

const std::string_view kExtensionKeywords[kExtensionKeywordCount] = {
    "[EXTNAME]",  "[NONUM]",     "[COMMENT]", "[STRING]",    "[CNTSTR]",     "[MULTJDG]",
    "[HEADJDG]",  "[NOCOUNT]",   "[CLSJDG]",  "[MULTSCR]",   "[ALLCOUNT]",   "[CMTCOUNT]",
    "[PREPRO]",   "[SPCCOUNT]",  "[MACRO]",   "[NOCOMMENT]", "[DELSTR]",     "[CLSEND]",
    "[CLRSTCMT]", "[STDELBYTE]", "[STRIFLG]", "[NOADDFILE]", "[STRNOTDLMT]", "[STEPJOIN]",
};

namespace {

// Field limits in bytes (a char[n] field holds n - 1).
constexpr std::size_t kNameBytes = 31;
constexpr std::size_t kRuleStringBytes = 63;
constexpr std::size_t kNestBytes = 4;
constexpr std::size_t kStringRuleBytes = 15;
constexpr std::size_t kLongStringBytes = 127;
constexpr std::size_t kMacroNameBytes = 63;

constexpr int kMaxCommentRules = 128;
constexpr int kMaxNoCountRules = 64;
constexpr int kMaxStringRules = 8;
constexpr int kMaxCountStrings = 64;
constexpr int kMaxMultiJudges = 8;
constexpr int kMaxHeaderJudges = 64;
constexpr int kMaxClassJudges = 8;
constexpr int kMaxRegionRules = 8;
constexpr int kMaxPreprocessorRules = 64;
constexpr int kMaxNonComments = 64;
constexpr int kMaxDeleteStrings = 16;
constexpr int kMaxExcludedFiles = 8;

// atoi with saturation: leading white space, an optional sign, digits up to the first other
// byte; no digits gives 0. Results beyond the 32-bit range saturate.
std::int32_t toInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(value * 10 + (text[i] - '0'), kCap);
    }
    if (negative) {
        value = -value;
    }
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int16_t toInt16(std::int32_t v) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(
        v, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

// `v` when it lies in lo..hi, else `fallback`.
std::int32_t inRange(std::int32_t v, std::int32_t lo, std::int32_t hi, std::int32_t fallback) {
    return v >= lo && v <= hi ? v : fallback;
}

// The comma-separated items of a line; empty items are dropped.
std::vector<std::string_view> splitItems(std::string_view line) {
    std::vector<std::string_view> items;
    std::size_t pos = 0;
    while (pos <= line.size()) {
        std::size_t comma = line.find(',', pos);
        if (comma == std::string_view::npos) {
            comma = line.size();
        }
        if (comma > pos) {
            items.push_back(line.substr(pos, comma - pos));
        }
        pos = comma + 1;
    }
    return items;
}

std::string cut(std::string_view s, std::size_t maxBytes) {
    return std::string(s.substr(0, std::min(s.size(), maxBytes)));
}

bool isCommentLine(std::string_view line) {
    return line.size() >= 4 && line.substr(0, 4) == "//+-";
}

int keywordIndex(std::string_view line) {
    for (int i = 0; i < kExtensionKeywordCount; ++i) {
        if (kExtensionKeywords[i] == line) {
            return i;
        }
    }
    return -1;
}

struct Parser {
    LineReader reader;
    const ExtensionTable* table;  // nullptr: no [EXTNAME] uniqueness check
    int slot;
    int delimit;
    ExtensionDefinition& def;
    std::vector<MacroEntry>* macros;  // non-null: collect [MACRO] lists instead of skipping them

    // The next value line, comment lines skipped; false at the end of the input.
    bool value(std::string& line, std::size_t room) {
        while (reader.next(line, room)) {
            if (!isCommentLine(line)) {
                return true;
            }
        }
        return false;
    }

    // "Dlmt" becomes the line delimiter of [DELIMIT]; "None" becomes empty.
    std::string filtered(const std::string& s) const {
        if (s == "Dlmt") {
            return std::string(lineTerminator(delimit));
        }
        if (s == "None") {
            return {};
        }
        return s;
    }

    // A count line read as a number in lo..hi, else 0 (also when the line is missing).
    int count(int hi) {
        std::string line;
        if (!value(line, kExtensionValueLine)) {
            return 0;
        }
        return inRange(toInt(line), 0, hi, 0);
    }

    // A one-line flag or number: in lo..hi, else 0.
    std::int16_t scalar(std::int32_t hi) {
        std::string line;
        if (!value(line, kExtensionLongLine)) {
            return 0;
        }
        return static_cast<std::int16_t>(inRange(toInt(line), 0, hi, 0));
    }

    bool readName() {
        std::string line;
        if (!value(line, kExtensionLongLine)) {
            return false;
        }
        // Compare the name as it will be stored, so two stored names can never be equal.
        std::string name = cut(line, kNameBytes);
        if (table != nullptr) {
            const int loaded = std::clamp<int>(table->extensionCount, 0, kMaxExtensions);
            for (int i = 0; i < loaded; ++i) {
                if (i != slot && table->definitions[static_cast<std::size_t>(i)].name == name) {
                    return false;
                }
            }
        }
        def.name = std::move(name);
        return true;
    }

    bool readDelimitedRules(std::vector<DelimitedRule>& rules, int maxRules) {
        rules.clear();
        const int n = count(maxRules);
        std::string line;
        for (int r = 0; r < n; ++r) {
            if (!value(line, kExtensionValueLine)) {
                return false;
            }
            DelimitedRule rule;
            const auto items = splitItems(line);
            if (!items.empty()) {
                rule.endCount = static_cast<std::int16_t>(inRange(toInt(items[0]), 0, 8, 0));
            }
            if (items.size() > 1) {
                rule.matchFlags = static_cast<std::int16_t>(inRange(toInt(items[1]), 0, 15, 0));
            }
            if (items.size() > 2) {
                rule.column = static_cast<std::int16_t>(inRange(toInt(items[2]), 0, 32767, 1));
            }
            if (items.size() > 3 && items[3].size() <= kNestBytes) {
                rule.nestOpen = std::string(items[3]);
            }
            if (items.size() > 4 && items[4].size() <= kNestBytes) {
                rule.nestClose = std::string(items[4]);
            }
            if (rule.nestClose.empty()) {
                // An opener that nothing closes would never let the comment end.
                rule.nestOpen.clear();
            }
            for (int s = 0; s <= rule.endCount; ++s) {
                if (!value(line, kExtensionValueLine)) {
                    return false;
                }
                rule.strings[static_cast<std::size_t>(s)] = cut(filtered(line), kRuleStringBytes);
            }
            rules.push_back(std::move(rule));
        }
        return true;
    }

    // Never fails: a missing line leaves its field empty.
    void readStringRules() {
        def.stringRules.clear();
        const int n = count(kMaxStringRules);
        std::string line;
        for (int r = 0; r < n; ++r) {
            StringRule rule;
            if (value(line, kExtensionValueLine)) {
                rule.start = cut(line, kStringRuleBytes);
            }
            if (value(line, kExtensionValueLine)) {
                rule.end = cut(line, kStringRuleBytes);
            }
            if (value(line, kExtensionValueLine)) {
                rule.escape = cut(filtered(line), kStringRuleBytes);
            }
            def.stringRules.push_back(std::move(rule));
        }
    }

    bool readCountStrings() {
        def.countStrings.clear();
        const int n = count(kMaxCountStrings);
        std::string line;
        for (int r = 0; r < n; ++r) {
            if (!value(line, kExtensionValueLine)) {
                return false;
            }
            CountString item;
            const auto items = splitItems(line);
            if (!items.empty()) {
                item.extra = static_cast<std::int16_t>(inRange(toInt(items[0]), 0, 8, 0));
            }
            if (items.size() > 1) {
                item.kind = static_cast<std::int16_t>(inRange(toInt(items[1]), 0, 7, 0));
            }
            for (int s = 0; s <= item.extra; ++s) {
                if (!value(line, kExtensionValueLine)) {
                    return false;
                }
                item.strings[static_cast<std::size_t>(s)] = cut(filtered(line), kLongStringBytes);
            }
            def.countStrings.push_back(std::move(item));
        }
        return true;
    }

    // An "index,value[,...]" line of [MULTJDG] or [HEADJDG]: both leading items must be there,
    // the index must name a counting string (or be -1) and the value must be at least minValue.
    bool indexValue(const std::vector<std::string_view>& items, std::int32_t minValue,
                    std::int16_t& index, std::int32_t& val) const {
        if (items.size() < 2) {
            return false;
        }
        const std::int32_t i = toInt(items[0]);
        const std::int32_t v = toInt(items[1]);
        if (i < -1 || i >= static_cast<std::int32_t>(def.countStrings.size()) || v < minValue) {
            return false;
        }
        index = static_cast<std::int16_t>(i);
        val = v;
        return true;
    }

    bool readMultiJudges() {
        def.multiJudges.clear();
        const int n = count(kMaxMultiJudges);
        std::string line;
        for (int r = 0; r < n; ++r) {
            if (!value(line, kExtensionValueLine)) {
                return false;
            }
            MultiJudge item;
            item.text = cut(filtered(line), kLongStringBytes);
            // A missing number line leaves index and value 0.
            if (value(line, kExtensionValueLine) &&
                !indexValue(splitItems(line), 0, item.countStringIndex, item.value)) {
                return false;
            }
            def.multiJudges.push_back(std::move(item));
        }
        return true;
    }

    // An optional byte item in 0..hi; an item out of range fails.
    static bool byteItem(const std::vector<std::string_view>& items, std::size_t at, int hi,
                         std::uint8_t& out) {
        if (items.size() <= at) {
            return true;
        }
        const std::int32_t v = toInt(items[at]);
        if (v < 0 || v > hi) {
            return false;
        }
        out = static_cast<std::uint8_t>(v);
        return true;
    }

    // Every number of [HEADJDG] must be in range, the counts included; missing lines are not a
    // failure and leave their fields 0.
    bool readHeaderJudges() {
        def.headerJudges.clear();
        std::string line;
        if (!value(line, kExtensionValueLine)) {
            return true;
        }
        const std::int32_t n = toInt(line);
        if (n < 0 || n > kMaxHeaderJudges) {
            return false;
        }
        def.headerJudges.resize(static_cast<std::size_t>(n));
        for (HeaderJudge& item : def.headerJudges) {
            if (!value(line, kExtensionValueLine)) {
                return true;
            }
            auto items = splitItems(line);
            const std::int32_t kind = items.empty() ? 0 : toInt(items[0]);
            const std::int32_t mode = items.size() > 1 ? toInt(items[1]) : 0;
            if (kind < 0 || kind > 7 || mode < 0 || mode > 2) {
                return false;
            }
            item.kind = static_cast<std::int16_t>(kind);
            item.mode = static_cast<std::int16_t>(mode);

            if (!value(line, kExtensionValueLine)) {
                return true;
            }
            items = splitItems(line);
            if (!indexValue(items, -1, item.countStringIndex, item.value) ||
                !byteItem(items, 2, 8, item.b1) || !byteItem(items, 3, 5, item.b2)) {
                return false;
            }

            if (!value(line, kExtensionValueLine)) {
                return true;
            }
            const std::int32_t second = toInt(line);
            if (second < 0 || second > 8) {
                return false;
            }
            item.n = static_cast<std::int16_t>(second);
            for (std::size_t k = 0; k < static_cast<std::size_t>(second); ++k) {
                if (!value(line, kExtensionValueLine)) {
                    return true;
                }
                items = splitItems(line);
                if (!indexValue(items, -1, item.secondIndexes[k], item.secondValues[k]) ||
                    !byteItem(items, 2, 8, item.secondB1[k]) ||
                    !byteItem(items, 3, 5, item.secondB2[k])) {
                    return false;
                }
            }

            if (!value(line, kExtensionValueLine)) {
                return true;
            }
            const std::int32_t third = toInt(line);
            if (third < 0 || third > 16) {
                return false;
            }
            item.m = static_cast<std::int16_t>(third);
            for (std::size_t k = 0; k < static_cast<std::size_t>(third); ++k) {
                if (!value(line, kExtensionValueLine)) {
                    return true;
                }
                items = splitItems(line);
                if (!indexValue(items, -1, item.thirdIndexes[k], item.thirdValues[k]) ||
                    !byteItem(items, 2, 8, item.thirdB1[k]) ||
                    !byteItem(items, 3, 4, item.thirdB3[k]) ||
                    !byteItem(items, 4, 5, item.thirdB2[k])) {
                    return false;
                }
            }
        }
        return true;
    }

    bool readClassJudges() {
        def.classJudges.clear();
        std::string line;
        if (!value(line, kExtensionValueLine)) {
            return false;
        }
        const std::int32_t n = toInt(line);
        if (n < 1 || n > kMaxClassJudges) {
            // Not a count: the line itself is the one class word.
            def.classJudges.push_back(ClassJudge{cut(line, kNameBytes), 0});
            return true;
        }
        for (std::int32_t r = 0; r < n; ++r) {
            if (!value(line, kExtensionValueLine)) {
                return false;
            }
            const auto items = splitItems(line);
            if (items.empty()) {
                return false;
            }
            ClassJudge entry;
            entry.word = cut(items[0], kNameBytes);
            entry.number = items.size() > 1 ? toInt16(toInt(items[1])) : std::int16_t{0};
            def.classJudges.push_back(std::move(entry));
        }
        return true;
    }

    bool readRegionRules() {
        def.regionRules.clear();
        const int n = count(kMaxRegionRules);
        std::string line;
        for (int r = 0; r < n; ++r) {
            if (!value(line, kExtensionLongLine)) {
                return false;
            }
            RegionRule rule;
            const auto items = splitItems(line);
            if (!items.empty()) {
                rule.caseInsensitive = static_cast<std::int16_t>(inRange(toInt(items[0]), 0, 1, 0));
            }
            if (items.size() > 1) {
                rule.attribute = cut(items[1], kLongStringBytes);
            }
            if (!value(line, kExtensionValueLine)) {
                return false;
            }
            rule.startPattern = line;
            if (!value(line, kExtensionValueLine)) {
                return false;
            }
            rule.endPattern = line;
            if (!value(line, kExtensionRegionNameLine)) {
                return false;
            }
            rule.extensionName = line;
            def.regionRules.push_back(std::move(rule));
        }
        return true;
    }

    bool readPreprocessorRules() {
        def.preprocessorRules.clear();
        const int n = count(kMaxPreprocessorRules);
        std::string line;
        for (int r = 0; r < n; ++r) {
            if (!value(line, kExtensionValueLine)) {
                return false;
            }
            PreprocessorRule rule;
            const auto items = splitItems(line);
            if (!items.empty()) {
                rule.partCount = static_cast<std::int16_t>(inRange(toInt(items[0]), 1, 8, 0));
            }
            if (items.size() > 1) {
                rule.polarity = static_cast<std::int16_t>(inRange(toInt(items[1]), 0, 1, 0));
            }
            // Up to partCount + 1 kinds; a kind not given stays 0.
            for (std::size_t k = 0; k <= static_cast<std::size_t>(rule.partCount); ++k) {
                if (items.size() <= k + 2) {
                    break;
                }
                rule.partKinds[k] =
                    static_cast<std::int16_t>(inRange(toInt(items[k + 2]), 0, 2, 0));
            }
            for (std::size_t p = 0; p <= static_cast<std::size_t>(rule.partCount); ++p) {
                if (!value(line, kExtensionValueLine)) {
                    return false;
                }
                rule.parts[p] = cut(filtered(line), kLongStringBytes);
            }
            def.preprocessorRules.push_back(std::move(rule));
        }
        return true;
    }

    bool readMacros() {
        std::string line;
        if (macros == nullptr) {
            // Loading keeps only the count; the lines are read again on demand.
            const int n = count(kMaxMacros);
            def.macroCount = static_cast<std::int16_t>(n);
            for (int r = 0; r < n; ++r) {
                if (!value(line, kExtensionValueLine)) {
                    return false;
                }
            }
            return true;
        }
        macros->clear();
        int n = 0;
        if (value(line, kExtensionValueLine)) {
            n = std::clamp<std::int32_t>(toInt(line), 0, kMaxMacros);
        }
        for (int r = 0; r < n; ++r) {
            if (!value(line, kExtensionValueLine)) {
                break;  // a missing line ends the list
            }
            macros->push_back(parseMacroLine(line));
        }
        def.macroCount = static_cast<std::int16_t>(macros->size());
        return true;
    }

    bool readStringList(std::vector<std::string>& list, int maxItems, std::size_t maxBytes) {
        list.clear();
        const int n = count(maxItems);
        std::string line;
        for (int r = 0; r < n; ++r) {
            if (!value(line, kExtensionValueLine)) {
                return false;
            }
            list.push_back(cut(line, maxBytes));
        }
        return true;
    }

    // [CLSEND] and [CLRSTCMT]: never fail.
    void readEndRule(EndRule& rule) {
        rule = EndRule{};
        std::string line;
        if (!value(line, kExtensionValueLine)) {
            return;
        }
        rule.enabled = static_cast<std::int16_t>(inRange(toInt(line), 0, 1, 0));
        if (rule.enabled != 1 || !value(line, kExtensionValueLine)) {
            return;
        }
        const auto items = splitItems(line);
        if (!items.empty()) {
            rule.value1 = static_cast<std::int16_t>(inRange(toInt(items[0]), 0, 63, 0));
        }
        if (items.size() > 1) {
            rule.value2 = static_cast<std::int16_t>(inRange(toInt(items[1]), 0, 8, 0));
        }
        if (items.size() > 2) {
            rule.value3 = toInt(items[2]);
        }
    }

    bool readStepJoin() {
        std::string line;
        if (!value(line, kExtensionLongLine)) {
            return false;
        }
        def.stepJoin = cut(line, kNameBytes);
        return true;
    }

    // Runs the reader of keyword `k`; false when the file fails.
    bool readKeyword(int k) {
        switch (k) {
            case 0:
                return readName();
            case 1:
                def.leadingNumbers = scalar(1);
                return true;
            case 2:
                return readDelimitedRules(def.commentRules, kMaxCommentRules);
            case 3:
                readStringRules();
                return true;
            case 4:
                return readCountStrings();
            case 5:
                return readMultiJudges();
            case 6:
                return readHeaderJudges();
            case 7:
                return readDelimitedRules(def.noCountRules, kMaxNoCountRules);
            case 8:
                return readClassJudges();
            case 9:
                return readRegionRules();
            case 10:
                def.allCount = scalar(1);
                return true;
            case 11:
                def.commentCount = scalar(1);
                return true;
            case 12:
                return readPreprocessorRules();
            case 13:
                def.spaceCount = scalar(1);
                return true;
            case 14:
                return readMacros();
            case 15:
                return readStringList(def.nonComments, kMaxNonComments, kLongStringBytes);
            case 16:
                return readStringList(def.deleteStrings, kMaxDeleteStrings, kLongStringBytes);
            case 17:
                readEndRule(def.classEnd);
                return true;
            case 18:
                readEndRule(def.clearComment);
                return true;
            case 19:
                def.deleteLeadingBytes = scalar(32767);
                return true;
            case 20:
                def.stringFlag = scalar(1);
                return true;
            case 21:
                return readStringList(def.excludedFiles, kMaxExcludedFiles, kNameBytes);
            case 22:
                def.multiLineStrings = scalar(1);
                return true;
            case 23:
                return readStepJoin();
            default:
                return true;
        }
    }

    // Walks the file; false when a keyword reader failed.
    bool run() {
        std::string line;
        while (reader.next(line, kExtensionLongLine)) {
            if (line.empty() || isCommentLine(line)) {
                continue;
            }
            const int k = keywordIndex(line);
            if (k >= 0 && !readKeyword(k)) {
                return false;
            }
        }
        return true;
    }
};

}  // namespace

MacroEntry parseMacroLine(std::string_view line) {
    MacroEntry entry;
    const auto items = splitItems(line);
    if (!items.empty()) {
        entry.name = cut(items[0], kMacroNameBytes);
    }
    if (items.size() > 1) {
        entry.value = toInt(items[1]);
    }
    if (items.size() > 2) {
        entry.kind = static_cast<std::int16_t>(inRange(toInt(items[2]), 0, 3, 0));
    }
    return entry;
}

int parseExtensionDefinition(std::string_view bytes, const ExtensionTable& table, int slot,
                             int delimit, ExtensionDefinition& out) {
    ExtensionDefinition def;
    Parser parser{LineReader(bytes), &table, slot, delimit, def, nullptr};
    if (!parser.run()) {
        out = ExtensionDefinition{};
        return kExtensionFailed;
    }
    def.extensionNumber = static_cast<std::int16_t>(slot);
    out = std::move(def);
    return kExtensionLoaded;
}

int readMacroList(std::string_view bytes, std::vector<MacroEntry>& out) {
    out.clear();
    ExtensionDefinition scratch;
    // The delimiter only shapes values that are thrown away here.
    Parser parser{LineReader(bytes), nullptr, -1, 0, scratch, &out};
    // A keyword that fails ends the walk; the list read so far stands.
    parser.run();
    return static_cast<int>(out.size());
}

}  // namespace tavelin
