#include "app/controller.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "analysis/processing_views.h"
#include "app/program.h"
#include "compare/driver.h"
#include "text/encoding.h"
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

// A path given with /a or /b that names a folder is passed over: there is no file to open. Any
// other path is opened, so that a missing or unreadable file is reported with its reason instead
// of leaving its side empty unnoticed.
bool namesFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

// Whether every file named with /a or /b (other than a folder, which is passed over) is open.
bool namedFilesOpened(const StartupOptions& options, const TextsRead& opened) {
    const std::array<const std::string*, kSides> paths{&options.afterPath, &options.beforePath};
    for (std::size_t side = 0; side < kSides; ++side) {
        const std::string& path = *paths[side];
        if (!path.empty() && !namesFolder(path) && !opened[side]) {
            return false;
        }
    }
    return true;
}

std::int32_t selectorIndex(std::int32_t value, std::int32_t count) {
    return value >= 0 && value < count ? value : -1;
}

}  // namespace

MainController::MainController(Session& session, WindowPort& window)
    : session_(session),
      window_(window),
      preparation_(session.extensions, session.counterSettings, session.dataFolders()) {}

void MainController::enterBusyState() {
    if (busyDepth_++ == 0) {
        window_.setControlsEnabled(false, false);
    }
}

void MainController::leaveBusyState() {
    if (busyDepth_ == 0 || --busyDepth_ > 0) {
        return;
    }
    window_.setControlsEnabled(true, session_.noDataFile == 1);
    // A close asked for while the operation ran is carried out now that nothing uses the texts.
    if (closeRequested_ && !closed_) {
        closeWindow();
    }
}

void MainController::listsWillChange() {
    if (!listsDetached_) {
        listsDetached_ = true;
        window_.listsAboutToChange();
    }
}

void MainController::refreshLists() {
    listsWillChange();
    DisplayOptions options;
    options.listPosition = session_.viewerSettings.listPosition();
    options.tabWidth = session_.tabWidth;
    options.viewState = session_.viewState;
    // The worker builds new lists; this thread puts them in place, so the window never reads
    // lists that another thread is writing.
    CodeListModels rebuilt;
    window_.runLong([&] {
        tavelin::refreshLists(rebuilt, session_.panes, session_.counterSettings, options,
                              session_.stepCounts);
    });
    session_.codeLists = std::move(rebuilt);
    listsDetached_ = false;
    window_.listsRebuilt(session_);
}

void MainController::reloadModules(TextsRead alreadyRead) {
    listsWillChange();
    ReloadResult read;
    window_.runLong(
        [&] { read = reloadBothModules(session_.panes, session_.counterSettings, alreadyRead); });
    // A file opened by hand that cannot be read now keeps the text shown; say why.
    for (int side = 0; side < kSides; ++side) {
        const LoadResult result = side == kAfter ? read.after : read.before;
        if (session_.panes.wholeFile[static_cast<std::size_t>(side)] && result != kLoadOk &&
            result != kLoadEmptyModule) {
            const std::string& path =
                session_.panes.descriptors[static_cast<std::size_t>(side)].path;
            window_.showMessage(openFailureMessage(path, result));
        }
    }
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
    session_.viewState = ViewState::Plain;
    refreshLists();
}

void MainController::warningListsWillChange() {
    if (!warningsDetached_) {
        warningsDetached_ = true;
        window_.warningListsAboutToChange();
    }
}

void MainController::loadWarningLists() {
    warningListsWillChange();
    // A warning file may hold many thousands of rows: read on the window's worker.
    // The lists are taken out of the session while the worker fills them and put back here.
    WarningList left = std::move(session_.leftWarnings);
    WarningList right = std::move(session_.rightWarnings);
    window_.runLong([&] {
        tavelin::loadWarningLists(left, right, session_.panes.module(kAfter),
                                  session_.panes.module(kBefore), session_.counterSettings,
                                  session_.viewerSettings.listPosition());
    });
    session_.leftWarnings = std::move(left);
    session_.rightWarnings = std::move(right);
    warningsDetached_ = false;
    window_.warningListsRebuilt(session_);
}

namespace {

WarningList& warningListOf(Session& session, int list) {
    return list == 0 ? session.leftWarnings : session.rightWarnings;
}
const WarningList& warningListOf(const Session& session, int list) {
    return list == 0 ? session.leftWarnings : session.rightWarnings;
}

const WarningRow* warningRowOf(const Session& session, int list, std::int32_t row) {
    if (list < 0 || list > 1 || row < 0) {
        return nullptr;
    }
    const auto& rows = warningListOf(session, list).rows;
    return static_cast<std::size_t>(row) < rows.size() ? &rows[static_cast<std::size_t>(row)]
                                                       : nullptr;
}

}  // namespace

