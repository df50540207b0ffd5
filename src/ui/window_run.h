#pragma once
// The desktop window as the program entry runs it.

#include <span>
#include <string_view>

#include "app/session.h"
#include "platform/messages.h"

namespace tavelin::ui {

// Whether the command line asks for the window: not for the unattended run (/exec with /s), and
// not when there is no display to show it on (no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM),
// where the run without a window takes over.
bool windowWanted(std::span<const std::string_view> args);

// Messages of a run with the window, before and after it exists: message boxes with the
// application title, a warning icon and OK.
class WindowMessages final : public MessageSink {
  public:
    WindowMessages(int& argc, char** argv);
    void showMessage(std::string_view text) override;

  private:
    int& argc_;
    char** argv_;
};

// Shows the main window for a session whose start-up reading is done, runs it until it closes
// and returns the exit code (0, or 2 when the first activation could not allocate the module
// buffers). argc and argv are those of the process.
int runWindow(Session& session, int& argc, char** argv);

}  // namespace tavelin::ui
