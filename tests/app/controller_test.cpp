// The controller against a recording window, on module files in a folder of their own.

#include "app/controller.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/startup.h"
#include "app_fixtures.h"
#include "display/captions.h"
#include "platform/paths.h"
#include "support/data_file_writer.h"
#include "temp_folder.h"
#include "text/module_loader.h"

namespace tavelin {
namespace {

using apptest::TempFolder;

// Records what the controller asks of the window, and holds it to the protocol a Qt model needs:
// the lists are rebuilt only after the window was told they would change.
//
// Its long operations run on a thread of their own, as the desktop window's do; the window is
// never asked anything while one runs, so no window reads what the work writes.
class RecordingWindow final : public WindowPort {
  public:
    void showMessage(std::string_view text) override {
        notDuringWork();
        messages.emplace_back(text);
    }
    void setControlsEnabled(bool enabled, bool menus) override {
        notDuringWork();
        events.push_back(enabled ? (menus ? "enable+menus" : "enable") : "disable");
    }
    void listsAboutToChange() override {
        notDuringWork();
        EXPECT_FALSE(listsDetached) << "told twice";
        listsDetached = true;
    }
    void listsRebuilt(const Session&) override {
        notDuringWork();
        EXPECT_TRUE(listsDetached) << "lists rebuilt without notice";
        listsDetached = false;
        events.emplace_back("lists");
        if (onLists) {
            onLists();
        }
    }
    void captionsChanged(const Session&) override {
        notDuringWork();
        EXPECT_FALSE(listsDetached);
        events.emplace_back("captions");
    }
    void warningListsAboutToChange() override {
        notDuringWork();
        EXPECT_FALSE(warningsDetached) << "told twice";
        warningsDetached = true;
    }
    void warningListsRebuilt(const Session&) override {
        notDuringWork();
        EXPECT_TRUE(warningsDetached) << "warning lists rebuilt without notice";
        warningsDetached = false;
        events.emplace_back("warnings");
    }
    void selectorsAndFontSet(const Session&) override { events.emplace_back("setup"); }
    void progress(int) override {}
    void showDataMonitor(const Session&) override { events.emplace_back("monitor"); }
    void showStatus(std::string_view text) override {
        events.push_back("status:" + std::string(text));
    }
    ViewerSettings::WindowRect windowRect() const override { return {11, 22, 633, 944}; }
    void close() override {
        notDuringWork();
        events.emplace_back("close");
    }
    void runLong(const std::function<void()>& work) override {
        notDuringWork();
        std::exception_ptr error;
        working = true;
        std::thread worker([&] {
            try {
                work();
            } catch (...) {
                error = std::current_exception();
            }
        });
        worker.join();
        working = false;
        if (error) {
            std::rethrow_exception(error);
        }
    }
    void notDuringWork() const { EXPECT_FALSE(working.load()) << "window asked during the work"; }

    int count(const std::string& event) const {
        int n = 0;
        for (const auto& e : events) {
            n += e == event ? 1 : 0;
        }
        return n;
    }

    std::vector<std::string> events;
    std::vector<std::string> messages;
    std::function<void()> onLists;
    bool listsDetached = false;
    bool warningsDetached = false;
    std::atomic<bool> working{false};
};

class ControllerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        oldRuntime_ = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        // Relative module paths resolve in the program folder.
        oldCwd_ = std::filesystem::current_path();
        std::filesystem::current_path(program_.path());
        session_ = std::make_unique<Session>();
        session_->programFolder = program_.path();
        session_->workFolder = program_.path();
        session_->options.silent = true;  // no "System file is invalid." in every test
    }
    void TearDown() override {
        std::filesystem::current_path(oldCwd_);
        if (oldRuntime_) {
            setenv("XDG_RUNTIME_DIR", oldRuntime_->c_str(), 1);
        }
    }

