#include "ui/folder_count.h"

#include <exception>
#include <system_error>

namespace tavelin::ui {

FolderCount::FolderCount(FolderCountRequest request) : request_(std::move(request)) {
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        // No thread to be had: the count is done here, without painting meanwhile.
        run();
    }
}

FolderCount::~FolderCount() {
    cancel();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void FolderCount::takeRows(std::vector<project::FileRow>& out) {
    std::vector<project::FileRow> taken;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        taken.swap(queue_);
    }
    if (out.empty()) {
        out = std::move(taken);
    } else {
        out.insert(out.end(), std::make_move_iterator(taken.begin()),
                   std::make_move_iterator(taken.end()));
    }
}

FolderCountOutcome FolderCount::finish() {
    if (thread_.joinable()) {
        thread_.join();
    }
    return outcome_;
}

void FolderCount::run() {
    try {
        std::shared_ptr<const project::CountSetup> setup = request_.setup;
        if (!setup) {
            auto loaded = std::make_shared<project::CountSetup>();
            if (project::loadCountSetup(request_.sources, *loaded) != project::kSetupOk) {
                outcome_.problem = "The counter settings (vaelsyst.dat) cannot be read from " +
                                   project::setupFolders(request_.sources).program + ".";
                ended_.store(true, std::memory_order_release);
                return;
            }
            setup = std::move(loaded);
        }
        outcome_.setup = setup;
        const TreeOpener open = request_.openTree ? request_.openTree : project::openFolderTree;
        std::string problem;
        std::unique_ptr<project::TreeSource> before = open(request_.beforeFolder, problem);
        std::unique_ptr<project::TreeSource> after;
        if (before) {
            after = open(request_.afterFolder, problem);
        }
        if (!before || !after) {
            outcome_.problem = problem;
            ended_.store(true, std::memory_order_release);
            return;
        }
        project::CountCallbacks callbacks;
        callbacks.cancel = &cancel_;
        callbacks.onRow = [this](const project::FileRow& row) {
            const std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(row);
        };
        callbacks.onProgress = [this](std::size_t done, std::size_t total) {
            total_.store(total, std::memory_order_relaxed);
            done_.store(done, std::memory_order_relaxed);
        };
        const project::TreeCount result =
            project::countTrees(*setup, *before, *after, request_.options, callbacks);
        outcome_.cancelled = result.cancelled;
        outcome_.total = result.total;
    } catch (const std::exception& e) {
        outcome_.problem = std::string("The count stopped: ") + e.what();
    }
    ended_.store(true, std::memory_order_release);
}

}  // namespace tavelin::ui