void MainController::sortWarnings(int list, int column) {
    if (busy() || closed_ || list < 0 || list > 1) {
        return;
    }
    enterBusyState();
    warningListsWillChange();
    WarningList sorted = std::move(warningListOf(session_, list));
    window_.runLong([&] { sortWarningList(sorted, column); });
    warningListOf(session_, list) = std::move(sorted);
    warningsDetached_ = false;
    window_.warningListsRebuilt(session_);
    leaveBusyState();
}

std::int32_t MainController::warningJumpRow(int list, std::int32_t row) const {
    const WarningRow* warning = warningRowOf(session_, list, row);
    if (warning == nullptr) {
        return -1;
    }
    // The warning list under a code list holds the warnings of the module that list shows.
    const CodeList& code = session_.codeLists.lists[static_cast<std::size_t>(list)];
    return findWarningJumpRow(code.rows, code.rows.size(), session_.panes.module(code.side),
                              warningRowLine(*warning));
}

std::string MainController::warningHelpTarget(int list, std::int32_t row, int help) const {
    const WarningRow* warning = warningRowOf(session_, list, row);
    if (warning == nullptr || warning->subItems.empty() || (help != 1 && help != 2)) {
        return {};
    }
    const ViewerSettings& vs = session_.viewerSettings;
    return help == 1 ? buildWarningHelpTarget(vs.helpPath1, vs.help1Ext, warning->subItems[0])
                     : buildWarningHelpTarget(vs.helpPath2, vs.help2Ext, warning->subItems[0]);
}

bool viewHasRules(std::int32_t kind, const ExtensionDefinition& definition) {
    switch (kind) {
        case kKindNoCountAreas:
            return !definition.noCountRules.empty();
        case kKindNumberValues:
            return definition.leadingNumbers != 0;
        case kKindComments:
            return !definition.commentRules.empty();
        case kKindPreprocessor:
            return !definition.preprocessorRules.empty();
        case kKindDeleteStrings:
            return !definition.deleteStrings.empty();
        case kKindLeadingBytes:
            return definition.deleteLeadingBytes > 0;
        default:
            return true;
    }
}

WarningHelp MainController::warningHelp(int list, std::int32_t row, int help) const {
    WarningHelp result;
    result.target = warningHelpTarget(list, row, help);
    result.web = isWebHelpTarget(result.target);
    return result;
}

void MainController::selectProcessingKind(std::int32_t index) {
    // The selector is filled before the first activation; only the user's choices count.
    if (session_.firstActivationDone && !closed_) {
        session_.processingKind = index;
    }
}

void MainController::selectResyncChoice(std::int32_t index) {
    if (session_.firstActivationDone && !closed_ && index >= 0 && index < kResyncChoices) {
        session_.resyncChoice = index;
    }
}

void MainController::setWarningHeight(std::int32_t pixels) {
    session_.viewerSettings.warnHeight = std::max(kMinWarningHeight, pixels);
}

void MainController::setListFont(std::string_view family, std::int32_t points,
                                 bool japaneseGlyphs) {
    session_.viewerSettings.setFont(family, points > 0 ? points : 9,
                                    japaneseGlyphs ? kCharsetShiftJis : kCharsetDefault);
}

std::int32_t MainController::processingKindCount() const {
    return session_.viewerSettings.debugMode == 1 ? kKindDataMonitor + 1 : kKindDataMonitor;
}

CodeListMenuItems MainController::codeListMenuItems(int list, bool hasRows,
                                                    bool hasSelection) const {
    CodeListMenuItems items;
    if (list < 0 || list > 1 || !hasRows) {
        return items;
    }
    const int side = session_.codeLists.lists[static_cast<std::size_t>(list)].side;
    const ModuleDescriptor* module = session_.panes.module(side);
    const CounterSettings& cs = session_.counterSettings;
    items.copy = true;
    items.save = true;
    // The editor needs both editor settings and a row to start at.
    items.edit = !cs.editor.empty() && !cs.editopt.empty() && hasSelection;
    // Another encoding only for a present module that is not UTF-16.
    items.encodings = module != nullptr && module->utf16 == 0;
    items.checkedEncoding = module != nullptr ? module->codeNo : -1;
    return items;
}