    // Stand-alone mode with both files on the command line.
    void standAlone(CounterSettings settings = apptest::baseCounterSettings()) {
        apptest::writeStandAloneFolder(program_, settings);
        session_->options.afterPath = "after.c";
        session_->options.beforePath = "before.c";
        startupReading(*session_);
        session_->options.silent = false;
        ASSERT_EQ(session_->noDataFile, 1);
        ASSERT_EQ(session_->extensions.extensionCount, 1);
    }

    // Data-file mode with both whole files as modules.
    void dataFileMode() {
        const CounterSettings settings = apptest::baseCounterSettings();
        apptest::writeStandAloneFolder(program_, settings);
        testing::DataFileContent content;
        content.settings = settings;
        const std::string_view texts[2] = {apptest::kAfterC, apptest::kBeforeC};
        const char* names[2] = {"after.c", "before.c"};
        for (int s = 0; s < kSides; ++s) {
            ModuleDescriptor& d = content.modules[static_cast<std::size_t>(s)];
            d.path = names[s];
            d.moduleName = "inventory";
            d.endPosition = static_cast<std::int32_t>(texts[s].size()) - 1;
            d.lineNumber = 1;
            d.totalSteps = 28;
            content.presence[static_cast<std::size_t>(s)] = 1;
        }
        ASSERT_TRUE(testing::writeDataFile(program_.file("data.dat"), content));
        session_->options.dataFilePath = program_.file("data.dat");
        startupReading(*session_);
        session_->options.silent = false;
        ASSERT_EQ(session_->noDataFile, 0);
    }

    MainController& controller() {
        if (!controller_) {
            controller_ = std::make_unique<MainController>(*session_, window_);
        }
        return *controller_;
    }
    StepCountRecord counts() const { return session_->stepCounts; }
    const CodeList& leftList() const { return session_->codeLists.lists[0]; }
    std::string caption(std::int32_t row) const {
        return captionAnsi(session_->panes, leftList(), row, session_->tabWidth);
    }

    TempFolder program_;
    std::unique_ptr<Session> session_;
    RecordingWindow window_;
    std::unique_ptr<MainController> controller_;
    std::optional<std::string> oldRuntime_;
    std::filesystem::path oldCwd_;
};

bool sameCounts(const StepCountRecord& a, const StepCountRecord& b) {
    return a.newSteps == b.newSteps && a.originalSteps == b.originalSteps &&
           a.changedSteps == b.changedSteps && a.reusedSteps == b.reusedSteps &&
           a.deletedSteps == b.deletedSteps;
}

TEST_F(ControllerTest, FilesOnTheCommandLineAreComparedAsTheyStandWithoutExec) {
    standAlone();
    EXPECT_EQ(controller().formActivate(), Activation::Shown);
    EXPECT_TRUE(session_->firstActivationDone);
    EXPECT_EQ(session_->viewState, ViewState::Comparison);
    // Current state: every line counts, comments and blank lines included.
    EXPECT_EQ(session_->panes.descriptors[kAfter].actualSteps, 28);
    EXPECT_EQ(session_->panes.descriptors[kBefore].actualSteps, 28);
    EXPECT_NE(counts().changedSteps, 0);
    EXPECT_GE(leftList().rowCount(), 28);
    EXPECT_TRUE(window_.messages.empty());
    // The window ends enabled, menus included (stand-alone mode), and the second activation
    // does nothing.
    EXPECT_EQ(window_.events.back(), "enable+menus");
    EXPECT_FALSE(controller().busy());
    const auto events = window_.events.size();
    EXPECT_EQ(controller().formActivate(), Activation::AlreadyDone);
    EXPECT_EQ(window_.events.size(), events);
}

