#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/session.h"

namespace tavelin {

// Exit codes of the program.
constexpr int kExitOk = 0;
constexpr int kExitAlreadyRunning = 1;  // refused as a second instance
constexpr int kExitInternalError = 2;   // an unexpected exception ended the run
constexpr int kExitNoReport = 2;        // /exec /s wrote no report; buffers could not be allocated

// What the program entry takes from its surroundings; tests supply their own.
struct ProgramHost {
    MessageSink* messages = nullptr;
    std::string programFolder;
    std::string workFolder;
    // Whether the program folder can be written (empty: found out by trying). When it cannot,
    // the viewer settings live in userFolder, files there take precedence over the bundled ones,
    // and an automatic report without [OUTPATH] goes to currentFolder.
    std::optional<bool> programFolderWritable;
    std::string userFolder;
    std::string currentFolder;
    // Runs between the start-up reading and the exit (default: runController).
    std::function<int(Session&)> controller;
};

// The program entry over argv[1..]: the /ml scan, the single-instance guard "tavelin" (a second
// instance shows "Already executed." and returns 1 without reading or writing anything), the
// start-up defaults, the command line, the start-up reading, the controller, the saving of the
// viewer settings and the release of the guard. Returns the exit code.
int runProgram(std::span<const std::string_view> args, ProgramHost& host);

// The process entry: messages to standard error, the executable's folder, the work folder.
// `controller` runs between the start-up reading and the exit (default: runController);
// `messages` shows the messages (default: standard error).
int runProgram(int argc, char** argv, std::function<int(Session&)> controller = {},
               MessageSink* messages = nullptr);

}  // namespace tavelin