DropDecision MainController::dropDecision(int list, std::span<const std::string> paths) const {
    DropDecision decision;
    if (!acceptsDrops() || list < 0 || list > 1) {
        return decision;
    }
    decision.kind = DropDecision::Kind::Message;
    std::error_code ec;
    if (paths.size() == 2 && std::filesystem::is_directory(paths[0], ec) &&
        std::filesystem::is_directory(paths[1], ec)) {
        decision.kind = DropDecision::Kind::Folders;
        const bool firstIsBefore =
            !naturalLess(std::filesystem::path(paths[1]).filename().string(),
                         std::filesystem::path(paths[0]).filename().string());
        decision.beforeFolder = firstIsBefore ? paths[0] : paths[1];
        decision.afterFolder = firstIsBefore ? paths[1] : paths[0];
        return decision;
    }
    if (paths.size() != 1) {
        decision.message = kMsgNotOneFile;
        return decision;
    }
    if (std::filesystem::is_directory(paths.front(), ec)) {
        decision.message = std::string(kMsgFolderDropped) + "\n" + paths.front();
        return decision;
    }
    decision.kind = DropDecision::Kind::Open;
    decision.side = sideOfList(list, session_.viewerSettings.listPosition());
    return decision;
}

bool naturalLess(std::string_view a, std::string_view b) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < a.size() && digit(a[ei])) {
                ++ei;
            }
            while (ej < b.size() && digit(b[ej])) {
                ++ej;
            }
            // Leading zeros aside, the longer run is the larger number.
            std::string_view x = a.substr(i, ei - i);
            std::string_view y = b.substr(j, ej - j);
            x.remove_prefix(std::min(x.find_first_not_of('0'), x.size()));
            y.remove_prefix(std::min(y.find_first_not_of('0'), y.size()));
            if (x.size() != y.size()) {
                return x.size() < y.size();
            }
            if (x != y) {
                return x < y;
            }
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) {
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        }
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

void MainController::openPair(const std::string& afterPath, const std::string& beforePath) {
    if (busy() || closed_) {
        return;
    }
    enterBusyState();
    listsWillChange();
    warningListsWillChange();
    const std::array<std::string, kSides> paths{afterPath, beforePath};
    for (int side = 0; side < kSides; ++side) {
        if (paths[static_cast<std::size_t>(side)].empty()) {
            tavelin::clearPane(session_.panes, side);
        }
    }
    const TextsRead justRead = openBoth(paths);
    if (allocateLineRecords(session_.panes) != 0) {
        window_.showMessage(kMsgMemoryFailed);
    }
    stepComparison(justRead);
    refreshLists();
    loadWarningLists();
    leaveBusyState();
}

bool MainController::canSaveText(int list) const {
    if (busy() || list < 0 || list > 1) {
        return false;
    }
    const int side = session_.codeLists.lists[static_cast<std::size_t>(list)].side;
    return session_.panes.module(side) != nullptr &&
           session_.panes.moduleLength[static_cast<std::size_t>(side)] > 0;
}

std::u16string MainController::copyRows(int list, std::span<const std::int32_t> rows) const {
    if (list < 0 || list > 1) {
        return {};
    }
    return copyText(session_.panes, session_.codeLists.lists[static_cast<std::size_t>(list)], rows,
                    session_.codeLists.tabWidth);
}

int MainController::saveModuleText(int list, const std::string& path) {
    if (busy() || closed_ || list < 0 || list > 1) {
        return -1;
    }
    return tavelin::saveModuleText(
        session_.panes, session_.codeLists.lists[static_cast<std::size_t>(list)].side, path);
}

EditorCommand MainController::editorCommand(int list, std::int32_t row) const {
    if (list < 0 || list > 1) {
        return {};
    }
    const CodeList& code = session_.codeLists.lists[static_cast<std::size_t>(list)];
    const std::int32_t line = editorLine(code, row, session_.panes);
    const ModuleDescriptor* module = session_.panes.module(code.side);
    if (line <= 0 || module == nullptr) {
        return {};
    }
    return buildEditorCommand(session_.counterSettings.editor, session_.counterSettings.editopt,
                              line, module->path);
}

void MainController::compare(ComparisonMode mode) {
    listsWillChange();
    lastComparison_ = mode;
    WindowProgress progress(window_);
    ComparisonContext context{session_.panes, session_.counterSettings, session_.extensions,
                              converter_,     session_.stepCounts,      preparation_.modules(),
                              &progress,      session_.resyncChoice};
    window_.runLong([&] { runComparison(mode, context); });
}