TEST_F(ControllerTest, ExecRunsTheStepComparisonOrWithSlashRTheCurrentState) {
    standAlone();
    session_->options.execMode = true;
    EXPECT_EQ(controller().formActivate(), Activation::Shown);
    const StepCountRecord step = counts();
    // Comments, blank lines and the directives are gone: count_items (10 lines), the cache
    // line chosen by USE_CACHE and main (6 lines).
    EXPECT_EQ(session_->panes.descriptors[kAfter].actualSteps, 17);
    EXPECT_EQ(session_->viewState, ViewState::Comparison);

    // The same start with /r compares the texts as they stand.
    session_ = std::make_unique<Session>();
    session_->programFolder = program_.path();
    session_->workFolder = program_.path();
    session_->options = {};
    session_->options.execMode = true;
    session_->options.currentState = true;
    session_->options.afterPath = "after.c";
    session_->options.beforePath = "before.c";
    session_->options.silent = true;
    startupReading(*session_);
    RecordingWindow window;
    MainController current(*session_, window);
    EXPECT_EQ(current.formActivate(), Activation::ClosedUnattended);
    EXPECT_FALSE(sameCounts(step, session_->stepCounts));
    EXPECT_EQ(current.unattendedReportResult(), 0);
    EXPECT_TRUE(program_.exists("before.c.html"));
}

TEST_F(ControllerTest, CurrentStateRightAfterAComparisonKeepsItButAfterAViewComparesAfresh) {
    standAlone();
    controller().formActivate();
    controller().execute(kKindStepComparison, 12);
    const StepCountRecord step = counts();
    const int stepRows = leftList().rowCount();
    EXPECT_EQ(session_->viewState, ViewState::Comparison);
    EXPECT_EQ(session_->resyncChoice, 12);
    EXPECT_EQ(session_->counterSettings.nextlchk, 12);  // the choice is passed, not stored there

    controller().execute(kKindCurrentState, 12);
    EXPECT_TRUE(sameCounts(step, counts()));
    EXPECT_EQ(leftList().rowCount(), stepRows);
    EXPECT_EQ(session_->viewState, ViewState::Comparison);

    // A view works on the texts as loaded; the next current-state request compares them.
    controller().reload();
    EXPECT_EQ(session_->viewState, ViewState::Plain);
    controller().execute(kKindComments, 12);
    EXPECT_EQ(session_->viewState, ViewState::Plain);
    controller().execute(kKindCurrentState, 12);
    EXPECT_EQ(session_->viewState, ViewState::Comparison);
    EXPECT_FALSE(sameCounts(step, counts()));
    // Comment deletion left the (now empty) comment lines: 28 lines each side.
    EXPECT_EQ(session_->panes.descriptors[kAfter].actualSteps, 28);
}

TEST_F(ControllerTest, UnknownKindsRunNothingAndTheMonitorNeedsDebugMode) {
    standAlone();
    controller().formActivate();
    controller().execute(kKindStepComparison, 0);
    const StepCountRecord step = counts();
    EXPECT_EQ(session_->resyncChoice, 0);

    for (std::int32_t kind : {-1, 12, 99}) {
        controller().execute(kind, 0);
        EXPECT_EQ(session_->viewState, ViewState::Plain) << kind;
        EXPECT_TRUE(sameCounts(step, counts())) << kind;
    }
    controller().execute(kKindDataMonitor, 0);
    EXPECT_EQ(window_.count("monitor"), 0);
    session_->viewerSettings.debugMode = 1;
    controller().execute(kKindDataMonitor, 0);
    EXPECT_EQ(window_.count("monitor"), 1);
    EXPECT_EQ(session_->viewState, ViewState::Plain);
}

TEST_F(ControllerTest, EveryOperationRunsBetweenDisableAndEnable) {
    standAlone();
    controller().formActivate();
    for (std::int32_t kind = 0; kind <= 10; ++kind) {
        window_.events.clear();
        controller().execute(kind, 12);
        ASSERT_GE(window_.events.size(), 3U) << kind;
        EXPECT_EQ(window_.events.front(), "disable") << kind;
        EXPECT_EQ(window_.events[window_.events.size() - 2], "lists") << kind;
        EXPECT_EQ(window_.events.back(), "enable+menus") << kind;
    }
    // In data-file mode the menus stay disabled.
    session_->noDataFile = 0;
    controller().reload();
    EXPECT_EQ(window_.events.back(), "enable");
}

