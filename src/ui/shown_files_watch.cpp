#include "ui/shown_files_watch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QStringList>
#include <QTimer>

#include "text/module_loader.h"
#include "ui/list_pane.h"
#include "ui/ui_strings.h"

namespace tavelin::ui {

ShownFilesWatch::ShownFilesWatch(const Session& session, std::array<ListPane*, 2> panes,
                                 QObject* parent)
    : QObject(parent), session_(session), panes_(panes) {
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this,
            [this](const QString& path) { fileChanged(path); });
    restored_ = new QTimer(this);
    restored_->setInterval(1000);
    connect(restored_, &QTimer::timeout, this, [this] { lookForRestoredFiles(); });
}

void ShownFilesWatch::update() {
    QStringList wanted;
    for (int list = 0; list < 2; ++list) {
        const auto l = static_cast<std::size_t>(list);
        Shown& shown = shown_[l];
        shown.side = session_.codeLists.lists[l].side;
        const ModuleDescriptor* module = shown.side == kAfter || shown.side == kBefore
                                             ? session_.panes.module(shown.side)
                                             : nullptr;
        shown.enginePath = module != nullptr ? module->path : std::string();
        shown.path = fromEngineText(shown.enginePath);
        shown.reads =
            module != nullptr ? session_.panes.reads[static_cast<std::size_t>(shown.side)] : 0;
        // A notice stays until the list shows its file read again (a view of the texts as they
        // were read does not), or another file, or none.
        if (shown.path.isEmpty() || shown.reads != shown.noticedAt) {
            panes_[l]->hideNotice();
        }
        if (!shown.path.isEmpty() && QFileInfo::exists(shown.path)) {
            wanted << shown.path;
        }
    }
    const QStringList watched = watcher_->files();
    for (const QString& path : watched) {
        if (!wanted.contains(path)) {
            watcher_->removePath(path);
        }
    }
    for (const QString& path : wanted) {
        if (!watched.contains(path)) {
            watcher_->addPath(path);
        }
    }
}

// Runs on the window's thread, also while an operation's work runs elsewhere: it reads only
// what update() took from the session.
void ShownFilesWatch::fileChanged(const QString& path) {
    for (std::size_t l = 0; l < shown_.size(); ++l) {
        Shown& shown = shown_[l];
        if (shown.path.isEmpty() || shown.path != path) {
            continue;
        }
        shown.noticedAt = shown.reads;
        const QString which = shown.side == kAfter ? QStringLiteral("The file after change")
                                                   : QStringLiteral("The file before change");
        if (QFileInfo::exists(path)) {
            panes_[l]->showNotice(which + QStringLiteral(" has changed on disk: ") + path, true);
            // A file saved by writing a new one and renaming it is watched anew.
            if (!watcher_->files().contains(path)) {
                watcher_->addPath(path);
            }
        } else {
            // Gone: the list keeps what it shows until the user acts.
            panes_[l]->showNotice(
                fromEngineText(openFailureMessage(shown.enginePath, kLoadCannotOpen)), false);
            restored_->start();
        }
    }
}

void ShownFilesWatch::lookForRestoredFiles() {
    bool missing = false;
    for (const Shown& shown : shown_) {
        if (shown.path.isEmpty() || watcher_->files().contains(shown.path)) {
            continue;
        }
        if (QFileInfo::exists(shown.path)) {
            watcher_->addPath(shown.path);
            fileChanged(shown.path);
        } else {
            missing = true;
        }
    }
    if (!missing) {
        restored_->stop();
    }
}

}  // namespace tavelin::ui
