#pragma once
// The comparison driver: prepares both module texts, runs the line matcher and sets the five
// step counts (New, Original, Changed, Re-used, Deleted).

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

// The source analysis as the driver uses it. Both calls work in place on the pane's text (8-bit,
// or UTF-16 as little-endian unit pairs when the descriptor's utf16 flag is 1, lengths in units),
// leave it ending with a delimiter or a NUL that the length includes, fill the descriptor's
// counts and return 0.
class ModulePreparation {
  public:
    virtual ~ModulePreparation() = default;
    // The step-count preparation: removes what does not count and writes, into each remaining
    // line's lineIndex, the number of that line in the text as loaded. display, when given,
    // receives the display form of the prepared text and displayLength its length in units.
    virtual int prepareSteps(int side, std::vector<unsigned char>& text, std::int32_t& length,
                             const CounterSettings& settings, const ExtensionDefinition* definition,
                             ModuleDescriptor& module, int presence, LineTable& lines,
                             std::vector<unsigned char>* display, std::int32_t* displayLength) = 0;
    // The light current-state preparation; the line table is left as it is.
    virtual int prepareCurrentState(int side, std::vector<unsigned char>& text,
                                    std::int32_t& length, const CounterSettings& settings,
                                    ModuleDescriptor& module, int presence, LineTable& lines) = 0;
};

struct ComparisonContext {
    ModulePanes& panes;
    const CounterSettings& settings;
    const ExtensionTable& extensions;
    const TPzConv& converter;
    StepCountRecord& counts;
    ModulePreparation& preparation;
    MatchProgress* progress = nullptr;  // the window's status bar; nullptr when unattended
};

// Runs one comparison. Always returns 0; the results are left in the line tables, the texts,
// the descriptors and the step counts.
int runComparison(ComparisonMode mode, ComparisonContext& context);

// ---------------------------------------------------------------------------------------------
// The pieces of a run, usable on their own.

// The matcher options of a run: resyncCount from [NEXTLCHK], ignoreCase from the after module's
// language rules or [STRIFLG], useReused from [USECFLG] or, with [MOUTUSEC], an after module
// named "Out of module".
MatchOptions comparisonOptions(const CounterSettings& settings, const ModuleDescriptor& after,
                               const ExtensionDefinition* afterDefinition);

// The comparison copy of a prepared 8-bit text in the system code page, by codeNo: UTF-8
// converted to the code page, EUC and JIS converted to Shift-JIS, ANSI and Shift-JIS as they are.
std::string comparisonCopy(std::span<const unsigned char> prepared, std::uint8_t codeNo,
                           const TPzConv& converter);

// UTF-16 units from little-endian unit pairs (a trailing odd byte is ignored).
std::u16string unitsFromLittleEndian(std::span<const unsigned char> bytes);

// The two compared texts: both 8-bit copies when neither module is UTF-16, else both UTF-16
// (a UTF-16 module as it is, an 8-bit copy widened from the code page).
struct ComparisonTexts {
    bool wide = false;
    std::string after8;
    std::string before8;
    std::u16string after16;
    std::u16string before16;
};
ComparisonTexts comparisonTexts(const ModulePanes& panes, const TPzConv& converter);

// Runs the matcher once on the comparison texts.
MatchResult matchTexts(const ComparisonTexts& texts, const MatchOptions& options,
                       ModulePanes& panes, MatchProgress* progress);

// The automatic choice ([NEXTLCHK] 12): runs the matcher with 10, 11 and 12 and keeps the trial
// with the most re-used lines, a later trial winning on equal counts; when that is not the last
// trial, resets the statuses and reruns it so that the tables hold its result. Any other
// resyncCount runs once. Returns the kept result; chosen (when given) receives its option.
MatchResult matchWithChoice(const ComparisonTexts& texts, MatchOptions options, ModulePanes& panes,
                            MatchProgress* progress, std::int32_t* chosen = nullptr);

// The five counts from a match of two modules with text.
void setComparedCounts(StepCountRecord& counts, const MatchResult& result,
                       std::int32_t afterActualSteps, std::int32_t beforeActualSteps);

// The status-bar text of the five counts:
// "%-6s %6d %-6s %6d %-6s %6d %-6s %6d %-6s %6d" with "New", "Original", "Changed", "Re-used",
// "Deleted".
std::string stepCountsText(const StepCountRecord& counts);

}  // namespace tavelin
