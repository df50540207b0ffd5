#include "app/program.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "app/console_message_sink.h"
#include "app/controller.h"
#include "app/startup.h"
#include "app/startup_options.h"
#include "platform/instance_lock.h"
#include "platform/paths.h"

namespace tavelin {

namespace {

void report(MessageSink* messages, std::string_view text) {
    if (messages != nullptr) {
        messages->showMessage(text);
    }
}

}  // namespace

namespace {

constexpr std::string_view kUsage =
    "Usage: tavelin [/exec] [/a<after-file>] [/b<before-file>] [/s] [/p<folder>] [/n<name>] [/r]\n"
    "               [/f<data-file>] [/ml]\n"
    "       tavelin --help | -h | -? | /? | --version\n"
    "\n"
    "Shows two versions of a source module side by side and counts the changed steps.\n"
    "\n"
    "  /exec           run the processing at start (whole argument, any case)\n"
    "  /a<path>        the module after the change (at most 521 characters)\n"
    "  /b<path>        the module before the change (at most 521 characters)\n"
    "  /s              silent: start minimised, suppress the start-up messages; with /exec,\n"
    "                  write the HTML report and exit without a window\n"
    "  /p<name>        sub-folder of the automatic report (at most 15 characters)\n"
    "  /n<name>        base name of the automatic report (at most 9 characters)\n"
    "  /r              with /exec: the current-state comparison instead of the step comparison\n"
    "  /f<path>        the detailed data file (default: $TEMP/TaveDat168.dat)\n"
    "  /ml             allow several instances; the viewer settings are then not saved\n"
    "\n"
    "A switch is recognised by its first two characters, any case; its value follows without a\n"
    "space. Exit codes: 0 normal end (with /exec /s: the report was written); 1 refused, another\n"
    "instance runs; 2 with /exec /s no report was written, or the run failed.\n";

}  // namespace

int runProgram(std::span<const std::string_view> args, ProgramHost& host) {
    // What command-line users ask for first; nothing is locked, read or written for it.
    switch (findInfoRequest(args)) {
        case InfoRequest::Help:
            std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
            return kExitOk;
        case InfoRequest::Version:
            std::puts("Tavelin 1.68E");
            return kExitOk;
        case InfoRequest::None:
            break;
    }

    // /ml decides the guard, so it is looked for before anything else.
    const bool multiLaunch = scanMultiLaunch(args);

    // Nothing is read or written by a refused second instance.
    InstanceLock guard;
    if (!multiLaunch && !guard.acquire(std::string(kInstanceGuardName))) {
        report(host.messages, kMsgAlreadyExecuted);
        return kExitAlreadyRunning;
    }

    int exitCode = kExitOk;
    try {
        // Start-up defaults (ViewerSettings and Session construct with them).
        auto session = std::make_unique<Session>();
        session->messages = host.messages;
        session->programFolder = host.programFolder;
        session->workFolder = host.workFolder;
        // An installed program folder that this user cannot write: per-user files.
        const bool writable =
            host.programFolderWritable.value_or(folderWritable(host.programFolder));
        if (writable || host.userFolder.empty()) {
            session->folders = DataFolders(host.programFolder);
            session->defaultReportFolder = host.programFolder;
        } else {
            session->folders = DataFolders(host.programFolder, host.userFolder);
            session->defaultReportFolder = host.currentFolder;
        }
        session->tabWidth = 8;
        session->saveSettingsAtExit = false;

        // Command line and start-up reading (the main window's construction).
        session->options = parseCommandLine(args);
        session->options.multiLaunch = multiLaunch;
        startupReading(*session);

        exitCode = host.controller ? host.controller(*session) : runController(*session);

        // Closing: the viewer settings as they are in memory now.
        saveSettingsAtExit(*session);
    } catch (const std::bad_alloc&) {
        report(host.messages, "Out of memory.");
        exitCode = kExitInternalError;
    } catch (const std::exception& e) {
        report(host.messages, e.what());
        exitCode = kExitInternalError;
    } catch (...) {
        report(host.messages, "Unexpected error.");
        exitCode = kExitInternalError;
    }

    // Let the next instance in.
    guard.release();
    return exitCode;
}

int runProgram(int argc, char** argv, std::function<int(Session&)> controller,
               MessageSink* messages) {
    std::vector<std::string_view> args;
    for (int i = 1; i < argc && argv != nullptr; ++i) {
        if (argv[i] != nullptr) {
            args.emplace_back(argv[i]);
        }
    }
    ConsoleMessageSink console;
    ProgramHost host;
    host.messages = messages != nullptr ? messages : &console;
    host.programFolder = programFolder(argc > 0 && argv != nullptr ? argv[0] : nullptr);
    host.workFolder = workFolder(host.programFolder);
    host.userFolder = userConfigFolder();
    std::error_code ec;
    host.currentFolder = std::filesystem::current_path(ec).string();
    host.controller = std::move(controller);
    return runProgram(args, host);
}

}  // namespace tavelin
