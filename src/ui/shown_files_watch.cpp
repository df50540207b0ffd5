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

QString ShownFilesWatch::shownPath(int list) const {
    const int side = session_.codeLists.lists[static_cast<std::size_t>(list)].side;
    const ModuleDescriptor* module = session_.panes.module(side);
    return module != nullptr ? fromEngineText(module->path) : QString();
}

std::uint32_t ShownFilesWatch::readsOf(int list) const {
    const int side = session_.codeLists.lists[static_cast<std::size_t>(list)].side;
    return side == kAfter || side == kBefore ? session_.panes.reads[static_cast<std::size_t>(side)]
                                             : 0;
}

void ShownFilesWatch::update() {
    QStringList wanted;
    for (int list = 0; list < 2; ++list) {
        const auto l = static_cast<std::size_t>(list);
        const QString path = shownPath(list);
        // A notice stays until the list shows its file read again (a view of the texts as they
        // were read does not), or another file, or none.
        if (path.isEmpty() || readsOf(list) != noticedAt_[l]) {
            panes_[l]->hideNotice();
        }
        if (!path.isEmpty() && QFileInfo::exists(path)) {
            wanted << path;
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

void ShownFilesWatch::fileChanged(const QString& path) {
    for (int list = 0; list < 2; ++list) {
        if (shownPath(list) != path) {
            continue;
        }
        noticedAt_[static_cast<std::size_t>(list)] = readsOf(list);
        const int side = session_.codeLists.lists[static_cast<std::size_t>(list)].side;
        const QString which = side == kAfter ? QStringLiteral("The file after change")
                                             : QStringLiteral("The file before change");
        if (QFileInfo::exists(path)) {
            panes_[static_cast<std::size_t>(list)]->showNotice(
                which + QStringLiteral(" has changed on disk: ") + path, true);
            // A file saved by writing a new one and renaming it is watched anew.
            if (!watcher_->files().contains(path)) {
                watcher_->addPath(path);
            }
        } else {
            // Gone: the list keeps what it shows until the user acts.
            panes_[static_cast<std::size_t>(list)]->showNotice(
                fromEngineText(
                    openFailureMessage(session_.panes.module(side)->path, kLoadCannotOpen)),
                false);
            restored_->start();
        }
    }
}

void ShownFilesWatch::lookForRestoredFiles() {
    bool missing = false;
    for (int list = 0; list < 2; ++list) {
        const QString path = shownPath(list);
        if (path.isEmpty() || watcher_->files().contains(path)) {
            continue;
        }
        if (QFileInfo::exists(path)) {
            watcher_->addPath(path);
            fileChanged(path);
        } else {
            missing = true;
        }
    }
    if (!missing) {
        restored_->stop();
    }
}

}  // namespace tavelin::ui
