#pragma once
// The main window controller: the first activation (what the command line asked for), the
// processing selector and its dispatch to the engine, reload, the tab width, the keyboard
// shortcuts and closing. It drives a WindowPort and keeps every result in the session's models,
// so the desktop window and the unattended run behave alike.

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/module_preparation.h"
#include "app/session.h"
#include "app/settings_change.h"
#include "app/window_port.h"
#include "output/html_report.h"
#include "output/text_outputs.h"
#include "text/module_loader.h"
#include "text/pz_conv.h"

namespace tavelin {

// Processing kinds: the index of the processing selector.
enum ProcessingKind : std::int32_t {
    kKindStepComparison = 0,
    kKindPreprocessing = 1,
    kKindCurrentState = 2,
    kKindNoCountAreas = 3,
    kKindDelimiters = 4,
    kKindNumberValues = 5,
    kKindComments = 6,
    kKindSpaces = 7,
    kKindPreprocessor = 8,
    kKindDeleteStrings = 9,
    kKindLeadingBytes = 10,
    kKindDataMonitor = 11,  // offered only with [DEBUG_MODE] 1
};

// The selector's captions, by index.
inline constexpr std::array<std::string_view, 12> kProcessingCaptions = {
    "Step comparison",         "Preprocessing",           "Current state comparison",
    "No count area deletion",  "Delimiter deletion",      "Number value deletion",
    "Comment deletion",        "Space and Ctrl deletion", "Pre-processor deletion",
    "Delete strings deletion", "Specified byte deletion", "Internal data monitor"};

inline constexpr std::string_view kMsgMemoryFailed = "It failed in the memory securing.";
inline constexpr std::string_view kMsgReportNotSaved =
    "Data cannot be preserved, because the capacity of the disk is insufficient.";

// Control characters of the keyboard shortcuts as the window receives them.
inline constexpr char kKeyCtrlB = 0x02;
inline constexpr char kKeyCtrlF = 0x06;
inline constexpr char kKeyCtrlS = 0x13;
inline constexpr char kKeyCtrlW = 0x17;
inline constexpr char kKeyCtrlX = 0x18;
inline constexpr char kKeyCtrlZ = 0x1A;
inline constexpr char kKeyEscape = 0x1B;

// What a key press leaves for the window to do itself.
enum class KeyAction {
    None,                // not a shortcut, ignored while busy, or done by the controller
    NextDifference,      // Ctrl+F: as the next-difference button
    PreviousDifference,  // Ctrl+B: as the previous-difference button
    SystemSettings,      // Ctrl+S: the system settings dialog
};

// How the first activation ended.
enum class Activation {
    AlreadyDone,       // not the first activation: nothing was done
    Shown,             // the window stays open and shows the result
    ClosedNoMemory,    // buffers could not be allocated: the window closed
    ClosedUnattended,  // /exec /s: the report step ran and the window closed
};

// A code page a list's encoding menu can choose (codeNo 0..4 of 8-bit text).
inline constexpr int kEncodingChoices = 5;

// The lowest height the warning lists keep ([WARN_HEIGHT]'s minimum).
inline constexpr std::int32_t kMinWarningHeight = 74;

// Character sets a chosen list font is saved with: Shift-JIS for a font with Japanese glyphs,
// else the default set.
inline constexpr std::int32_t kCharsetShiftJis = 128;
inline constexpr std::int32_t kCharsetDefault = 0;

// Messages of dropping files on the code lists.
inline constexpr std::string_view kMsgFolderDropped = "The folder cannot be selected.";
inline constexpr std::string_view kMsgNotOneFile = "Two more files cannot be selected.";

// The status-bar note of a processing view that finds no rules of its kind in the languages of
// the modules shown.
inline constexpr std::string_view kMsgNothingToRemove = "Nothing to remove for this language.";

// Whether a language has rules for what processing view `kind` removes (true for the views that
// need none, such as empty lines or spaces).
bool viewHasRules(std::int32_t kind, const ExtensionDefinition& definition);

// What a code list's pop-up menu shows: Copy, Save and Edit, and the Encode submenu with the
// module's encoding checked (-1: none).
struct CodeListMenuItems {
    bool copy = false;
    bool save = false;
    bool edit = false;
    bool encodings = false;
    int checkedEncoding = -1;
};

// What becomes of files dropped on a code list: nothing (the data-file edition), a message, or
// the one file opened into `side`.
struct DropDecision {
    // Open: the one file into `side`. Folders: two folders compared, `beforeFolder` the one
    // whose name sorts first (numbers by value: "v3.9" before "v3.10").
    enum class Kind { Ignore, Message, Open, Folders } kind = Kind::Ignore;
    std::string message;  // a dropped folder: the sentence, then the folder's path
    int side = kAfter;
    std::string beforeFolder;
    std::string afterFolder;
};

// Whether name `a` comes before `b` in natural order: runs of digits compared by value, the rest
// byte by byte.
bool naturalLess(std::string_view a, std::string_view b);

// A warning's help page: a URL (http:, https:, file:) or a local file; empty: nothing to open.
struct WarningHelp {
    std::string target;
    bool web = false;
};

class MainController {
  public:
    MainController(Session& session, WindowPort& window);
    MainController(const MainController&) = delete;
    MainController& operator=(const MainController&) = delete;