TEST_F(ControllerTest, TabWidthRebuildsTheListsWithoutComparingAgain) {
    standAlone();
    controller().formActivate();
    controller().execute(kKindStepComparison, 12);
    const StepCountRecord step = counts();
    ASSERT_GT(leftList().rowCount(), 2);
    // Row 2 of the step comparison is "\tint total = 0;" (the comment is gone).
    EXPECT_EQ(caption(2).substr(0, 9), "        i");

    // A changed file on disk must not show: nothing is reloaded or compared, and the rows stay;
    // only their captions are formatted anew.
    program_.write("after.c", "int x;\n");
    window_.events.clear();
    controller().selectTabWidth(0);
    EXPECT_EQ(window_.events, (std::vector<std::string>{"disable", "captions", "enable+menus"}));
    EXPECT_EQ(session_->tabWidth, 2);
    EXPECT_EQ(session_->viewerSettings.tabNo, 0);
    EXPECT_EQ(caption(2).substr(0, 3), "  i");
    EXPECT_TRUE(sameCounts(step, counts()));
    controller().selectTabWidth(1);
    EXPECT_EQ(session_->tabWidth, 4);
    controller().selectTabWidth(7);
    EXPECT_EQ(session_->tabWidth, 8);
}

TEST_F(ControllerTest, ShortcutsAreIgnoredWhileAnOperationRuns) {
    standAlone();
    controller().formActivate();
    session_->resyncChoice = 12;

    // Ctrl+X pressed from inside the list rebuild of another operation does nothing.
    int nested = 0;
    window_.onLists = [&] {
        ++nested;
        EXPECT_EQ(controller().keyPress(kKeyCtrlX), KeyAction::None);
        // A file dragged over the window now is refused, not taken and dropped silently.
        EXPECT_FALSE(controller().acceptsDrops());
        EXPECT_EQ(controller().dropDecision(0, std::vector<std::string>{"after.c"}).kind,
                  DropDecision::Kind::Ignore);
    };
    controller().reload();
    window_.onLists = nullptr;
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(session_->viewState, ViewState::Plain);
    EXPECT_TRUE(controller().acceptsDrops());

    // Not busy: Ctrl+X runs the step comparison, Ctrl+Z reloads, Ctrl+W compares afresh.
    EXPECT_EQ(controller().keyPress(kKeyCtrlX), KeyAction::None);
    EXPECT_EQ(session_->viewState, ViewState::Comparison);
    EXPECT_EQ(session_->panes.descriptors[kAfter].actualSteps, 17);
    EXPECT_EQ(controller().keyPress(kKeyCtrlZ), KeyAction::None);
    EXPECT_EQ(session_->viewState, ViewState::Plain);
    EXPECT_EQ(controller().keyPress(kKeyCtrlW), KeyAction::None);
    EXPECT_EQ(session_->viewState, ViewState::Comparison);
    EXPECT_EQ(session_->panes.descriptors[kAfter].actualSteps, 28);
    EXPECT_FALSE(controller().busy());

    // The window's own shortcuts come back to it; plain characters do nothing.
    EXPECT_EQ(controller().keyPress(kKeyCtrlF), KeyAction::NextDifference);
    EXPECT_EQ(controller().keyPress(kKeyCtrlB), KeyAction::PreviousDifference);
    EXPECT_EQ(controller().keyPress(kKeyCtrlS), KeyAction::SystemSettings);
    EXPECT_EQ(controller().keyPress('x'), KeyAction::None);
    window_.onLists = [&] { EXPECT_EQ(controller().keyPress(kKeyCtrlS), KeyAction::None); };
    controller().reload();
    window_.onLists = nullptr;
}

