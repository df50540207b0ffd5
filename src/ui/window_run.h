#pragma once
// The desktop window as the program entry runs it.

#include <memory>
#include <span>
#include <string_view>

#include "app/session.h"
#include "platform/messages.h"

namespace tavelin::ui {

// Whether the command line asks for the window: not for the usage text or the version, not for
// the unattended run (/exec with /s), and not when there is no display to show it on (no
// DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM), where the run without a window takes over.
bool windowWanted(std::span<const std::string_view> args);

class Application;

// The Qt side of a run with the window, owned by the program entry's scope so that everything
// Qt made is gone before the entry returns: the application object (made by the first message
// or by the window) and the messages before, during and after the window (message boxes with
// the application title, a warning icon and OK).
//
// An automated session (tests, scripts) sets TAVELIN_UI_SCRIPT to a comma-separated list of
// steps carried out one after the other once the first activation is done: "end" (the End
// button), "exit" (File > Exit), "close" (the window's close button), "escape" (the Esc key),
// "execute" (the Execute button), "close-while-busy" (Execute, and the close button while it
// runs), "signal" (SIGTERM to the process), "next-block" (Alt+Down), "wait-folders" (until the
// folder comparison has counted every file), "next-file" (Alt+Right), "find:<text>" (the find bar
// and F3), "size:<w>x<h>", "wait:<ms>", and "shot:<file>" (a picture of the window, PNG by the
// file's extension). Message boxes then answer themselves and every message is also written to
// standard error as "tavelin: message: <text>".
class WindowHost final : public MessageSink {
  public:
    WindowHost(int& argc, char** argv);
    ~WindowHost() override;
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    void showMessage(std::string_view text) override;

    // Shows the main window for a session whose start-up reading is done, runs it until it
    // closes and returns the exit code (0, or 2 when the first activation could not allocate the
    // module buffers). SIGTERM, SIGINT and SIGHUP close the window as its close button does.
    int run(Session& session);

  private:
    Application& application();

    int& argc_;
    char** argv_;
    std::unique_ptr<Application> app_;
    bool automated_ = false;
};

}  // namespace tavelin::ui
