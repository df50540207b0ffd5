#pragma once
// The processing views: the "Preprocessing" run and the views that each apply one analysis pass
// to both modules, so that a user can see what each language rule removes.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis_environment.h"
#include "datafiles/counter_settings.h"
#include "datafiles/extension_table.h"
#include "datafiles/module_panes.h"
#include "text/module_loader.h"

namespace tavelin {

// Selector entries handled here.
enum ProcessingView : int {
    kViewPreprocessing = 1,
    kViewNoCountAreas = 3,
    kViewDelimiters = 4,
    kViewNumberValues = 5,
    kViewComments = 6,
    kViewSpaces = 7,
    kViewPreprocessor = 8,
    kViewDeleteStrings = 9,
    kViewLeadingBytes = 10,
};

// Resets both line tables, then treats side 0 and side 1. "Preprocessing" reloads both modules
// first and writes the module counts; the other views act on the buffers as they stand (so
// successive views add up), drop the counts their pass returns and leave a buffer of length 1 or
// less alone. Returns what the reload gave each side (both kLoadOk for a view that does not
// reload), or nothing for an index that is not a view.
std::optional<ReloadResult> runProcessingView(int index, ModulePanes& panes,
                                              const CounterSettings& settings,
                                              const ExtensionTable& table,
                                              const RuleEnvironment& env);

// A macro provider over the loader's on-demand macro table. The list of each slot is read once
// and kept until forget(), so the lists it hands out stay valid and two analyses can ask for
// them at the same time.
class LoaderMacros final : public MacroProvider {
  public:
    LoaderMacros(ExtensionTable& table, const CounterSettings& settings, DataFolders folders)
        : table_(table), settings_(settings), folders_(std::move(folders)) {}
    const std::vector<MacroEntry>& macrosFor(int slot) override;
    // Drops the kept lists: the next request reads the definition file again.
    void forget();

  private:
    ExtensionTable& table_;
    const CounterSettings& settings_;
    DataFolders folders_;
    std::mutex mutex_;
    std::map<int, std::vector<MacroEntry>> lists_;
};

// The environment the program uses: region targets from the table, macros from the loader and
// definition strings converted with the system code page.
RuleEnvironment programRuleEnvironment(const ExtensionTable& table, MacroProvider* macros);

}  // namespace tavelin
