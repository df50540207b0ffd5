#pragma once
// The main window: the control bar, a list pane on each side (code list over warning list), the
// status bar with the step counts, and in the stand-alone edition the File, Edit and Help menus.
// It holds the parts together: it implements the WindowPort the MainController drives, keeps the
// two code lists scrolling together, moves them to the next or previous difference and hosts the
// dialogs. Every operation goes through the controller; the window keeps no settings itself.

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "app/controller.h"
#include "app/session.h"
#include "app/window_port.h"
#include "display/change_blocks.h"
#include "ui/code_row_delegate.h"
#include "ui/control_bar.h"
#include "ui/file_chooser.h"
#include "ui/list_models.h"
#include "ui/list_pane.h"
#include "ui/step_counts_view.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableView;
class QUrl;

namespace tavelin::ui {

class FindBar;
class FolderView;
class LogoWidget;
class LongOperation;
class OverviewStrip;
class ShownFilesWatch;

class MainWindow final : public QMainWindow, private PaneHost {
    Q_OBJECT
  public:
    // The window of a session whose start-up reading is done: texts, edition, placement.
    explicit MainWindow(Session& session, QWidget* parent = nullptr);
    ~MainWindow() override;

    MainController& controller() { return *controller_; }
    const Session& session() const { return session_; }

    // The first activation (what the command line asked for); runs once.
    Activation activate();

    // The file and folder dialogs (tests answer them themselves).
    void setFileChooser(FileChooser* chooser) { files_ = chooser; }
    // Where messages go instead of a message box (tests record them).
    void setMessageHandler(std::function<void(const QString&)> handler) {
        messageHandler_ = std::move(handler);
    }
    // Where help pages go instead of the desktop (tests record them).
    void setUrlOpener(std::function<void(const QUrl&)> opener) { urlOpener_ = std::move(opener); }
    // Called with each dialog of the window just before it runs (tests answer it).
    void setDialogHook(std::function<void(QDialog*)> hook) { dialogHook_ = std::move(hook); }

    // The application title the message boxes carry ("Tavelin!" or "Lumora?").
    const QString& applicationTitle() const { return title_; }

    // Navigation (the Down and Up buttons, Ctrl+F and Ctrl+B).
    void nextDifference();
    void previousDifference();
    // The first row of the next / previous block of differing rows to the top of both lists
    // (Alt+Down, Alt+Up), with a note in the status bar at the last (first) block.
    void nextBlock();
    void previousBlock();
    // The find bar (Ctrl+Shift+F) and the next / previous row that holds its text (F3,
    // Shift+F3), in both lists.
    void openFind();
    void find(bool forward);
    // The View menu's choices.
    void setHighlightChars(bool on);
    void setLineNumbers(bool on);

    // Opens files dropped on a code list, as a drop of `paths` on list `list` (0 left, 1 right)
    // would: exactly one path that is not a folder, else a message.
    void dropFiles(int list, const QStringList& paths);

    // The dialogs: system settings, font, version information, internal data monitor.
    void showSettingsDialog();
    void showFontDialog();
    void showAboutDialog();
    void showDataMonitor();

    // The parts, for the tests.
    ListPane* pane(int list) const { return panes_[static_cast<std::size_t>(list)]; }
    ControlBar* controlBar() const { return bar_; }
    LongOperation* longOperation() const { return operation_; }
    QTableView* codeView(int list) const { return pane(list)->codeView(); }
    QTableView* warningView(int list) const { return pane(list)->warningView(); }
    CodeListModel* codeModel(int list) const { return pane(list)->codeModel(); }
    WarningListModel* warningModel(int list) const { return pane(list)->warningModel(); }
    QComboBox* processingSelector() const { return bar_->processingSelector(); }
    QComboBox* optionSelector() const { return bar_->optionSelector(); }
    QRadioButton* tabButton(int index) const { return bar_->tabButton(index); }
    QPushButton* button(int index) const { return bar_->button(index); }
    QCheckBox* scrollTogether() const { return bar_->scrollTogether(); }
    LogoWidget* logo(int index) const { return bar_->logo(index); }
    StepCountsView* stepCounts() const { return counts_; }
    QProgressBar* progressBar() const { return progress_; }
    QSplitter* paneSplitter() const { return split_; }
    QSplitter* listSplitter(int list) const { return pane(list); }
    QMenu* encodingMenu(int list) const { return pane(list)->encodingMenu(); }
    QMenu* preparedCodeListMenu(int list) { return pane(list)->preparedCodeListMenu(); }
    QMenu* preparedWarningMenu(int list) { return pane(list)->preparedWarningMenu(); }
    // The File menu's Exit item (the stand-alone edition).
    QAction* exitAction() const { return exit_; }
    FindBar* findBar() const { return find_; }
    OverviewStrip* overview() const { return overview_; }
    const std::vector<ChangeBlock>& changeBlocks() const { return blocks_; }
    const FoundText& found() const { return found_; }
    QAction* highlightAction() const { return highlightAction_; }
    FolderView* folderView() const { return folders_; }
    // The folder comparison of two folders, above the code lists.
    void compareFolders(const std::string& before, const std::string& after);
    QAction* lineNumbersAction() const { return lineNumbersAction_; }

