#pragma once
// What a project count reads once before it starts: the counter settings, the language
// definitions with their macro lists, and the viewer settings a comparison report takes its
// colours and list position from. Read-only once loaded: every worker shares one setup.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis_environment.h"
#include "datafiles/counter_settings.h"
#include "datafiles/data_folders.h"
#include "datafiles/extension_table.h"
#include "datafiles/viewer_settings.h"

namespace tavelin::project {

// Where the settings come from, as the viewer finds them: the program folder (the bundled
// "vaelsyst.dat" and definitions), with a per-user folder whose files take precedence when the
// program folder cannot be written; or one folder named by the user for everything.
struct SetupSources {
    std::string programFolder;
    std::string userFolder;                     // $XDG_CONFIG_HOME/tavelin or ~/.config/tavelin
    std::optional<bool> programFolderWritable;  // empty: found out by trying
    std::string settingsFolder;                 // --settings DIR: only this folder
};

// The folders the viewer would read from for these sources.
DataFolders setupFolders(const SetupSources& sources);

// The [MACRO] list of every definition, read once, so that analyses on many threads can ask for
// them without a lock (the lists the viewer reads on demand, the same rows).
class PreloadedMacros final : public MacroProvider {
  public:
    PreloadedMacros() = default;
    PreloadedMacros(const ExtensionTable& table, const CounterSettings& settings,
                    const DataFolders& folders);
    const std::vector<MacroEntry>& macrosFor(int slot) override;

  private:
    std::vector<std::vector<MacroEntry>> lists_;
    std::vector<MacroEntry> none_;
};

struct CountSetup {
    DataFolders folders;
    CounterSettings counter;
    ExtensionTable extensions;
    ViewerSettings viewer;
    PreloadedMacros macros;
    // The comparison option the unattended run takes from [NEXTLCHK] (-1 when out of range).
    std::int32_t resyncChoice = 0;
    int tabWidth = 8;
    bool definitionsComplete = true;  // every listed definition file loaded
};

// Result codes of loadCountSetup.
constexpr int kSetupOk = 0;
constexpr int kSetupNoSettings = -1;  // "vaelsyst.dat" could not be read

// Reads the counter settings, the definitions they list (a file that fails is dropped, as the
// viewer does, and definitionsComplete turns false), the viewer settings (defaults when absent)
// and the macro lists.
int loadCountSetup(const SetupSources& sources, CountSetup& setup);

// The definition used for a file name: as the viewer chooses it when a file is opened by hand
// (extension, case ignored, excluded name patterns), or -1.
int definitionForName(const CountSetup& setup, std::string_view path);

}  // namespace tavelin::project