void MainController::runProcessing(std::int32_t kind) {
    switch (kind) {
        case kKindStepComparison:
            stepComparison();
            return;
        case kKindCurrentState:
            // A comparison already on show is kept as it is.
            if (session_.viewState != ViewState::Comparison) {
                compare(ComparisonMode::CurrentState);
            }
            session_.viewState = ViewState::Comparison;
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
            listsWillChange();
            window_.runLong([&] {
                runProcessingView(kind, session_.panes, session_.counterSettings,
                                  session_.extensions, preparation_.environment());
            });
            if (kind == kKindPreprocessing) {
                unreadable_.clear();
            } else {
                noteViewWithoutRules(kind);
            }
            session_.viewState = ViewState::Plain;
            return;
        case kKindDataMonitor:
            if (session_.viewerSettings.debugMode == 1) {
                window_.showDataMonitor(session_);
            }
            session_.viewState = ViewState::Plain;
            return;
        default:
            session_.viewState = ViewState::Plain;
            return;
    }
}

void MainController::noteViewWithoutRules(std::int32_t kind) {
    bool anyModule = false;
    for (int side = 0; side < kSides; ++side) {
        const ModuleDescriptor* module = session_.panes.module(side);
        if (module == nullptr) {
            continue;
        }
        anyModule = true;
        // A module without a definition (the plain-text rules) has rules of no kind.
        static const ExtensionDefinition noRules;
        const ExtensionDefinition* definition = session_.extensions.find(module->extensionNumber);
        if (viewHasRules(kind, definition != nullptr ? *definition : noRules)) {
            return;
        }
    }
    if (anyModule) {
        window_.showStatus(kMsgNothingToRemove);
    }
}

void MainController::execute(std::int32_t processingKind, std::int32_t resyncChoice) {
    if (busy() || closed_) {
        return;
    }
    session_.processingKind = processingKind;
    session_.resyncChoice = resyncChoice;
    enterBusyState();
    runProcessing(processingKind);
    refreshLists();
    leaveBusyState();
}

void MainController::reload() {
    if (busy() || closed_) {
        return;
    }
    enterBusyState();
    reloadAndShow();
    leaveBusyState();
}

void MainController::reloadChanged() {
    if (busy() || closed_) {
        return;
    }
    enterBusyState();
    reloadModules();
    if (session_.viewState == ViewState::Comparison) {
        compare(lastComparison_);
    }
    refreshLists();
    leaveBusyState();
}

void MainController::selectTabWidth(std::int32_t choice) {
    if (busy() || closed_) {
        return;
    }
    enterBusyState();
    session_.tabWidth = session_.viewerSettings.setTabChoice(choice);
    session_.codeLists.tabWidth = session_.tabWidth;
    window_.captionsChanged(session_);
    leaveBusyState();
}

void MainController::selectEncoding(int list, int codeNo) {
    if (busy() || closed_ || list < 0 || list > 1 || codeNo < 0 || codeNo >= kEncodingChoices) {
        return;
    }
    const int side = session_.codeLists.lists[static_cast<std::size_t>(list)].side;
    const ModuleDescriptor* module = session_.panes.module(side);
    if (module == nullptr || module->utf16 != 0 || module->codeNo == codeNo) {
        return;
    }
    enterBusyState();
    setModuleCodeNo(session_.panes, side, codeNo);
    refreshHeadings(session_.codeLists, session_.panes);
    window_.captionsChanged(session_);
    leaveBusyState();
}

void MainController::stepComparisonShortcut() {
    enterBusyState();
    stepComparison();
    refreshLists();
    leaveBusyState();
}

void MainController::currentStateShortcut() {
    enterBusyState();
    if (session_.viewState != ViewState::Comparison) {
        compare(ComparisonMode::CurrentState);
    }
    session_.viewState = ViewState::Comparison;
    refreshLists();
    leaveBusyState();
}

KeyAction MainController::keyPress(char key) {
    if (busy() || closed_) {
        return KeyAction::None;
    }
    switch (key) {
        case kKeyCtrlF:
            return KeyAction::NextDifference;
        case kKeyCtrlB:
            return KeyAction::PreviousDifference;
        case kKeyCtrlS:
            return KeyAction::SystemSettings;
        case kKeyCtrlW:
            currentStateShortcut();
            return KeyAction::None;
        case kKeyCtrlX:
            stepComparisonShortcut();
            return KeyAction::None;
        case kKeyCtrlZ:
            reload();
            return KeyAction::None;
        case kKeyEscape:
            // Only the data-file edition closes on Esc, and only while End could be pressed.
            if (session_.noDataFile == 0) {
                closeWindow();
            }
            return KeyAction::None;
        default:
            return KeyAction::None;
    }
}

