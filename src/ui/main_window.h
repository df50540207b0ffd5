#pragma once
// The main window: the two code lists with a warning list under each, the processing and option
// selectors, the tab-width choice, the navigation, save, reload and end buttons, the status bar
// with the step counts, and in the stand-alone edition the File, Edit and Help menus. The window
// only translates events: every operation goes through the MainController, which drives the
// window back through the WindowPort it implements.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app/controller.h"
#include "app/session.h"
#include "app/window_port.h"
#include "ui/file_chooser.h"
#include "ui/list_models.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QSplitter;
class QTableView;
class QUrl;

namespace tavelin::ui {

class LogoWidget;

class MainWindow final : public QMainWindow {
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

    // The application title the message boxes carry ("Tavelin!" or "Lumora?").
    const QString& applicationTitle() const { return title_; }

    // Navigation (the Down and Up buttons, Ctrl+F and Ctrl+B).
    void nextDifference();
    void previousDifference();

    // Opens a file dropped on a code list, as a drop of `paths` on list `list` (0 left, 1 right)
    // would: exactly one path that is not a folder, else a message.
    void dropFiles(int list, const QStringList& paths);

    // The widgets, for the tests and the dialogs of the window.
    QTableView* codeView(int list) const { return codeViews_[static_cast<std::size_t>(list)]; }
    QTableView* warningView(int list) const {
        return warningViews_[static_cast<std::size_t>(list)];
    }
    CodeListModel* codeModel(int list) const { return codeModels_[static_cast<std::size_t>(list)]; }
    WarningListModel* warningModel(int list) const {
        return warningModels_[static_cast<std::size_t>(list)];
    }
    QComboBox* processingSelector() const { return processing_; }
    QComboBox* optionSelector() const { return option_; }
    QRadioButton* tabButton(int index) const {
        return tabButtons_[static_cast<std::size_t>(index)];
    }
    QPushButton* button(int index) const { return buttons_[static_cast<std::size_t>(index)]; }
    QCheckBox* scrollTogether() const { return together_; }
    QLabel* countsLabel() const { return counts_; }
    QSplitter* paneSplitter() const { return panes_; }
    QSplitter* listSplitter(int list) const {
        return listSplitters_[static_cast<std::size_t>(list)];
    }
    LogoWidget* logo(int index) const { return logos_[static_cast<std::size_t>(index)]; }
    QMenu* encodingMenu(int list) const { return encodeMenus_[static_cast<std::size_t>(list)]; }
    // The code list's pop-up menu as it would open now (visibility set): Copy, Save, Edit and
    // the Encode submenu; and the warning list's: Jump, Help1, Help2.
    QMenu* preparedCodeListMenu(int list);
    QMenu* preparedWarningMenu(int list);
    // Called with each dialog of the window just before it runs (tests answer it).
    void setDialogHook(std::function<void(QDialog*)> hook) { dialogHook_ = std::move(hook); }
    // The dialogs: system settings, font, version information, internal data monitor.
    void showSettingsDialog();
    void showFontDialog();
    void showAboutDialog();
    void showDataMonitor();
    // Where help pages go instead of the desktop (tests record them).
    void setUrlOpener(std::function<void(const QUrl&)> opener) { urlOpener_ = std::move(opener); }

    // The code lists' outputs and the warning lists' actions, as their menus, keys and double
    // clicks run them.
    void copyRows(int list);
    void saveText(int list);
    void openEditor(int list);
    void jumpToWarning(int list);
    void openWarningHelp(int list, int help);
    bool menusVisible() const;

    // Index of the buttons: Down, Up, Execute, Save, Reload, End.
    enum Button { kDown = 0, kUp = 1, kExecute = 2, kSave = 3, kReload = 4, kEnd = 5 };

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class Port;
    friend class Port;

    // WindowPort, carried out on the widgets.
    void setControlsEnabled(bool enabled, bool menusEnabled);
    void listsAboutToChange();
    void listsRebuilt();
    void captionsChanged();
    void warningListsAboutToChange();
    void warningListsRebuilt();
    void selectorsAndFontSet();
    void showProgress(int percent);
    void runLong(const std::function<void()>& work);
    void showMessage(std::string_view text);

    void buildWidgets();
    void buildMenus();
    void applyTexts();
    void applyEdition();
    void applyLogos();
    void placeWindow();
    void applyListFont(const QFont& font);
    void applyColumnWidths();
    void applyStatusWidths();
    void applyWarningVisibility();
    void layoutPanes();
    void syncScroll(int from);
    void scrollRowToTop(int list, int row);
    void key(char code);
    void execute();
    void chooseFile(int side);
    void codeListMenu(int list, const QPoint& pos);
    void warningMenu(int list, const QPoint& pos);
    void buildWarningMenus();
    std::vector<std::int32_t> selectedRows(int list) const;

    void saveReport();

    Session& session_;
    std::unique_ptr<Port> port_;
    std::unique_ptr<MainController> controller_;
    DialogFileChooser dialogs_;
    FileChooser* files_ = &dialogs_;
    std::function<void(const QString&)> messageHandler_;
    QString title_;
    bool activated_ = false;
    bool syncing_ = false;
    int longDepth_ = 0;

    QComboBox* processing_ = nullptr;
    QComboBox* option_ = nullptr;
    QGroupBox* tabGroup_ = nullptr;
    QButtonGroup* tabChoice_ = nullptr;
    std::array<QRadioButton*, 3> tabButtons_{};
    std::array<QPushButton*, 6> buttons_{};
    QCheckBox* together_ = nullptr;
    std::array<LogoWidget*, 3> logos_{};
    QSplitter* panes_ = nullptr;
    std::array<QSplitter*, 2> listSplitters_{};
    std::array<QTableView*, 2> codeViews_{};
    std::array<QTableView*, 2> warningViews_{};
    std::array<CodeListModel*, 2> codeModels_{};
    std::array<WarningListModel*, 2> warningModels_{};
    QLabel* counts_ = nullptr;
    std::array<QMenu*, 3> menus_{};  // File, Edit, Help
    std::array<QMenu*, 2> popups_{};
    std::array<QMenu*, 2> encodeMenus_{};
    std::array<std::array<QAction*, 3>, 2> codeActions_{};  // Copy, Save, Edit
    std::array<QMenu*, 2> warningPopups_{};
    std::array<std::array<QAction*, 3>, 2> warningActions_{};  // Jump, Help1, Help2
    std::function<void(const QUrl&)> urlOpener_;
    std::function<void(QDialog*)> dialogHook_;
    std::array<std::array<QAction*, 5>, 2> encodeActions_{};
    std::array<QString, 2> lastFolders_;  // of the after and before file choice
};

}  // namespace tavelin::ui
