#pragma once
// Every process-wide record of one run of the program, owned by the program entry and handed to
// whatever needs it. Nothing here is global: tests build their own sessions.

#include <cstdint>
#include <string>

#include "app/startup_options.h"
#include "datafiles/counter_settings.h"
#include "datafiles/data_folders.h"
#include "datafiles/extension_table.h"
#include "datafiles/module_panes.h"
#include "datafiles/records.h"
#include "datafiles/viewer_settings.h"
#include "display/code_lists.h"
#include "platform/messages.h"
#include "warnings/warning_list.h"

namespace tavelin {

struct Session {
    StartupOptions options;

    // Both without a trailing separator.
    std::string programFolder;
    std::string workFolder;
    // Where settings and definitions are read from and the viewer settings written to (the
    // per-user folder when the program folder cannot be written), and the folder of an automatic
    // report when [OUTPATH] is empty (the program folder, else the current directory). Empty:
    // the program folder for everything.
    DataFolders folders;
    std::string defaultReportFolder;

    DataFolders dataFolders() const {
        return folders.program.empty() ? DataFolders(programFolder) : folders;
    }

    ViewerSettings viewerSettings;    // "tavesyst.dat"
    CounterSettings counterSettings;  // from the data file, else "vaelsyst.dat"
    ExtensionTable extensions;
    ModulePanes panes;  // afterModule / beforeModule, their texts and the line tables
    StepCountRecord stepCounts;

    // 1: stand-alone mode (no valid data file), 0: data-file mode. Never changes after start-up.
    std::int32_t noDataFile = 1;
    // Set by the start-up reading unless /ml; the viewer settings are written at exit only then.
    bool saveSettingsAtExit = false;
    int tabWidth = 8;  // 2, 4 or 8 columns
    ViewState viewState = ViewState::Plain;
    bool firstActivationDone = false;

    // The selectors of the main window: the processing kind (ComboBox1) and the number of equal
    // lines that confirm a match after a difference (ComboBox2).
    std::int32_t processingKind = 0;
    std::int32_t resyncChoice = 0;

    // What the four lists show: the two code lists (rows over the panes' texts) and the warning
    // lists under them (leftWarnings under lists[0], rightWarnings under lists[1]).
    CodeListModels codeLists;
    WarningList leftWarnings;
    WarningList rightWarnings;
    ExtraColumnNames extraColumnNames;

    MessageSink* messages = nullptr;  // where user-facing messages go; nullptr drops them
};

// Shows a message through the session's sink (nothing when it has none).
inline void showMessage(const Session& session, std::string_view text) {
    if (session.messages != nullptr) {
        session.messages->showMessage(text);
    }
}

// The start-up, memory and settings-save messages, which /s suppresses.
inline void showUnlessSilent(const Session& session, std::string_view text) {
    if (!session.options.silent) {
        showMessage(session, text);
    }
}

}  // namespace tavelin