void MainController::endButton() {
    if (busy()) {
        closeRequested_ = true;
        return;
    }
    closeWindow();
}

void MainController::endMenuItem() {
    if (!busy()) {
        closeWindow();
    }
}

bool MainController::requestClose() {
    if (closed_) {
        return true;
    }
    if (busy()) {
        closeRequested_ = true;
        return false;
    }
    formClose();
    return true;
}

OpenFileHooks MainController::openHooks(bool show) {
    OpenFileHooks hooks;
    // The first activation sizes the tables itself once both files are open.
    hooks.sizeLineTables = show;
    // The stand-alone edition opens any file; a file no definition fits gets the plain-text
    // rules. The data-file edition keeps to the companion's definitions.
    hooks.plainTextFallback = session_.noDataFile == 1;
    hooks.enterBusy = [this] {
        enterBusyState();
        listsWillChange();
        warningListsWillChange();
    };
    hooks.onOpened = [this, show] {
        if (show) {
            reloadAndShow();
        }
    };
    hooks.leaveBusy = [this, show] {
        if (show) {
            // The panes changed (a failed open leaves the pane empty): show them as they are.
            if (listsDetached_) {
                session_.viewState = ViewState::Plain;
                refreshLists();
            }
            loadWarningLists();
        }
        leaveBusyState();
    };
    return hooks;
}

int MainController::openFileInto(int side, const std::string& path, bool show) {
    return openFileIntoPane(session_.panes, side, path, session_.extensions,
                            session_.counterSettings, window_, openHooks(show));
}

int MainController::openFile(int side, const std::string& path) {
    if (busy() || closed_) {
        return kOpenRefusedBusy;
    }
    return openFileInto(side, path, true);
}

void MainController::clearPane(int side) {
    if (busy() || closed_) {
        return;
    }
    enterBusyState();
    listsWillChange();
    tavelin::clearPane(session_.panes, side);
    reloadAndShow();
    loadWarningLists();
    leaveBusyState();
}

DisplayChange MainController::applyDisplaySettings(const DisplaySettings& before,
                                                   const DisplaySettings& after) {
    if (busy() || closed_) {
        return DisplayChange::None;
    }
    const DisplayChange change = storeDisplaySettings(session_.viewerSettings, before, after);
    if (change == DisplayChange::None) {
        return change;
    }
    enterBusyState();
    if (change == DisplayChange::Lists) {
        reloadAndShow();
        if (before.listPosition != after.listPosition) {
            // The warning lists stay under the code list of their module.
            loadWarningLists();
        }
    }
    leaveBusyState();
    return change;
}

TextsRead MainController::openFromCommandLine() {
    std::array<std::string, kSides> paths;
    for (int side = 0; side < kSides; ++side) {
        const std::string& path =
            side == kAfter ? session_.options.afterPath : session_.options.beforePath;
        if (!path.empty() && !namesFolder(path)) {
            paths[static_cast<std::size_t>(side)] = path;
        }
    }
    return openBoth(paths);
}

TextsRead MainController::openBoth(const std::array<std::string, kSides>& paths) {
    // Both are shown once both are open, so the opens show nothing.
    const std::array<int, kSides> results =
        openFilesIntoPanes(session_.panes, paths, session_.extensions, session_.counterSettings,
                           window_, openHooks(false));
    TextsRead opened{false, false};
    for (std::size_t s = 0; s < kSides; ++s) {
        opened[s] = !paths[s].empty() && results[s] == kLoadOk;
    }
    return opened;
}

void MainController::stepComparison(TextsRead alreadyRead) {
    reloadModules(alreadyRead);
    compare(ComparisonMode::StepComparison);
    session_.viewState = ViewState::Comparison;
}

