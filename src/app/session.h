#pragma once
// Every process-wide record of one run of the program, owned by the program entry and handed to
// whatever needs it. Nothing here is global: tests build their own sessions.

#include <cstdint>
#include <string>

#include "app/startup_options.h"
#include "datafiles/counter_settings.h"
#include "datafiles/extension_table.h"
#include "datafiles/module_panes.h"
#include "datafiles/records.h"
#include "datafiles/viewer_settings.h"
#include "platform/messages.h"

namespace tavelin {

struct Session {
    StartupOptions options;

    // Both without a trailing separator.
    std::string programFolder;
    std::string workFolder;

    ViewerSettings viewerSettings;    // "tavesyst.dat"
    CounterSettings counterSettings;  // from the data file, else "vaelsyst.dat"
    ExtensionTable extensions;
    ModulePanes panes;  // afterModule / beforeModule, their texts and the line tables
    StepCountRecord stepCounts;

    // 1: stand-alone mode (no valid data file), 0: data-file mode. Never changes after start-up.
    std::int32_t noDataFile = 1;
    // Set by the start-up reading unless /ml; the viewer settings are written at exit only then.
    bool saveSettingsAtExit = false;
    int tabWidth = 8;            // 2, 4 or 8 columns
    std::uint8_t viewState = 0;  // 3 while the lists show a comparison, else 0
    bool firstActivationDone = false;
    bool busy = false;  // an operation runs: keyboard shortcuts are ignored

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
