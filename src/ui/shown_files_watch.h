#pragma once
// Watches the files the two code lists show and puts a notice above a list when its file changes
// on disk (with a Reload button) or is gone (the open message; the list keeps its text). A file
// that comes back is noticed within a second; a file saved by writing a new one and renaming it
// over the old is watched anew.

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <string>

#include "app/session.h"

class QFileSystemWatcher;
class QTimer;

namespace tavelin::ui {

class ListPane;

class ShownFilesWatch final : public QObject {
    Q_OBJECT
  public:
    ShownFilesWatch(const Session& session, std::array<ListPane*, 2> panes,
                    QObject* parent = nullptr);

    // The lists were rebuilt: watch the files they show now, and drop the notices of those that
    // were read again since.
    void update();

  private:
    void fileChanged(const QString& path);
    void lookForRestoredFiles();

    // What a list showed at the last update: the watcher's signals come also while an
    // operation's work changes the session, so they read only this.
    struct Shown {
        int side = -1;
        std::string enginePath;       // as the module names it
        QString path;                 // empty: no file
        std::uint32_t reads = 0;      // how often the file had been read
        std::uint32_t noticedAt = 0;  // reads when its notice was put up
    };

    const Session& session_;
    std::array<ListPane*, 2> panes_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* restored_ = nullptr;  // looks for shown files that were gone
    std::array<Shown, 2> shown_;
};

}  // namespace tavelin::ui