    // The code lists' outputs and the warning lists' actions, as their menus, keys and double
    // clicks run them.
    void copyRows(int list) { pane(list)->copyRows(); }
    void saveText(int list) { pane(list)->saveText(); }
    void openEditor(int list) { pane(list)->openEditor(); }
    void jumpToWarning(int list) { pane(list)->jumpToWarning(); }
    void openWarningHelp(int list, int help) { pane(list)->openWarningHelp(help); }
    bool menusVisible() const;

    // Index of the buttons: Down, Up, Execute, Save, Reload, End.
    using Button = ControlBar::Button;
    static constexpr Button kDown = ControlBar::kDown;
    static constexpr Button kUp = ControlBar::kUp;
    static constexpr Button kExecute = ControlBar::kExecute;
    static constexpr Button kSave = ControlBar::kSave;
    static constexpr Button kReload = ControlBar::kReload;
    static constexpr Button kEnd = ControlBar::kEnd;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The list whose top row the navigation starts from.
    int navigationList() const;
    // Both code lists painted again (found text, highlighting).
    void repaintLists();
    class Port;
    friend class Port;

    // PaneHost.
    FileChooser& fileChooser() override { return *files_; }
    void showMessage(std::string_view text) override;
    void openUrl(const QUrl& url) override;

    // WindowPort, carried out on the widgets.
    void setControlsEnabled(bool enabled, bool menusEnabled);
    void listsAboutToChange();
    void listsRebuilt();
    void captionsChanged();
    void warningListsAboutToChange();
    void warningListsRebuilt();
    void selectorsAndFontSet();
    void showProgress(int percent);

    void buildWidgets();
    void connectControls();
    void buildMenus();
    void applyEdition();
    void applyCodeHints();
    void placeWindow();
    void applyListFont(const QFont& font);
    void applyColumnWidths();
    void applyStatusWidths();
    void layoutPanes();
    void syncScroll(int from);
    void followHeights(int from);
    void moveToDifference(bool next);
    void key(char code);
    void execute();
    void chooseFile(int side);
    void saveReport();
    void runDialog(QDialog& dialog);
    void updateOverviewView();
    void scrollBothTo(std::int32_t row);
    void moveToBlock(bool next);
    void chooseFolders();
    void openFolderPair();

    Session& session_;
    std::unique_ptr<Port> port_;
    std::unique_ptr<MainController> controller_;
    DialogFileChooser dialogs_;
    FileChooser* files_ = &dialogs_;
    std::function<void(const QString&)> messageHandler_;
    std::function<void(const QUrl&)> urlOpener_;
    std::function<void(QDialog*)> dialogHook_;
    QString title_;
    bool activated_ = false;
    bool syncing_ = false;

    ControlBar* bar_ = nullptr;
    LongOperation* operation_ = nullptr;
    QSplitter* split_ = nullptr;
    std::array<ListPane*, 2> panes_{};
    StepCountsView* counts_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::array<QMenu*, 4> menus_{};  // File, Edit, View, Help
    QAction* exit_ = nullptr;
    QAction* highlightAction_ = nullptr;
    QAction* lineNumbersAction_ = nullptr;
    QAction* foldersAction_ = nullptr;
    QSplitter* vertical_ = nullptr;
    FolderView* folders_ = nullptr;
    FindBar* find_ = nullptr;
    OverviewStrip* overview_ = nullptr;
    std::unique_ptr<InlineHighlights> highlights_;
    FoundText found_;
    std::vector<ChangeBlock> blocks_;
    std::array<QString, 2> lastFolders_;  // of the after and before file choice
    ShownFilesWatch* watch_ = nullptr;
};

}  // namespace tavelin::ui
