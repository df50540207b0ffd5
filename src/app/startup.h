#pragma once
// The start-up reading (settings, data file, extension definitions, the two modules) and the
// saving of the viewer settings at exit.

#include <string_view>

#include "app/session.h"

namespace tavelin {

// Message texts of the program entry and the start-up reading.
inline constexpr std::string_view kApplicationTitle = "Tavelin!";
inline constexpr std::string_view kMsgAlreadyExecuted = "Already executed.";
inline constexpr std::string_view kMsgSystemFileInvalid = "System file is invalid.";
inline constexpr std::string_view kMsgExtensionInvalid =
    "A part of extension information file is invalid.";
inline constexpr std::string_view kMsgCannotSaveSettings =
    "Unable to save system data as lack of disk space.";

// The name of the single-instance guard.
inline constexpr std::string_view kInstanceGuardName = "tavelin";

// Reads everything the program needs before its first activation, in this order: clear the
// records; read "tavesyst.dat" from the per-user folder when it is in use and holds one, else from
// the program folder, which bundles the defaults ("System file is invalid." unless /s when it
// cannot be read; defaults stay); mark the settings for saving at exit unless /ml; default
// the data file path to the work folder's "TaveDat168.dat"; read the data file (valid magic:
// counter settings from its block, data-file mode; else "vaelsyst.dat" from the program folder,
// stand-alone mode); load the extension definitions ("A part of extension information file is
// invalid." unless /s); take over the modules and step counts whose presence words are 1.
// Always completes; problems show as messages and as noDataFile.
void startupReading(Session& session);

// At exit: when saveSettingsAtExit, writes the viewer settings into the program folder, or into
// the per-user folder when that is in use (made when missing); a failed write shows "Unable to
// save system data as lack of disk space." unless /s (a file that cannot be created at all shows
// nothing). Returns the write's result code, or 0 when nothing was to be saved.
int saveSettingsAtExit(Session& session);

}  // namespace tavelin
