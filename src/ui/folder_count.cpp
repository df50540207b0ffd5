#include "ui/folder_count.h"

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <algorithm>
#include <exception>
#include <system_error>

namespace tavelin::ui {

namespace {

// The count's thread, and the workers it starts (which take its priority), give way to the
// window's thread: a count never keeps the window from painting, and has the processors whenever
// the window does not want them. (Without it, two workers on two processors left the window's
// thread waiting up to a quarter of a second for one.)
void giveWayToTheWindow() {
#ifdef __linux__
    constexpr int kLower = 5;
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, thread);
    if (errno == 0) {
        ::setpriority(PRIO_PROCESS, thread, std::min(now + kLower, 19));
    }
#endif
}

}  // namespace

FolderCount::FolderCount(FolderCountRequest request) : request_(std::move(request)) {
    try {
        thread_ = std::thread([this] {
            giveWayToTheWindow();
            run();
        });
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
    } catch (const std::exception& e) {
        outcome_.problem = std::string("The count stopped: ") + e.what();
    }
    ended_.store(true, std::memory_order_release);
}

}  // namespace tavelin::ui