    // Every entry point below that starts an operation does nothing while another one runs
    // (busy()): the window's controls are disabled then, but events can still arrive while the
    // window keeps painting during a long operation.

    // FormActivate: does its work on the first call only.
    Activation formActivate();

    // Button3Click: runs the processing kind with the second selector's choice, rebuilds the
    // lists.
    void execute(std::int32_t processingKind, std::int32_t resyncChoice);
    void execute() { execute(session_.processingKind, session_.resyncChoice); }

    // Button5Click: reloads both modules and shows their plain texts.
    void reload();
    // A shown file changed on disk: reloads both modules and shows again what was shown (the
    // comparison of the same kind when the lists show one, else the plain texts).
    void reloadChanged();

    // RadioGroup1Click: 0 -> 2 columns, 1 -> 4, any other -> 8. The rows stay; their captions
    // are formatted anew.
    void selectTabWidth(std::int32_t choice);

    // An item of a code list's encoding menu: the module the list shows (0 left, 1 right) is
    // shown in the encoding codeNo (0..4) from now on, without a new comparison. Nothing happens
    // when the module already has that encoding, is absent or is UTF-16.
    void selectEncoding(int list, int codeNo);

    // FormKeyPress: the shortcuts Ctrl+W, Ctrl+X, Ctrl+Z and Esc are carried out here; the
    // others are handed back. Every key is ignored while an operation runs.
    KeyAction keyPress(char key);

    // End button: closes the window. EndExecute (the menu item) only while the controls are
    // enabled.
    void endButton();
    void endMenuItem();

    // The window is asked to close (its close button, the desktop). Returns true when it may
    // close now (the closing steps have run); while an operation runs the close is remembered
    // and carried out when the operation ends, and false is returned.
    bool requestClose();

    // Opens a file into a pane (file menus, dropped files): messages on refusal and failure, then
    // the plain texts and the warning lists are shown. Returns the loader's result, or
    // kOpenRefusedBusy while an operation runs.
    int openFile(int side, const std::string& path);

    // Empties a pane and shows the rest.
    void clearPane(int side);

    // A pair of the folder comparison: both files opened (an empty path empties its side) and
    // compared by the step comparison, as if both were chosen from the File menu and Execute
    // pressed.
    void openPair(const std::string& afterPath, const std::string& beforePath);

    // OK of the settings dialog: stores the values when any changed (texts trimmed and cut to
    // their fields) and shows the lists anew for a change of the list position or a colour (the
    // warning lists then follow their code lists at once). Returns the change; the window
    // re-applies the logo and the status-bar widths itself.
    DisplayChange applyDisplaySettings(const DisplaySettings& before, const DisplaySettings& after);

    // The warning lists (0 under the left code list, 1 under the right). A click on the heading
    // of column `column` sorts the list (the same column again reverses the order).
    void sortWarnings(int list, int column);
    // The code-list row a jump from warning row `row` of warning list `list` goes to (in the code
    // list above it), or -1 when the line is not shown there.
    std::int32_t warningJumpRow(int list, std::int32_t row) const;
    // What help 1 or 2 of a warning row opens (empty: nothing; see buildWarningHelpTarget).
    std::string warningHelpTarget(int list, std::int32_t row, int help) const;

    // The window's controls that are settings of their own: the processing selector's index
    // (kept at the end, executed or not), the warning lists' height after a splitter move (at
    // least kMinWarningHeight), and the font chosen for the lists (points 0: 9 points).
    void selectProcessingKind(std::int32_t index);
    // The option selector's choice: what Execute, Ctrl+X and Ctrl+W compare with.
    void selectResyncChoice(std::int32_t index);
    void setWarningHeight(std::int32_t pixels);
    void setListFont(std::string_view family, std::int32_t points, bool japaneseGlyphs);
    // The View menu's choices: changed characters in a stronger shade, line numbers.
    void setHighlightChars(bool on) { session_.viewerSettings.highlightChars = on ? 1 : 0; }
    void setLineNumbers(bool on) { session_.viewerSettings.lineNumbers = on ? 1 : 0; }
    // The processing selector's entries: eleven kinds, the internal data monitor too with
    // [DEBUG_MODE] 1.
    std::int32_t processingKindCount() const;