Activation MainController::formActivate() {
    if (session_.firstActivationDone || closed_ || busy()) {
        return Activation::AlreadyDone;
    }
    Session& s = session_;

    // 1. The selectors from the settings.
    s.tabWidth = s.viewerSettings.setTabChoice(s.viewerSettings.tabNo);
    s.codeLists.tabWidth = s.tabWidth;
    s.resyncChoice = startingResyncChoice(s.counterSettings);
    s.processingKind = selectorIndex(s.viewerSettings.execKind, processingKindCount());

    // 3. and 4. The warning lists' columns and sort keys.
    s.extraColumnNames = loadExtraColumnNames(s.counterSettings);
    prepareWarningList(s.leftWarnings, s.extraColumnNames, s.counterSettings);
    prepareWarningList(s.rightWarnings, s.extraColumnNames, s.counterSettings);
    s.leftWarnings.sortState = 1;
    s.rightWarnings.sortState = 1;
    // 2. The font and the selectors reach the widgets.
    window_.selectorsAndFontSet(s);
    s.firstActivationDone = true;

    enterBusyState();
    // 6. Files named on the command line (each with the loader's own messages).
    // Both are read at once; the texts just read stay for the reading in 8. and 9.
    const TextsRead justRead = openFromCommandLine();
    const bool opened = justRead[kAfter] || justRead[kBefore];
    if (s.options.execMode && s.options.silent && !namedFilesOpened(s.options, justRead)) {
        // The unattended run would count the other module as wholly new or deleted: it writes
        // no report and ends with the loader's message.
        unattendedReport_ = kReportFileNotOpened;
        leaveBusyState();
        closeWindow();
        return Activation::ClosedUnattended;
    }

    // 7. The text buffers and the line tables.
    listsWillChange();
    if (allocateTextBuffers(s.panes, justRead) != 0 || allocateLineRecords(s.panes) != 0) {
        if (!s.options.silent) {
            window_.showMessage(kMsgMemoryFailed);
        }
        busyDepth_ = 0;
        closeWindow();
        return Activation::ClosedNoMemory;
    }

    if (!s.options.execMode) {
        // 8. The plain texts; files named on the command line are compared as they stand.
        reloadModules(justRead);
        if (opened) {
            compare(ComparisonMode::CurrentState);
            s.viewState = ViewState::Comparison;
        } else {
            s.viewState = ViewState::Plain;
        }
        refreshLists();
        loadWarningLists();
        leaveBusyState();
        return closed_ ? Activation::AlreadyDone : Activation::Shown;
    }

    // 9. The automatic processing.
    reloadModules(justRead);
    compare(s.options.currentState ? ComparisonMode::CurrentState : ComparisonMode::StepComparison);
    s.viewState = ViewState::Comparison;
    refreshLists();
    loadWarningLists();

    leaveBusyState();

    if (!s.options.silent) {
        return closed_ ? Activation::AlreadyDone : Activation::Shown;
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
    in.outPath = session_.counterSettings.outpath;
    in.programFolder = session_.defaultReportFolder.empty() ? session_.programFolder
                                                            : session_.defaultReportFolder;
    in.reportFolder = session_.options.reportFolder;
    in.reportName = session_.options.reportName;
    if (buildReportPath(in, path, session_.counterSettings.outpath) != 0) {
        unattendedReport_ = -1;
        return;
    }
    unattendedReport_ = writeReport(path) == 0 ? 0 : -2;
    if (unattendedReport_ == 0) {
        reportPath_ = path;
    }
}

ReportInputs MainController::reportInputs() const {
    return reportInputsFor(session_.codeLists, session_.panes, session_.leftWarnings,
                           session_.rightWarnings, session_.counterSettings,
                           session_.viewerSettings, session_.extraColumnNames, session_.stepCounts);
}

int MainController::writeReport(const std::string& path) {
    int result = -1;
    const ReportInputs inputs = reportInputs();
    // Written on the window's worker; the message, if any, is shown here afterwards.
    SilentMessages quiet;
    window_.runLong([&] { result = writeHtmlReport(path, inputs, true, quiet); });
    if (result != 0 && !session_.options.silent) {
        window_.showMessage(kMsgReportNotSaved);
    }
    return result;
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
    listsWillChange();
    warningListsWillChange();
    ModulePanes& panes = session_.panes;
    for (std::size_t s = 0; s < kSides; ++s) {
        panes.moduleText[s].clear();
        panes.hasBuffer[s] = false;
        panes.moduleLength[s] = 0;
        panes.lines[s] = {};
    }
    panes.lineTableSize = 0;
    for (CodeList& list : session_.codeLists.lists) {
        list.rows = {};
    }
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
        std::fprintf(out, "%s\n", formatStepCounts(session.codeLists.counts).c_str());
        std::fflush(out);
    }
    controller.endButton();
    return kExitOk;
}

int runController(Session& session) {
    return runController(session, stdout);
}

}  // namespace tavelin
