#pragma once
// The command-line switches and their parsing.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace tavelin {

struct StartupOptions {
    bool execMode = false;      // /exec: run the processing at first activation
    std::string afterPath;      // /a<path>: file to load as the module after change (<= 521)
    std::string beforePath;     // /b<path>: file to load as the module before change (<= 521)
    bool silent = false;        // /s: start minimised, suppress start-up/memory/save messages
    std::string reportFolder;   // /p<name>: sub-folder of the automatic report (<= 15)
    std::string reportName;     // /n<name>: base name of the automatic report (<= 9)
    bool currentState = false;  // /r: with /exec, the current-state comparison
    std::string dataFilePath;   // /f<path>: the detailed data file (<= 521)
    bool multiLaunch = false;   // /ml: several instances; no settings saved at exit

    static constexpr std::size_t kMaxPath = 521;
    static constexpr std::size_t kMaxReportFolder = 15;
    static constexpr std::size_t kMaxReportName = 9;
};

// What a command line asks for before anything else: the usage text ("--help", "-h", "-?" or "/?")
// or the version ("--version"), each the whole argument, the first such argument deciding.
// Nothing is locked, read or written for either.
enum class InfoRequest { None, Help, Version };
InfoRequest findInfoRequest(std::span<const std::string_view> args);

// True when one of the arguments (argv[1..], program name excluded) is "/ml" in any case, the
// whole argument. Done before anything else, since it decides the single-instance guard.
bool scanMultiLaunch(std::span<const std::string_view> args);

// Parses argv[1..] into fresh options. Each argument is tested by itself and the first match
// wins: "/exec" (whole argument, any case), then the first two characters, any case, against
// /a /b /s /p /n /r /f; the value is the rest of the argument. Anything else is ignored, "/ml"
// included (its scan sets multiLaunch). A later argument overrides an earlier one. Values longer
// than their field are cut to 521, 15 or 9 bytes; a cut never splits a UTF-8 character of a
// value that is valid UTF-8.
StartupOptions parseCommandLine(std::span<const std::string_view> args);

// The first `maxBytes` bytes of `value`, backing off to a character boundary when `value` is
// valid UTF-8 and the cut would fall inside a character.
std::string cutToField(std::string_view value, std::size_t maxBytes);

}  // namespace tavelin
