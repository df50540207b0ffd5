#pragma once
// The folder comparison: a table of every file of two folders with its step counts, filled while
// the project count runs on threads of its own, with the totals under it. Above the table a filter
// on the path, "Show unchanged", Stop, Refresh and Save Summary...; under it the progress.
//
// The window creates one, tells it where the settings are (or hands it a setup), connects
// openPairRequested to opening a pair in the code lists, and calls start() with the two folders.
// Esc while a count runs (the keyboard anywhere in the view) stops it as Stop does; the rows done
// stay. The count's rows reach this thread through a queue taken every 50 ms, in batches.

#include <QString>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "project/count_setup.h"
#include "project/results_output.h"
#include "ui/file_chooser.h"
#include "ui/folder_count.h"
#include "ui/folder_model.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeView;

namespace tavelin {
struct DataFolders;
}

namespace tavelin::ui {

// The two files of a row, byte for byte as the file system names them (empty for a side the
// row has no file on).
struct FolderPair {
    std::string relativePath;
    std::string afterFile;
    std::string beforeFile;
};

class FolderView final : public QWidget {
    Q_OBJECT
  public:
    explicit FolderView(QWidget* parent = nullptr);
    // Stops a running count and waits for the files being counted.
    ~FolderView() override;

    // Where the counter settings and definitions are read from at every start, as tavelin-count
    // reads them. setupSourcesFor() gives the sources of the folders a session reads from.
    void setSetupSources(const project::SetupSources& sources);
    static project::SetupSources setupSourcesFor(const DataFolders& folders);
    // A setup read by the caller, used by every count from now on instead of reading one.
    void setSetup(std::shared_ptr<const project::CountSetup> setup);
    // The colours of added and deleted files, 0x00BBGGRR ([ADD_COLOR], [DEL_COLOR]).
    void setColours(std::int32_t addColor, std::int32_t delColor);
    // The file dialog of Save Summary... (tests answer it); the desktop's by default.
    void setFileChooser(FileChooser* chooser) { files_ = chooser; }
    // Where messages go instead of a message box.
    void setMessageHandler(std::function<void(const QString&)> handler) {
        messageHandler_ = std::move(handler);
    }
    // Files counted at once; 0 (the default): one per processor.
    void setJobs(unsigned jobs) { jobs_ = jobs; }
    // The files and folders the count takes (tavelin-count's --include and --exclude).
    void setCountFilter(project::PathFilter filter) { countFilter_ = std::move(filter); }
    // How a folder is opened (tests put slow trees in its place).
    void setTreeOpener(TreeOpener opener) { openTree_ = std::move(opener); }

    // Counts the two folders; a count running is stopped first. The table empties and fills
    // again as the files are counted.
    void start(const QString& beforeFolder, const QString& afterFolder);
    // The same with the folders' bytes as the file system names them.
    void startNative(const std::string& beforeFolder, const std::string& afterFolder);
    // Counts the same two folders again.
    void refresh();
    // Stops the count (what is done stays).
    void cancel();

    bool counting() const { return count_ != nullptr; }
    // The last count was stopped before its end.
    bool cancelled() const { return cancelled_; }
    // Why the last count could not run (empty when it ran).
    const QString& problem() const { return problem_; }
    const std::string& beforeFolder() const { return before_; }
    const std::string& afterFolder() const { return after_; }

    // Rows shown (after the filter and "Show unchanged"), and every row counted so far.
    int rowCount() const;
    std::size_t resultCount() const { return model_->resultCount(); }
    // The files of a shown row, and of the current row (empty when there is none).
    FolderPair pairAt(int row) const;
    FolderPair currentPair() const;
    int currentRow() const;
    void setCurrentRow(int row);

    // Moves to the next / previous row (in the order shown) of a changed, added, deleted or
    // renamed file and asks for its pair to be opened. False, leaving the selection, when there
    // is none in that direction.
    bool selectNextChanged();
    bool selectPreviousChanged();
    // Opens the current row's pair (as a double click or Enter does).
    void openCurrent();

    // Writes the counter's result file of every row: CSV, JSON or HTML by the path's extension
    // (.csv, .json, .html or .htm). False with `error` set when it was not written.
    bool saveSummary(const QString& path, QString* error = nullptr);
    // Save Summary...: asks for a file and writes it.
    void chooseAndSaveSummary();

    // The parts, for the window and the tests.
    FolderModel* model() const { return model_; }
    QAbstractItemModel* totalsModel() const;
    QTreeView* table() const { return table_; }
    QTreeView* totalsRow() const { return footer_; }
    QLineEdit* filterBox() const { return filter_; }
    QCheckBox* showUnchangedBox() const { return showUnchanged_; }
    QPushButton* stopButton() const { return stop_; }
    QPushButton* refreshButton() const { return refresh_; }
    QPushButton* saveButton() const { return save_; }
    QProgressBar* progressBar() const { return progress_; }
    QLabel* statusLabel() const { return status_; }

  signals:
    // Double click or Enter on a row, and the next / previous changed file: the pair to open.
    // afterFile is empty for a deleted file, beforeFile for an added one.
    void openPairRequested(const QString& relativePath, const QString& afterFile,
                           const QString& beforeFile);
    // The current row changed (all empty when there is none).
    void currentChanged(const QString& relativePath, const QString& afterFile,
                        const QString& beforeFile);
    void countStarted();
    // The count ended: complete, stopped or not possible (see cancelled() and problem()).
    void countFinished();

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void begin();
    void takeRows();
    void countEnded();
    void showProgress();
    bool selectChanged(int step);
    void message(const QString& text);

    FolderModel* model_ = nullptr;
    FolderTotalsModel* totals_ = nullptr;
    QTreeView* table_ = nullptr;
    QTreeView* footer_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QCheckBox* showUnchanged_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* save_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer* timer_ = nullptr;

    DialogFileChooser dialogs_;
    FileChooser* files_ = &dialogs_;
    std::function<void(const QString&)> messageHandler_;
    project::SetupSources sources_;
    std::shared_ptr<const project::CountSetup> setup_;
    unsigned jobs_ = 0;
    project::PathFilter countFilter_;
    TreeOpener openTree_;

    std::string before_;
    std::string after_;
    std::unique_ptr<FolderCount> count_;
    bool restart_ = false;  // start again when the count stopped ends
    bool cancelled_ = false;
    QString problem_;
};

}  // namespace tavelin::ui