TEST_F(ControllerTest, EscapeClosesOnlyInDataFileModeAndWhileEnabled) {
    standAlone();
    controller().formActivate();
    controller().keyPress(kKeyEscape);
    EXPECT_FALSE(controller().closed());
    EXPECT_EQ(window_.count("close"), 0);

    session_->noDataFile = 0;
    // The menu item's end is refused while the controls are disabled.
    window_.onLists = [&] {
        controller().endMenuItem();
        EXPECT_FALSE(controller().closed());
    };
    controller().reload();
    window_.onLists = nullptr;
    controller().keyPress(kKeyEscape);
    EXPECT_TRUE(controller().closed());
    EXPECT_EQ(window_.count("close"), 1);
}

TEST_F(ControllerTest, ClosingStoresTheSelectorAndTheRectangleAndFreesTheBuffers) {
    dataFileMode();
    session_->viewerSettings.execKind = 6;
    controller().formActivate();
    EXPECT_EQ(session_->processingKind, 6);
    EXPECT_EQ(session_->viewState, ViewState::Plain);  // no /a, /b: plain texts
    EXPECT_EQ(window_.events.back(), "enable");
    controller().execute(kKindDelimiters, 3);
    controller().endButton();
    EXPECT_EQ(session_->viewerSettings.execKind, 4);
    EXPECT_EQ(session_->viewerSettings.formTop, 11);
    EXPECT_EQ(session_->viewerSettings.formLeft, 22);
    EXPECT_EQ(session_->viewerSettings.formHeight, 633);
    EXPECT_EQ(session_->viewerSettings.formWidth, 944);
    EXPECT_TRUE(session_->panes.moduleText[kAfter].bytes.empty());
    EXPECT_EQ(leftList().rowCount(), 0);
    EXPECT_TRUE(session_->panes.lines[kBefore].empty());
    EXPECT_EQ(session_->panes.lineTableSize, 0);
    // A second close (the window's own close event) changes nothing.
    session_->processingKind = 1;
    controller().formClose();
    EXPECT_EQ(session_->viewerSettings.execKind, 4);
    // Nothing runs on a closed window.
    EXPECT_EQ(controller().formActivate(), Activation::AlreadyDone);
}

TEST_F(ControllerTest, SelectorsOutOfRangeAreLeftWithoutSelection) {
    standAlone();
    session_->counterSettings.nextlchk =
        13;                                  // the settings reader keeps 0..12; a data file may not
    session_->viewerSettings.execKind = 11;  // the monitor is not offered without debug mode
    controller().formActivate();
    EXPECT_EQ(session_->resyncChoice, -1);
    EXPECT_EQ(session_->processingKind, -1);
    EXPECT_EQ(window_.count("setup"), 1);
}

TEST_F(ControllerTest, CommandLinePathsThatAreFoldersAreSkippedQuietlyMissingOnesReported) {
    standAlone();
    std::filesystem::create_directory(program_.file("folder.c"));
    session_->options.afterPath = "folder.c";
    session_->options.beforePath.clear();
    EXPECT_EQ(controller().formActivate(), Activation::Shown);
    EXPECT_TRUE(window_.messages.empty());
    EXPECT_EQ(session_->panes.module(kAfter), nullptr);
    EXPECT_EQ(session_->viewState, ViewState::Plain);  // nothing opened: no comparison
}

TEST_F(ControllerTest, AMissingCommandLineFileIsReportedAndTheWindowShowsTheOther) {
    standAlone();
    session_->options.beforePath = "missing.c";
    session_->options.silent = true;  // not suppressed: it is a message of opening a file
    EXPECT_EQ(controller().formActivate(), Activation::Shown);
    EXPECT_EQ(window_.messages, std::vector<std::string>{"The file can not be opened.\n"
                                                         "missing.c: No such file or directory"});
    EXPECT_EQ(session_->panes.module(kBefore), nullptr);
    // The window then does what it always did: the after file alone, compared as it stands.
    EXPECT_EQ(session_->viewState, ViewState::Comparison);
    EXPECT_EQ(counts().newSteps, 28);
}

