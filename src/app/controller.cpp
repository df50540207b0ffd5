#include "app/controller.h"

#include <filesystem>
#include <system_error>

#include "analysis/processing_views.h"
#include "app/program.h"
#include "compare/driver.h"
#include "text/module_loader.h"

namespace tavelin {

namespace {

// The status-bar progress of a long comparison goes to the window.
class WindowProgress final : public MatchProgress {
  public:
    explicit WindowProgress(WindowPort& window) : window_(window) {}
    void onProgress(int percent) override { window_.progress(percent); }

  private:
    WindowPort& window_;
};

// A path given with /a or /b is opened only when it names something that is not a folder; a path
// whose attributes cannot be read counts as a folder.
bool namesFolder(const std::string& path) {
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(path, ec);
    return ec || !std::filesystem::exists(st) || std::filesystem::is_directory(st);
}

std::int32_t selectorIndex(std::int32_t value, std::int32_t count) {
    return value >= 0 && value < count ? value : -1;
}

}  // namespace

MainController::MainController(Session& session, WindowPort& window)
    : session_(session),
      window_(window),
      preparation_(session.extensions, session.counterSettings, session.programFolder) {}

void MainController::enterBusyState() {
    controlsEnabled_ = false;
    session_.busy = true;
    window_.setControlsEnabled(false, false);
}

void MainController::leaveBusyState() {
    controlsEnabled_ = true;
    session_.busy = false;
    window_.setControlsEnabled(true, session_.noDataFile == 1);
}

void MainController::refreshLists() {
    DisplayOptions options;
    options.listPosition = session_.viewerSettings.listPosition();
    options.tabWidth = session_.tabWidth;
    options.viewState = session_.viewState;
    tavelin::refreshLists(session_.codeLists, session_.panes, session_.counterSettings, options,
                          session_.stepCounts);
    window_.listsRebuilt(session_);
}

void MainController::reloadModules() {
    reloadBothModules(session_.panes, session_.counterSettings);
    // A present module that read nothing shows an empty list; remember it so that a run without
    // a window can say why.
    unreadable_.clear();
    for (int side = 0; side < kSides; ++side) {
        const auto s = static_cast<std::size_t>(side);
        if (session_.panes.present[s] && session_.panes.hasBuffer[s] &&
            session_.panes.moduleLength[s] <= 0) {
            unreadable_.push_back(side);
        }
    }
}

void MainController::reloadAndShow() {
    reloadModules();
    session_.viewState = 0;
    refreshLists();
}

void MainController::loadWarningLists() {
    tavelin::loadWarningLists(session_.leftWarnings, session_.rightWarnings,
                              session_.panes.module(kAfter), session_.panes.module(kBefore),
                              session_.counterSettings, session_.viewerSettings.listPosition());
    window_.warningListsRebuilt(session_);
}

void MainController::compare(ComparisonMode mode) {
    WindowProgress progress(window_);
    ComparisonContext context{session_.panes, session_.counterSettings, session_.extensions,
                              converter_,     session_.stepCounts,      preparation_.modules(),
                              &progress};
    runComparison(mode, context);
}

void MainController::runProcessing(std::int32_t kind) {
    switch (kind) {
        case kKindStepComparison:
            reloadModules();
            compare(ComparisonMode::StepComparison);
            session_.viewState = 3;
            return;
        case kKindCurrentState:
            // A comparison already on show is kept as it is.
            if (session_.viewState != 3) {
                compare(ComparisonMode::CurrentState);
            }
            session_.viewState = 3;
            return;
        case kKindPreprocessing:
        case kKindNoCountAreas:
        case kKindDelimiters:
        case kKindNumberValues:
        case kKindComments:
        case kKindSpaces:
        case kKindPreprocessor:
        case kKindDeleteStrings:
        case kKindLeadingBytes:
            runProcessingView(kind, session_.panes, session_.counterSettings, session_.extensions,
                              preparation_.environment());
            if (kind == kKindPreprocessing) {
                unreadable_.clear();
            }
            session_.viewState = 0;
            return;
        case kKindDataMonitor:
            if (session_.viewerSettings.debugMode == 1) {
                window_.showDataMonitor(session_);
            }
            session_.viewState = 0;
            return;
        default:
            session_.viewState = 0;
            return;
    }
}

void MainController::execute(std::int32_t processingKind, std::int32_t resyncChoice) {
    session_.processingKind = processingKind;
    session_.resyncChoice = resyncChoice;
    enterBusyState();
    // The comparison reads the choice from the counter settings.
    session_.counterSettings.nextlchk = resyncChoice;
    runProcessing(processingKind);
    refreshLists();
    leaveBusyState();
}

void MainController::reload() {
    enterBusyState();
    reloadAndShow();
    leaveBusyState();
}

void MainController::selectTabWidth(std::int32_t choice) {
    enterBusyState();
    session_.tabWidth = session_.viewerSettings.setTabChoice(choice);
    refreshLists();
    leaveBusyState();
}

void MainController::stepComparisonShortcut() {
    enterBusyState();
    session_.counterSettings.nextlchk = session_.resyncChoice;
    reloadModules();
    compare(ComparisonMode::StepComparison);
    session_.viewState = 3;
    refreshLists();
    leaveBusyState();
}

void MainController::currentStateShortcut() {
    enterBusyState();
    session_.counterSettings.nextlchk = session_.resyncChoice;
    if (session_.viewState != 3) {
        compare(ComparisonMode::CurrentState);
    }
    session_.viewState = 3;
    refreshLists();
    leaveBusyState();
}

KeyAction MainController::keyPress(char key) {
    if (session_.busy || closed_) {
        return KeyAction::None;
    }
    // The handler itself counts as an operation: a key it leads to is ignored meanwhile.
    session_.busy = true;
    KeyAction action = KeyAction::None;
    switch (key) {
        case kKeyCtrlF:
            action = KeyAction::NextDifference;
            break;
        case kKeyCtrlB:
            action = KeyAction::PreviousDifference;
            break;
        case kKeyCtrlS:
            action = KeyAction::SystemSettings;
            break;
        case kKeyCtrlW:
            currentStateShortcut();
            break;
        case kKeyCtrlX:
            stepComparisonShortcut();
            break;
        case kKeyCtrlZ:
            reload();
            break;
        case kKeyEscape:
            // Only the data-file edition closes on Esc, and only while End could be pressed.
            if (session_.noDataFile == 0 && controlsEnabled_) {
                session_.busy = false;
                closeWindow();
                return KeyAction::None;
            }
            break;
        default:
            break;
    }
    session_.busy = false;
    return action;
}

void MainController::endButton() {
    closeWindow();
}

void MainController::endMenuItem() {
    if (controlsEnabled_) {
        closeWindow();
    }
}

int MainController::openFile(int side, const std::string& path) {
    OpenFileHooks hooks;
    hooks.enterBusy = [this] { enterBusyState(); };
    hooks.onOpened = [this] {
        reloadAndShow();
        loadWarningLists();
    };
    hooks.leaveBusy = [this] { leaveBusyState(); };
    return openFileIntoPane(session_.panes, side, path, session_.extensions,
                            session_.counterSettings, window_, hooks);
}

void MainController::clearPane(int side) {
    enterBusyState();
    tavelin::clearPane(session_.panes, side);
    reloadAndShow();
    loadWarningLists();
    leaveBusyState();
}

bool MainController::openFromCommandLine(int side, const std::string& path) {
    if (path.empty() || namesFolder(path)) {
        return false;
    }
    return openFile(side, path) == kLoadOk;
}

Activation MainController::formActivate() {
    if (session_.firstActivationDone || closed_) {
        return Activation::AlreadyDone;
    }
    Session& s = session_;
    const bool debug = s.viewerSettings.debugMode == 1;

    // 1. The selectors from the settings; the tab choice rebuilds the lists as a click would.
    selectTabWidth(s.viewerSettings.tabNo);
    s.resyncChoice = selectorIndex(s.counterSettings.nextlchk, kResyncChoices);
    s.processingKind = selectorIndex(s.viewerSettings.execKind, debug ? 12 : 11);

    // 3. and 4. The warning lists' columns and sort keys.
    s.extraColumnNames = loadExtraColumnNames(s.counterSettings);
    prepareWarningList(s.leftWarnings, s.extraColumnNames, s.counterSettings);
    prepareWarningList(s.rightWarnings, s.extraColumnNames, s.counterSettings);
    s.leftWarnings.sortState = 1;
    s.rightWarnings.sortState = 1;
    // 2. The font and the selectors reach the widgets.
    window_.selectorsAndFontSet(s);
    s.firstActivationDone = true;

    // 6. Files named on the command line (each with the loader's own messages).
    const bool afterOpened = openFromCommandLine(kAfter, s.options.afterPath);
    const bool beforeOpened = openFromCommandLine(kBefore, s.options.beforePath);
    const bool opened = afterOpened || beforeOpened;

    // 7. The text buffers and the line tables.
    if (allocateTextBuffers(s.panes) != 0 || allocateLineRecords(s.panes) != 0) {
        if (!s.options.silent) {
            window_.showMessage(kMsgMemoryFailed);
        }
        closeWindow();
        return Activation::ClosedNoMemory;
    }

    enterBusyState();
    if (!s.options.execMode) {
        // 8. The plain texts; files named on the command line are compared as they stand.
        reloadAndShow();
        if (opened) {
            compare(ComparisonMode::CurrentState);
            s.viewState = 3;
            refreshLists();
        }
        loadWarningLists();
        leaveBusyState();
        return Activation::Shown;
    }

    // 9. The automatic processing.
    if (s.options.currentState) {
        reloadAndShow();
        compare(ComparisonMode::CurrentState);
    } else {
        reloadModules();
        compare(ComparisonMode::StepComparison);
    }
    s.viewState = 3;
    refreshLists();
    loadWarningLists();
    leaveBusyState();

    if (!s.options.silent) {
        return Activation::Shown;
    }
    // 10. The unattended run saves the report and closes, whatever happened.
    unattendedReport();
    closeWindow();
    return Activation::ClosedUnattended;
}

void MainController::unattendedReport() {
    std::string path;
    ReportPathInputs in;
    in.panes = &session_.panes;
    in.outPath = &session_.counterSettings.outpath;
    in.programFolder = session_.programFolder;
    in.reportFolder = session_.options.reportFolder;
    in.reportName = session_.options.reportName;
    if (buildReportPath(in, path) != 0) {
        unattendedReport_ = -1;
        return;
    }
    unattendedReport_ = writeReport(path) == 0 ? 0 : -2;
    if (unattendedReport_ == 0) {
        reportPath_ = path;
    }
}

ReportInputs MainController::reportInputs() const {
    const CounterSettings& cs = session_.counterSettings;
    const ViewerSettings& vs = session_.viewerSettings;
    ReportInputs in;
    in.codeLists = &session_.codeLists;
    in.panes = &session_.panes;
    in.leftWarnings = &session_.leftWarnings;
    in.rightWarnings = &session_.rightWarnings;
    in.warningsShown = warningListsVisible(cs);
    in.subItemColumns = warningSubItemCount(cs);
    in.extra1 = cs.csvext1no > 0;
    in.extra2 = cs.csvext2no > 0;
    in.extra1Name = session_.extraColumnNames.first;
    in.extra2Name = session_.extraColumnNames.second;
    in.deletedColour = static_cast<std::uint32_t>(vs.delColor);
    in.addedColour = static_cast<std::uint32_t>(vs.addColor);
    in.blankColour = static_cast<std::uint32_t>(vs.spcColor);
    in.counts = session_.stepCounts;
    return in;
}

int MainController::writeReport(const std::string& path) {
    return writeHtmlReport(path, reportInputs(), session_.options.silent, window_);
}

void MainController::closeWindow() {
    formClose();
    window_.close();
}

void MainController::formClose() {
    if (closed_) {
        return;
    }
    closed_ = true;
    session_.viewerSettings.execKind = session_.processingKind;
    session_.viewerSettings.setWindowRect(window_.windowRect());
    ModulePanes& panes = session_.panes;
    for (std::size_t s = 0; s < kSides; ++s) {
        panes.moduleText[s] = {};
        panes.hasBuffer[s] = false;
        panes.moduleLength[s] = 0;
        panes.lines[s] = {};
        panes.rows[s] = {};
    }
    panes.lineTableSize = 0;
}

int runController(Session& session, std::FILE* out) {
    HeadlessWindow window(session.messages, session.viewerSettings.windowRect());
    MainController controller(session, window);
    const Activation activation = controller.formActivate();

    for (int side : controller.unreadableModules()) {
        const ModuleDescriptor* module = session.panes.module(side);
        showMessage(session, std::string(side == kAfter ? "After" : "Before") +
                                 " change: the module text could not be read from " +
                                 (module != nullptr ? module->path : std::string()));
    }

    switch (activation) {
        case Activation::ClosedUnattended:
            if (controller.unattendedReportResult() == 0) {
                if (out != nullptr) {
                    std::fprintf(out, "%s\n", controller.reportPath().c_str());
                }
                return kExitOk;
            }
            return kExitNoReport;
        case Activation::ClosedNoMemory:
            return kExitNoReport;
        case Activation::Shown:
        case Activation::AlreadyDone:
            break;
    }
    // No window to wait for: show what the status bar would and close.
    if (out != nullptr &&
        (session.panes.module(kAfter) != nullptr || session.panes.module(kBefore) != nullptr)) {
        std::fprintf(out, "%s\n", session.codeLists.stepCountText.c_str());
        std::fflush(out);
    }
    controller.endButton();
    return kExitOk;
}

int runController(Session& session) {
    return runController(session, stdout);
}

}  // namespace tavelin
