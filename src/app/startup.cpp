#include "app/startup.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "datafiles/data_file.h"
#include "datafiles/extension_loader.h"
#include "platform/paths.h"

namespace tavelin {

void startupReading(Session& session) {
    // Start from empty records (the options, folders and viewer defaults stay).
    session.counterSettings = CounterSettings{};
    session.extensions = ExtensionTable{};
    session.panes = ModulePanes{};
    session.stepCounts = StepCountRecord{};
    // The decoded data file is large (it holds a whole counter settings record): keep it off
    // the stack.
    auto data = std::make_unique<DetailedData>();

    // The viewer's own settings: the per-user copy once there is one, else the program folder's
    // (the bundled defaults on a first start). A missing file means the installation lost it.
    const DataFolders folders = session.dataFolders();
    if (readViewerSettingsFile(session.viewerSettings, folders.holding(kViewerSettingsFileName)) !=
        0) {
        showUnlessSilent(session, kMsgSystemFileInvalid);
    }

    // Unless several instances may run, the settings are written back at exit.
    if (!session.options.multiLaunch) {
        session.saveSettingsAtExit = true;
    }

    if (session.options.dataFilePath.empty()) {
        session.options.dataFilePath = joinPath(session.workFolder, kDataFileName);
    }

    // The data file decides the mode; without it the counter's own settings file is read,
    // and when that is missing too the counter settings stay all zero.
    if (readDataFile(session.options.dataFilePath, *data) == kDataFileOk) {
        session.counterSettings = data->settings;
        session.noDataFile = 0;
    } else {
        *data = DetailedData{};
        readCounterSettingsFile(session.counterSettings, folders);
        session.noDataFile = 1;
    }

    // The language definitions the counter settings list.
    if (loadExtensionDefinitions(session.extensions, session.counterSettings, folders) != 0) {
        showUnlessSilent(session, kMsgExtensionInvalid);
    }

    // Only records whose presence word was 1 are taken; after a missing or invalid data
    // file nothing is present.
    for (int side = 0; side < kSides; ++side) {
        const auto s = static_cast<std::size_t>(side);
        session.panes.present[s] = data->modulePresent[s];
        session.panes.descriptors[s] =
            data->modulePresent[s] ? data->modules[s] : ModuleDescriptor{};
    }
    if (data->stepCountsPresent) {
        session.stepCounts = data->stepCounts;
    }
}

int saveSettingsAtExit(Session& session) {
    if (!session.saveSettingsAtExit) {
        return 0;
    }
    const DataFolders folders = session.dataFolders();
    if (!folders.user.empty()) {
        // The per-user folder is made by the first save.
        std::error_code ec;
        std::filesystem::create_directories(folders.user, ec);
    }
    const int rc = writeViewerSettings(session.viewerSettings, folders.settings());
    if (rc == kViewerSettingsWriteFailed) {
        showUnlessSilent(session, kMsgCannotSaveSettings);
    }
    return rc;
}

}  // namespace tavelin
