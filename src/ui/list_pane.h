#pragma once
// One side of the window: a code list over its warning list in a splitter, the pop-up menu of
// each, and what their menus, keys, double clicks and drops do (copy, text save, the editor, the
// encodings; jump and help). The left and the right pane are two objects of this class.

#include <QSplitter>
#include <QStringList>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/controller.h"
#include "app/session.h"
#include "ui/code_row_delegate.h"
#include "ui/list_models.h"

class QAction;
class QFont;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;
class QUrl;

namespace tavelin::ui {

class FileChooser;

// What a pane needs from the window that holds it.
class PaneHost {
  public:
    virtual ~PaneHost() = default;
    virtual FileChooser& fileChooser() = 0;
    virtual void showMessage(std::string_view text) = 0;
    virtual void openUrl(const QUrl& url) = 0;
};

class ListPane final : public QSplitter {
    Q_OBJECT
  public:
    // list: 0 the left pane, 1 the right one.
    ListPane(int list, Session& session, MainController& controller, PaneHost& host,
             QWidget* parent = nullptr);

    int list() const { return list_; }
    QTableView* codeView() const { return code_; }
    QTableView* warningView() const { return warnings_; }
    CodeListModel* codeModel() const { return codeModel_; }
    WarningListModel* warningModel() const { return warningModel_; }
    QMenu* encodingMenu() const { return encodeMenu_; }

    // The pop-up menus as they would open now (items shown or hidden by the controller's rules).
    QMenu* preparedCodeListMenu();
    QMenu* preparedWarningMenu();

    // The outputs and actions, as the menus, keys and double clicks run them.
    void copyRows();
    void saveText();
    void openEditor();
    void jumpToWarning();
    void openWarningHelp(int help);

    // The code list's top row, and a row brought to the top (the last row when it has fewer).
    int topRow() const;
    void scrollRowToTop(int row);

    // The lists changed (see WindowPort).
    void listsAboutToChange();
    void listsRebuilt();
    void captionsChanged();
    void warningListsAboutToChange();
    void warningListsRebuilt();

    // The notice above the code list that the file it shows changed on disk (or is gone):
    // non-modal, with a Reload button when there is something to reload.
    void showNotice(const QString& text, bool canReload);
    void hideNotice();
    bool noticeShown() const;
    QLabel* noticeText() const { return noticeText_; }
    QPushButton* noticeReload() const { return noticeReload_; }

    // How the code list paints its rows (the window owns both), and its line-number gutter.
    void setDecorations(InlineHighlights& highlights, const FoundText& found);
    void setLineNumbers(bool shown);
    // The rows the code list shows at once.
    int visibleRows() const;

    void setCodeHint(std::string_view hint);
    void setListFont(const QFont& font);
    // The code list's column: `width` pixels, or the whole view when 0.
    void setColumnWidth(int width);
    void setWarningsVisible(bool shown);
    // The warning list's columns for a pane `paneWidth` pixels wide.
    void setWarningColumns(int paneWidth, const CounterSettings& settings);
    // The warning list's height: the code list takes the rest.
    void setWarningHeight(int height);
    int warningHeight() const;

  signals:
    // Files were dropped on the code list (after the drop has finished).
    void filesDropped(const QStringList& paths);
    // The code list scrolled, vertically or sideways.
    void scrolled();
    // The user moved the splitter between the code list and the warning list.
    void heightsMoved();
    // The notice's Reload button.
    void reloadRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildCodeMenu();
    void buildWarningMenu();
    void popUp(QMenu* menu, QTableView* view, const QPoint& pos);
    std::vector<std::int32_t> selectedRows() const;

    int list_;
    Session& session_;
    MainController& controller_;
    PaneHost& host_;
    QWidget* notice_ = nullptr;
    QLabel* noticeText_ = nullptr;
    QPushButton* noticeReload_ = nullptr;
    QTableView* code_ = nullptr;
    QTableView* warnings_ = nullptr;
    CodeListModel* codeModel_ = nullptr;
    WarningListModel* warningModel_ = nullptr;
    QMenu* codeMenu_ = nullptr;
    QMenu* encodeMenu_ = nullptr;
    std::array<QAction*, 3> codeActions_{};  // Copy, Save, Edit
    std::array<QAction*, 5> encodeActions_{};
    QMenu* warningMenu_ = nullptr;
    std::array<QAction*, 3> warningActions_{};  // Jump, Help1, Help2
};

}  // namespace tavelin::ui