TEST_F(ControllerTest, UnattendedRunEndsWithoutAReportWhenANamedFileCannotBeOpened) {
    standAlone();
    session_->options.execMode = true;
    session_->options.silent = true;
    session_->options.afterPath = "missing.c";
    EXPECT_EQ(controller().formActivate(), Activation::ClosedUnattended);
    EXPECT_EQ(controller().unattendedReportResult(), kReportFileNotOpened);
    EXPECT_EQ(window_.messages.size(), 1U);
    EXPECT_TRUE(controller().closed());
    EXPECT_TRUE(controller().reportPath().empty());
}

TEST_F(ControllerTest, UnattendedRunPassesOverAFolderAsBefore) {
    standAlone();
    std::filesystem::create_directory(program_.file("folder"));
    session_->options.execMode = true;
    session_->options.silent = true;
    session_->options.beforePath = "folder";
    EXPECT_EQ(controller().formActivate(), Activation::ClosedUnattended);
    EXPECT_EQ(controller().unattendedReportResult(), 0);
    EXPECT_TRUE(window_.messages.empty());
}

TEST_F(ControllerTest, AFileNoDefinitionFitsOpensAsPlainTextInTheStandAloneEditionOnly) {
    standAlone();
    program_.write("notes.txt", "text\n\n  \n/* counted */\n");
    session_->options.afterPath = "notes.txt";
    session_->options.beforePath.clear();
    controller().formActivate();
    EXPECT_TRUE(window_.messages.empty());
    ASSERT_NE(session_->panes.module(kAfter), nullptr);
    EXPECT_EQ(session_->panes.module(kAfter)->extensionNumber, kPlainTextRules);
    EXPECT_TRUE(leftList().plainText);
    EXPECT_NE(leftList().headingAnsi().find("><plain text>["), std::string::npos);
    // Compared as it stands every line counts; in the step comparison every line that holds
    // more than white space is a step.
    EXPECT_EQ(counts().newSteps, 4);
    controller().execute(kKindStepComparison, 0);
    EXPECT_EQ(counts().newSteps, 2);
    // A view of a kind the plain rules have nothing for says so; one that needs no rules not.
    window_.events.clear();
    controller().execute(kKindComments, 0);
    EXPECT_EQ(window_.count("status:Nothing to remove for this language."), 1);
    window_.events.clear();
    controller().execute(kKindDelimiters, 0);
    EXPECT_EQ(window_.count("status:Nothing to remove for this language."), 0);
}

TEST_F(ControllerTest, CommandLineFileWithoutDefinitionIsRefusedInTheDataFileEdition) {
    dataFileMode();
    program_.write("notes.txt", "text\n");
    session_->options.afterPath = "notes.txt";
    session_->options.silent = true;  // not suppressed: it is a message of opening a file
    controller().formActivate();
    ASSERT_EQ(window_.messages.size(), 1U);
    EXPECT_EQ(window_.messages[0],
              "The file doesn't open it because there is no extension information.\n"
              "notes.txt: no definition for the extension \"txt\"");
    // The data file's module stays.
    ASSERT_NE(session_->panes.module(kAfter), nullptr);
    EXPECT_EQ(session_->panes.module(kAfter)->path, "after.c");
}

TEST_F(ControllerTest, OpeningAndClearingPanesShowThePlainTexts) {
    standAlone();
    session_->options.afterPath.clear();
    session_->options.beforePath.clear();
    controller().formActivate();
    window_.events.clear();
    EXPECT_EQ(controller().openFile(kAfter, "after.c"), 0);
    EXPECT_EQ(window_.events,
              (std::vector<std::string>{"disable", "lists", "warnings", "enable+menus"}));
    EXPECT_EQ(leftList().rowCount(), 28);
    EXPECT_EQ(controller().openFile(kBefore, "gone.c"), kLoadCannotOpen);
    EXPECT_EQ(window_.messages.back(),
              "The file can not be opened.\ngone.c: No such file or directory");
    controller().clearPane(kAfter);
    EXPECT_EQ(session_->panes.module(kAfter), nullptr);
    EXPECT_EQ(leftList().rowCount(), 0);
    EXPECT_EQ(session_->viewState, ViewState::Plain);
}

