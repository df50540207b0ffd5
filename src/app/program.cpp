#include "app/program.h"

#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/console_message_sink.h"
#include "app/controller.h"
#include "app/startup.h"
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

int runProgram(std::span<const std::string_view> args, ProgramHost& host) {
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
    host.controller = std::move(controller);
    return runProgram(args, host);
}

}  // namespace tavelin
