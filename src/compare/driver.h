#pragma once
// The comparison driver: prepares both module texts, runs the line matcher and sets the five
// step counts (New, Original, Changed, Re-used, Deleted).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "compare/line_matcher.h"
#include "datafiles/counter_settings.h"
#include "datafiles/extension_definition.h"
#include "datafiles/extension_table.h"
#include "datafiles/module_panes.h"
#include "datafiles/records.h"
#include "text/pz_conv.h"

namespace tavelin {

enum class ComparisonMode : int { StepComparison = 0, CurrentState = 1 };

// The source analysis as the driver uses it. Both calls work in place on the pane's text (8-bit
// text, or UTF-16 units when the descriptor's utf16 flag is 1; lengths in units), leave it
// ending with a delimiter or a NUL that the length includes, fill the descriptor's counts and
// return 0. The driver prepares the two sides at the same time on two threads: an implementation
// must allow two calls for different sides to run concurrently.
class ModulePreparation {
  public:
    virtual ~ModulePreparation() = default;
    // The step-count preparation: removes what does not count and writes, into each remaining
    // line's lineIndex, the number of that line in the text as loaded. display, when given,
    // receives the display form of the prepared text and displayLength its length in units.
    virtual int prepareSteps(int side, ModuleText& text, std::int32_t& length,
                             const CounterSettings& settings, const ExtensionDefinition* definition,
                             ModuleDescriptor& module, Presence presence, LineTable& lines,
                             ModuleText* display, std::int32_t* displayLength) = 0;
    // The light current-state preparation; the line table is left as it is.
    virtual int prepareCurrentState(int side, ModuleText& text, std::int32_t& length,
                                    const CounterSettings& settings, ModuleDescriptor& module,
                                    Presence presence, LineTable& lines) = 0;
    // Called once before the two sides are prepared concurrently, with the definitions they
    // use: whatever is loaded on demand must be loaded here.
    virtual void beforeConcurrentUse(std::span<const ExtensionDefinition* const> definitions) {
        (void)definitions;
    }
};

struct ComparisonContext {
    ModulePanes& panes;
    const CounterSettings& settings;
    const ExtensionTable& extensions;
    const TPzConv& converter;
    StepCountRecord& counts;
    ModulePreparation& preparation;
    MatchProgress* progress = nullptr;  // the window's status bar; nullptr when unattended
    // The comparison option of the window's selector (as [NEXTLCHK]: 0..9, 10..12 automatic).
    std::int32_t resyncChoice = 0;
    // The caller knows that both modules are the same bytes read with the same definition (a
    // file that did not change): the step comparison then prepares both sides as usual and,
    // when the prepared texts are equal, skips the matcher, which would pair every line with
    // itself (nothing changed, added or deleted). Counts and statuses are the matcher's.
    bool sameTexts = false;
};

// Runs one comparison. Always returns 0; the results are left in the line tables, the texts,
// the descriptors and the step counts.
int runComparison(ComparisonMode mode, ComparisonContext& context);

// ---------------------------------------------------------------------------------------------
// The pieces of a run, usable on their own.

// Entries of the comparison-option selector: 0..9 mean 1..10 lines, 10..12 the automatic
// choices.
inline constexpr std::int32_t kResyncChoices = 13;

// The entry the selector starts on: [NEXTLCHK] when it names one, else none (-1).
inline std::int32_t startingResyncChoice(const CounterSettings& settings) {
    return settings.nextlchk >= 0 && settings.nextlchk < kResyncChoices ? settings.nextlchk : -1;
}

// The matcher options of a run: resyncCount from the selector's choice, ignoreCase from the
// after module's language rules or [STRIFLG], useReused from [USECFLG] or, with [MOUTUSEC], an
// after module named "Out of module".
MatchOptions comparisonOptions(const CounterSettings& settings, std::int32_t resyncChoice,
                               const ModuleDescriptor& after,
                               const ExtensionDefinition* afterDefinition);

// The comparison copy of a prepared 8-bit text in the system code page, by codeNo: UTF-8
// converted to the code page, EUC and JIS converted to Shift-JIS, ANSI and Shift-JIS as they are.
std::string comparisonCopy(std::span<const unsigned char> prepared, std::uint8_t codeNo,
                           const TPzConv& converter);

// The two compared texts: both 8-bit when neither module is UTF-16, else both UTF-16 (a UTF-16
// module as it is, an 8-bit one widened from the code page). The views point into the panes
// where no conversion is needed and into the copies held here otherwise, so the object must not
// outlive the panes' texts and cannot be copied.
struct ComparisonTexts {
    bool wide = false;
    std::span<const unsigned char> after8;
    std::span<const unsigned char> before8;
    std::span<const char16_t> after16;
    std::span<const char16_t> before16;
    std::array<std::string, kSides> converted8;
    std::array<std::u16string, kSides> converted16;

    ComparisonTexts() = default;
    ComparisonTexts(const ComparisonTexts&) = delete;
    ComparisonTexts& operator=(const ComparisonTexts&) = delete;
};
void comparisonTexts(const ModulePanes& panes, const TPzConv& converter, ComparisonTexts& texts);

// The automatic choice ([NEXTLCHK] 12): runs the matcher with 10, 11 and 12 and keeps the trial
// with the most re-used lines, a later trial winning on equal counts; when that is not the last
// trial, resets the statuses and reruns it so that the tables hold its result. Any other
// resyncCount runs once. The texts are split and interned once for all trials. Returns the kept
// result; chosen (when given) receives its option.
MatchResult matchWithChoice(const ComparisonTexts& texts, MatchOptions options, ModulePanes& panes,
                            MatchProgress* progress, std::int32_t* chosen = nullptr);

// The five counts from a match of two modules with text.
void setComparedCounts(StepCountRecord& counts, const MatchResult& result,
                       std::int32_t afterActualSteps, std::int32_t beforeActualSteps);

}  // namespace tavelin
