#include "project/count_setup.h"

#include "compare/driver.h"
#include "datafiles/extension_loader.h"
#include "platform/paths.h"
#include "text/module_loader.h"

namespace tavelin::project {

DataFolders setupFolders(const SetupSources& sources) {
    if (!sources.settingsFolder.empty()) {
        return DataFolders(sources.settingsFolder);
    }
    const bool writable =
        sources.programFolderWritable.value_or(folderWritable(sources.programFolder));
    if (writable || sources.userFolder.empty()) {
        return DataFolders(sources.programFolder);
    }
    return DataFolders(sources.programFolder, sources.userFolder);
}

PreloadedMacros::PreloadedMacros(const ExtensionTable& table, const CounterSettings& settings,
                                 const DataFolders& folders) {
    // The loader keeps one list at a time in the table: read each slot's into a copy.
    ExtensionTable scratch = table;
    const int count =
        std::max<std::int32_t>(0, std::min<std::int32_t>(table.extensionCount, kMaxExtensions));
    lists_.resize(static_cast<std::size_t>(count));
    for (int slot = 0; slot < count; ++slot) {
        ensureMacros(scratch, settings, folders, slot);
        if (scratch.macroTableOwner == slot) {
            lists_[static_cast<std::size_t>(slot)] = scratch.macroTable;
        }
    }
}

const std::vector<MacroEntry>& PreloadedMacros::macrosFor(int slot) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= lists_.size()) {
        return none_;
    }
    return lists_[static_cast<std::size_t>(slot)];
}

int loadCountSetup(const SetupSources& sources, CountSetup& setup) {
    setup.folders = setupFolders(sources);
    setup.counter = CounterSettings{};
    if (readCounterSettingsFile(setup.counter, setup.folders) != 0) {
        return kSetupNoSettings;
    }
    setup.extensions = ExtensionTable{};
    setup.definitionsComplete =
        loadExtensionDefinitions(setup.extensions, setup.counter, setup.folders) == 0;
    setup.viewer = ViewerSettings{};
    readViewerSettingsFile(setup.viewer, setup.folders.settings());
    setup.macros = PreloadedMacros(setup.extensions, setup.counter, setup.folders);
    // The selector as the first activation sets it.
    setup.resyncChoice = startingResyncChoice(setup.counter);
    setup.tabWidth = setup.viewer.tabWidth();
    return kSetupOk;
}

int definitionForName(const CountSetup& setup, std::string_view path) {
    return findExtensionForFile(path, setup.extensions);
}

}  // namespace tavelin::project