TEST_F(ControllerTest, TheViewsRulesForMenusDropsAndTextSaves) {
    standAlone();
    controller().formActivate();
    // The code list's menu: nothing without rows; the editor only with both editor settings and
    // a selected row; the encodings of the module the list shows.
    EXPECT_FALSE(controller().codeListMenuItems(0, false, true).copy);
    CodeListMenuItems items = controller().codeListMenuItems(0, true, true);
    EXPECT_TRUE(items.copy && items.save && items.encodings);
    EXPECT_FALSE(items.edit);
    EXPECT_EQ(items.checkedEncoding, session_->panes.module(kAfter)->codeNo);
    session_->counterSettings.editor = "editor";
    session_->counterSettings.editopt = "%s";
    EXPECT_TRUE(controller().codeListMenuItems(0, true, true).edit);
    EXPECT_FALSE(controller().codeListMenuItems(0, true, false).edit);
    session_->panes.descriptors[kAfter].utf16 = 1;
    EXPECT_FALSE(controller().codeListMenuItems(0, true, true).encodings);
    session_->panes.descriptors[kAfter].utf16 = 0;

    // Drops: one file into the side of the list (the sides follow the list position); several
    // files or a folder give their messages.
    const std::vector<std::string> one{"after.c"};
    const std::vector<std::string> two{"after.c", "before.c"};
    const std::vector<std::string> folder{program_.path()};
    EXPECT_EQ(controller().dropDecision(1, one).kind, DropDecision::Kind::Open);
    EXPECT_EQ(controller().dropDecision(1, one).side, kBefore);
    EXPECT_EQ(controller().dropDecision(0, two).message, kMsgNotOneFile);
    EXPECT_EQ(controller().dropDecision(0, folder).message,
              std::string(kMsgFolderDropped) + "\n" + program_.path());
    session_->viewerSettings.listChg = 1;
    EXPECT_EQ(controller().dropDecision(1, one).side, kAfter);
    session_->noDataFile = 0;
    EXPECT_EQ(controller().dropDecision(1, one).kind, DropDecision::Kind::Ignore);
    EXPECT_FALSE(controller().acceptsDrops());
    session_->noDataFile = 1;
    session_->viewerSettings.listChg = 0;

    // A text save needs a module with text.
    EXPECT_TRUE(controller().canSaveText(0));
    controller().clearPane(kAfter);
    EXPECT_FALSE(controller().canSaveText(0));
    EXPECT_TRUE(controller().canSaveText(1));
}

TEST_F(ControllerTest, ReloadTakesAFileOpenedByHandWholeAndAModuleOfADataFileByItsRange) {
    dataFileMode();
    controller().formActivate();
    const std::int32_t rows = leftList().rowCount();
    program_.write("after.c", std::string(apptest::kAfterC) + "int appended;\n");
    controller().reload();
    EXPECT_EQ(leftList().rowCount(), rows);  // the byte range the data file gave

    controller().openFile(kAfter, "after.c");
    EXPECT_EQ(leftList().rowCount(), rows + 1);
    program_.write("after.c", "int a;\n");
    controller().reload();
    EXPECT_EQ(caption(0), "int a;");
    EXPECT_EQ(leftList().row(1).lineIndex, -1);  // padding: the file has one line now
    // Gone: a message that names it and why; the text stays.
    std::filesystem::remove(program_.file("after.c"));
    window_.messages.clear();
    controller().reload();
    ASSERT_EQ(window_.messages.size(), 1U);
    EXPECT_EQ(window_.messages[0].rfind("The file can not be opened.\nafter.c: ", 0), 0U)
        << window_.messages[0];
    EXPECT_EQ(caption(0), "int a;");
}

