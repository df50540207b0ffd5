#pragma once
// What the main window controller asks of a window. The desktop window implements it with its
// widgets; the unattended run implements it with no display at all (HeadlessWindow). The
// controller never touches a widget: it changes the session's models and tells the window which
// of them changed.

#include <cstdint>
#include <functional>
#include <string_view>

#include "datafiles/viewer_settings.h"
#include "platform/messages.h"

namespace tavelin {

struct Session;

class WindowPort : public MessageSink {
  public:
    // Shows a message box with the application title, an exclamation icon and OK (inherited):
    //   void showMessage(std::string_view text);

    // The busy state: false disables the buttons, the tab choice, both selectors and the File,
    // Edit and Help menus; true enables the buttons, the tab choice and the selectors again, and
    // the three menus only when `menusEnabled` (stand-alone mode).
    virtual void setControlsEnabled(bool enabled, bool menusEnabled) = 0;

    // The code lists and the module texts they show are about to change: until listsRebuilt the
    // window must not read the code-list models (a Qt model resets here).
    virtual void listsAboutToChange() = 0;
    // The session's code lists (and the step-count text) were rebuilt: show them again.
    virtual void listsRebuilt(const Session& session) = 0;
    // The rows stayed; their captions or the headings are formatted anew (tab width, encoding).
    virtual void captionsChanged(const Session& session) = 0;

    // The same pair for the warning lists.
    virtual void warningListsAboutToChange() = 0;
    virtual void warningListsRebuilt(const Session& session) = 0;

    // The first activation set up the selectors, the font and the warning-list columns from the
    // settings (the session holds the values): apply them to the widgets.
    virtual void selectorsAndFontSet(const Session& session) = 0;

    // Progress of a long comparison, in percent ("%4d%%" in status-bar panel 1); -1 only keeps
    // the window responsive. May be called from the thread that runLong runs its work on.
    virtual void progress(int percent) = 0;

    // Runs a long piece of work (reading, analysing, matching, building rows). The window may run
    // it on another thread and keep painting meanwhile, but returns only when it has finished,
    // with any exception of the work passed on. The work touches the session only, never a
    // widget.
    virtual void runLong(const std::function<void()>& work) { work(); }

    // A passing note in the status bar (nothing without a window).
    virtual void showStatus(std::string_view text) { (void)text; }

    // Shows the internal data monitor modally (processing kind 11).
    virtual void showDataMonitor(const Session& session) = 0;

    // The window's current rectangle, stored into the settings when the window closes.
    virtual ViewerSettings::WindowRect windowRect() const = 0;

    // Closes the window, which ends the program. The controller has already run its closing
    // steps (MainController::formClose).
    virtual void close() = 0;
};

// The window of a run without display: messages go to a message sink (standard error), every
// widget operation does nothing, and closing only records that it happened.
class HeadlessWindow final : public WindowPort {
  public:
    explicit HeadlessWindow(MessageSink* messages, ViewerSettings::WindowRect rect = {})
        : messages_(messages), rect_(rect) {}

    void showMessage(std::string_view text) override;
    void setControlsEnabled(bool enabled, bool menusEnabled) override;
    void listsAboutToChange() override {}
    void listsRebuilt(const Session&) override {}
    void captionsChanged(const Session&) override {}
    void warningListsAboutToChange() override {}
    void warningListsRebuilt(const Session&) override {}
    void selectorsAndFontSet(const Session&) override {}
    void progress(int) override {}
    void showDataMonitor(const Session&) override {}
    ViewerSettings::WindowRect windowRect() const override { return rect_; }
    void close() override { closed_ = true; }

    bool closed() const { return closed_; }
    bool controlsEnabled() const { return controlsEnabled_; }
    bool menusEnabled() const { return menusEnabled_; }

  private:
    MessageSink* messages_;
    ViewerSettings::WindowRect rect_;
    bool closed_ = false;
    bool controlsEnabled_ = true;
    bool menusEnabled_ = true;
};

}  // namespace tavelin
