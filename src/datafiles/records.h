#pragma once
// Records shared by every layer: the module descriptor, the step counts and the per-line records.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tavelin {

// Side 0 is the module after the change, side 1 the module before it.
enum Side : int { kAfter = 0, kBefore = 1 };
constexpr int kSides = 2;

// Longest path a 522-byte field can hold.
constexpr std::size_t kMaxPath = 521;

// One module: a whole source file or a byte range of one, with the counts of its analysis.
// String fields hold at most (field size - 1) bytes in the system code page.
struct ModuleDescriptor {
    std::string path;        // char[522]
    std::string className;   // char[256]
    std::string moduleName;  // char[256]
    std::int16_t selectedFolderLength = 0;
    std::int32_t extensionNumber = 0;
    std::int32_t topPosition = 0;
    std::int32_t endPosition = 0;  // inclusive
    std::int32_t bytesFromTop = 0;
    std::int32_t lineNumber = 0;  // file line (from 1) of the module's first line
    std::uint8_t compareFlag = 0;
    std::uint8_t outputFlag = 0;
    std::uint8_t utf16 = 0;   // 1: text is UTF-16
    std::uint8_t codeNo = 0;  // utf16 0: 0 ANSI 1 UTF-8 2 SJIS 3 EUC 4 JIS; utf16 1: 0 LE 1 BE
    std::int32_t totalSteps = 0;
    std::int32_t actualSteps = 0;
    std::int32_t totalBytes = 0;
    std::int32_t actualBytes = 0;
    std::int32_t commentBytes = 0;
    std::int32_t spaceSteps = 0;
    std::int32_t noCountSteps = 0;
    std::int32_t noCountBytes = 0;
    std::int32_t preprocessorBytes = 0;

    static constexpr std::size_t kPathField = 522;
    static constexpr std::size_t kClassNameField = 256;
    static constexpr std::size_t kModuleNameField = 256;
};

struct StepCountRecord {
    std::uint8_t outputFlag = 0;
    std::int32_t newSteps = 0;
    std::int32_t originalSteps = 0;
    std::int32_t changedSteps = 0;
    std::int32_t reusedSteps = 0;
    std::int32_t deletedSteps = 0;
};

// Which modules take part in an analysis or comparison: both, or only one of them. The analysis
// treats white space differently when the two are compared.
enum Presence : int { kBothPresent = 1, kOnePresent = 2 };

// A line's status, one byte. A byte holding any other value is drawn and reported as Same.
enum class LineStatus : std::uint8_t { Same = 0, Deleted = 1, Added = 2, Blank = 3 };

// The status as drawn and reported: values above 3 count as Same.
constexpr LineStatus shownStatus(LineStatus status) {
    return static_cast<std::uint8_t>(status) > 3 ? LineStatus::Same : status;
}

// lineIndex is the 0-based line of the module text as loaded, -1 on padding rows.
struct LineRecord {
    LineStatus status = LineStatus::Same;
    std::int32_t lineIndex = 0;
};

// What the lists show: a comparison, or the plain or processed texts.
enum class ViewState : std::uint8_t { Plain = 0, Comparison = 3 };

using LineTable = std::vector<LineRecord>;

}  // namespace tavelin