TEST_F(ControllerTest, WindowSettingsGoThroughTheController) {
    standAlone();
    // The selector is filled before the activation: that is not the user's choice.
    controller().selectProcessingKind(5);
    EXPECT_EQ(session_->processingKind, 0);
    controller().formActivate();
    controller().selectProcessingKind(5);
    EXPECT_EQ(session_->processingKind, 5);
    controller().setWarningHeight(20);
    EXPECT_EQ(session_->viewerSettings.warnHeight, kMinWarningHeight);
    controller().setWarningHeight(150);
    EXPECT_EQ(session_->viewerSettings.warnHeight, 150);
    controller().setListFont("Mono", 0, true);
    EXPECT_EQ(session_->viewerSettings.fontName, "Mono");
    EXPECT_EQ(session_->viewerSettings.fontSize, 9);
    EXPECT_EQ(session_->viewerSettings.fontChar, kCharsetShiftJis);
    EXPECT_EQ(controller().processingKindCount(), 11);
    session_->viewerSettings.debugMode = 1;
    EXPECT_EQ(controller().processingKindCount(), 12);
}

TEST_F(ControllerTest, WarningHelpIsAPageOnTheWebOrAFile) {
    CounterSettings settings = apptest::baseCounterSettings();
    apptest::withWarningColumns(settings);
    settings.csvapath = "warnings-a.csv";
    program_.write("warnings-a.csv", std::string(apptest::kAfterWarnings));
    standAlone(settings);
    session_->viewerSettings.helpPath1 = "https://rules.example/c";
    session_->viewerSettings.help1Ext = "html";
    session_->viewerSettings.helpPath2 = "/usr/share/rules";
    controller().formActivate();
    ASSERT_GT(session_->leftWarnings.rows.size(), 0U);
    const WarningHelp web = controller().warningHelp(0, 0, 1);
    EXPECT_TRUE(web.web);
    EXPECT_EQ(web.target, "https://rules.example/c/W101.html");
    const WarningHelp file = controller().warningHelp(0, 0, 2);
    EXPECT_FALSE(file.web);
    EXPECT_EQ(file.target, std::string("/usr/share/rules") + kPathSeparator + "W101");
    EXPECT_TRUE(controller().warningHelp(0, 99, 1).target.empty());
}

class UnattendedTest : public ControllerTest {
  protected:
    void start(const std::string& reportFolder, const std::string& reportName) {
        standAlone();
        session_->options.execMode = true;
        session_->options.silent = true;
        session_->options.reportFolder = reportFolder;
        session_->options.reportName = reportName;
    }
};

TEST_F(UnattendedTest, WritesTheReportIntoTheSubFolderAndCloses) {
    start("out", "cmp");
    std::filesystem::create_directory(program_.file("out"));
    EXPECT_EQ(controller().formActivate(), Activation::ClosedUnattended);
    EXPECT_EQ(controller().unattendedReportResult(), 0);
    EXPECT_EQ(controller().reportPath(), joinPath(joinPath(program_.path(), "out"), "cmp.html"));
    EXPECT_TRUE(program_.exists("out/cmp.html"));
    EXPECT_EQ(window_.count("close"), 1);
    EXPECT_TRUE(window_.messages.empty());
    // An empty [OUTPATH] took the program folder for the rest of the run.
    EXPECT_EQ(session_->counterSettings.outpath, program_.path());
}

TEST_F(UnattendedTest, TheReportIsTheOneTheSaveButtonWrites) {
    start("", "auto");
    controller().formActivate();
    const std::string automatic = program_.read("auto.html");
    ASSERT_FALSE(automatic.empty());

    // The same start with a window: saved by hand, the report has the same bytes.
    session_ = std::make_unique<Session>();
    controller_.reset();
    window_.listsDetached = window_.warningsDetached = false;  // a new window
    session_->programFolder = program_.path();
    session_->workFolder = program_.path();
    start("", "auto");
    session_->options.silent = false;
    EXPECT_EQ(controller().formActivate(), Activation::Shown);
    EXPECT_EQ(controller().writeReport(program_.file("manual.html")), 0);
    EXPECT_EQ(program_.read("manual.html"), automatic);
}

}  // namespace
}  // namespace tavelin