    // The view's rules. The pop-up menu of code list `list` (0 left, 1 right) with rows or not
    // and a selection or not; what a drop of `paths` on it does; whether the text of the module
    // it shows can be saved; what help 1 or 2 of warning row `row` opens.
    CodeListMenuItems codeListMenuItems(int list, bool hasRows, bool hasSelection) const;
    DropDecision dropDecision(int list, std::span<const std::string> paths) const;
    // Not while an operation runs: the pointer then shows the refusal instead of a drop that
    // would be lost.
    bool acceptsDrops() const { return session_.noDataFile == 1 && !busy() && !closed_; }
    bool canSaveText(int list) const;
    WarningHelp warningHelp(int list, std::int32_t row, int help) const;

    // The code lists' outputs (list 0 left, 1 right): the clipboard text of rows, the text save
    // of the module the list shows (0, or -1 when it could not be written), and the editor at a
    // row's line (ok false: nothing to start).
    std::u16string copyRows(int list, std::span<const std::int32_t> rows) const;
    int saveModuleText(int list, const std::string& path);
    EditorCommand editorCommand(int list, std::int32_t row) const;

    // FormClose: stores the processing kind and the window rectangle into the viewer settings
    // and frees the text buffers and the line tables. Runs once; the viewer settings are written
    // by the program entry after the window has gone.
    void formClose();

    // The inputs of an HTML report of the four lists as they stand.
    ReportInputs reportInputs() const;

    // Writes the HTML report of the four lists (the save button and the unattended run).
    int writeReport(const std::string& path);

    // The result of the unattended report step: 0 written, -1 no path could be built, -2 the
    // file could not be written, kReportFileNotOpened a file named by /a or /b could not be
    // opened (nothing was compared); 1 while no report step ran.
    int unattendedReportResult() const { return unattendedReport_; }
    // Where the unattended report was written (empty when it was not).
    const std::string& reportPath() const { return reportPath_; }

    // Present modules whose text could not be read by the last reload (their lists are empty).
    const std::vector<int>& unreadableModules() const { return unreadable_; }

    bool busy() const { return busyDepth_ > 0; }
    bool controlsEnabled() const { return busyDepth_ == 0; }
    bool closed() const { return closed_; }
    bool closeRequested() const { return closeRequested_; }

  private:
    void enterBusyState();
    void leaveBusyState();
    void listsWillChange();
    void warningListsWillChange();
    void refreshLists();
    void reloadModules(TextsRead alreadyRead = {});
    void reloadAndShow();
    void loadWarningLists();
    void compare(ComparisonMode mode);
    void noteViewWithoutRules(std::int32_t kind);
    void runProcessing(std::int32_t kind);
    void stepComparisonShortcut();
    void currentStateShortcut();
    void closeWindow();
    OpenFileHooks openHooks(bool show);
    int openFileInto(int side, const std::string& path, bool show);
    // Opens the files /a and /b name; the sides whose text was read.
    TextsRead openFromCommandLine();
    // Opens the files of `paths` (an empty path leaves its pane as it is), showing nothing; which
    // were read.
    TextsRead openBoth(const std::array<std::string, kSides>& paths);
    // Reads both modules again (but those just read) and runs the step comparison.
    void stepComparison(TextsRead alreadyRead = {});
    void unattendedReport();

    Session& session_;
    WindowPort& window_;
    TPzConv converter_;
    ProgramPreparation preparation_;
    std::vector<int> unreadable_;
    std::string reportPath_;
    int unattendedReport_ = 1;
    int busyDepth_ = 0;
    ComparisonMode lastComparison_ = ComparisonMode::StepComparison;
    bool listsDetached_ = false;
    bool warningsDetached_ = false;
    bool closeRequested_ = false;
    bool closed_ = false;
};

// The unattended run's result when a file named by /a or /b could not be opened.
inline constexpr int kReportFileNotOpened = -3;

// openFile's answer while another operation runs.
inline constexpr int kOpenRefusedBusy = -6;

// What runs between the start-up reading and the exit when there is no window: the first
// activation on a HeadlessWindow. With /exec /s that is the unattended run (0 when the report
// was written, 2 when not); otherwise the status-bar step counts are printed on `out` when a
// module is shown, and the window closes at once. Messages go to the session's sink.
int runController(Session& session);
int runController(Session& session, std::FILE* out);

}  // namespace tavelin
