#pragma once
// The language rule set of one file extension, as loaded from an extension definition file.
// Capacities and field limits are those of the shared file format; the loader enforces them,
// so every count below equals the size of its vector.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tavelin {

constexpr int kMaxExtensions = 100;
constexpr int kMaxMacros = 10000;

// Comment and no-count rules.
struct DelimitedRule {
    std::int16_t endCount = 0;    // 0: line form; n > 0: block form with n end strings
    std::int16_t matchFlags = 0;  // bits 0-1 placement, bit 2 case-fold, bit 3 delete line head
    std::int16_t column = 1;      // 1-based column for placement mode 2
    std::array<std::string, 9> strings;  // [0] start, [1..endCount] ends; at most 63 bytes each
    std::string nestOpen;                // 0 or 1..4 bytes
    std::string nestClose;               // 0 or 1..4 bytes

    bool operator==(const DelimitedRule&) const = default;
};

struct StringRule {
    std::string start;   // at most 15 bytes; "%s" inside makes a pattern rule
    std::string end;     // at most 15 bytes
    std::string escape;  // at most 15 bytes

    bool operator==(const StringRule&) const = default;
};

struct CountString {
    std::int16_t kind = 0;
    std::int16_t extra = 0;
    std::array<std::string, 9> strings;  // at most 127 bytes each

    bool operator==(const CountString&) const = default;
};

struct MultiJudge {
    std::string text;
    std::int16_t countStringIndex = 0;
    std::int32_t value = 0;

    bool operator==(const MultiJudge&) const = default;
};

struct HeaderJudge {
    std::int16_t kind = 0;
    std::int16_t countStringIndex = 0;
    std::uint8_t b1 = 0;
    std::uint8_t b2 = 0;
    std::int16_t mode = 0;
    std::int32_t value = 0;
    std::int16_t n = 0;
    std::array<std::int16_t, 8> secondIndexes{};
    std::array<std::uint8_t, 8> secondB1{};
    std::array<std::uint8_t, 8> secondB2{};
    std::array<std::int32_t, 8> secondValues{};
    std::int16_t m = 0;
    std::array<std::int16_t, 16> thirdIndexes{};
    std::array<std::uint8_t, 16> thirdB1{};
    std::array<std::uint8_t, 16> thirdB2{};
    std::array<std::int32_t, 16> thirdValues{};
    std::array<std::uint8_t, 16> thirdB3{};

    bool operator==(const HeaderJudge&) const = default;
};

struct ClassJudge {
    std::string word;  // at most 31 bytes
    std::int16_t number = 0;

    bool operator==(const ClassJudge&) const = default;
};

struct RegionRule {
    std::int16_t caseInsensitive = 0;
    std::string startPattern;   // at most 127 bytes
    std::string endPattern;     // at most 127 bytes
    std::string extensionName;  // at most 31 bytes: [EXTNAME] of the language inside
    std::string attribute;      // stored only

    bool operator==(const RegionRule&) const = default;
};

struct PreprocessorRule {
    std::int16_t partCount = 0;  // 0: a one-line directive
    std::int16_t polarity = 0;
    std::array<std::int16_t, 9> partKinds{};
    std::array<std::string, 9> parts;  // at most 127 bytes each

    bool operator==(const PreprocessorRule&) const = default;
};

struct EndRule {
    std::int16_t enabled = 0;
    std::int16_t value1 = 0;
    std::int16_t value2 = 0;
    std::int32_t value3 = 0;

    bool operator==(const EndRule&) const = default;
};

struct ExtensionDefinition {
    std::string name;  // at most 31 bytes
    std::int16_t leadingNumbers = 0;
    std::int16_t allCount = 0;
    std::int16_t commentCount = 0;
    std::int16_t spaceCount = 0;
    std::vector<DelimitedRule> commentRules;          // at most 128
    std::vector<DelimitedRule> noCountRules;          // at most 64
    std::vector<StringRule> stringRules;              // at most 8
    std::vector<CountString> countStrings;            // at most 64
    std::vector<MultiJudge> multiJudges;              // at most 8
    std::vector<HeaderJudge> headerJudges;            // at most 64
    std::vector<ClassJudge> classJudges;              // 1..8
    std::vector<RegionRule> regionRules;              // at most 8
    std::vector<PreprocessorRule> preprocessorRules;  // at most 64
    std::int16_t macroCount = 0;                      // the list itself is read on demand
    std::vector<std::string> nonComments;             // at most 64, each at most 127 bytes
    std::vector<std::string> deleteStrings;           // at most 16, each at most 127 bytes
    EndRule classEnd;
    EndRule clearComment;
    std::int16_t deleteLeadingBytes = 0;     // [STDELBYTE]
    std::int16_t extensionNumber = 0;        // the record's own slot
    std::int16_t stringFlag = 0;             // [STRIFLG]
    std::vector<std::string> excludedFiles;  // at most 8, each at most 31 bytes
    std::int16_t multiLineStrings = 0;       // [STRNOTDLMT]
    std::string stepJoin;                    // stored only

    bool operator==(const ExtensionDefinition&) const = default;
};

struct MacroEntry {
    std::string name;  // at most 63 bytes
    std::int32_t value = 0;
    std::int16_t kind = 0;  // 0 both, 1 after only, 2 before only, 3 neither

    bool operator==(const MacroEntry&) const = default;
};

}  // namespace tavelin
