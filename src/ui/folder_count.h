#pragma once
// A project count of two folders run on a thread of its own for the folder view: the setup is
// read (unless one is given), both trees are listed and counted by countTrees on its worker
// threads, and every finished row waits in a queue the window's thread takes from whenever it
// likes. Nothing the window's thread reads is written by another thread without the queue's lock
// or an atomic; the thread is joined before its outcome is read. No Qt here.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "project/count_setup.h"
#include "project/tree_count.h"
#include "project/tree_source.h"

namespace tavelin::ui {

// Opens one tree (a folder); nullptr with `problem` set when it cannot. Tests put slow or
// failing trees in its place.
using TreeOpener = std::function<std::unique_ptr<project::TreeSource>(const std::string& top,
                                                                      std::string& problem)>;

struct FolderCountRequest {
    std::string beforeFolder;
    std::string afterFolder;
    // The setup to count with; when empty it is read from `sources` on the count's thread.
    std::shared_ptr<const project::CountSetup> setup;
    project::SetupSources sources;
    project::CountOptions options;
    TreeOpener openTree;  // empty: project::openFolderTree
};

struct FolderCountOutcome {
    bool cancelled = false;
    // Why nothing was counted (settings or a folder that cannot be read); empty otherwise.
    std::string problem;
};

class FolderCount {
  public:
    // Starts the count. When no thread can be started it is done here before this returns.
    explicit FolderCount(FolderCountRequest request);
    // Stops the count and waits for the files being counted.
    ~FolderCount();
    FolderCount(const FolderCount&) = delete;
    FolderCount& operator=(const FolderCount&) = delete;

    // Asks the count to stop: the files being counted finish, no other starts.
    void cancel() { cancel_.store(true, std::memory_order_relaxed); }
    // Moves the rows finished since the last call to the end of `out`.
    void takeRows(std::vector<project::FileRow>& out);
    // Files finished of the files planned (0 of 0 while the trees are listed).
    std::size_t done() const { return done_.load(std::memory_order_relaxed); }
    std::size_t total() const { return total_.load(std::memory_order_relaxed); }
    // Whether the count has ended (the rows may still wait in the queue).
    bool ended() const { return ended_.load(std::memory_order_acquire); }
    // Waits for the end of the count (joins its thread) and gives what it ended with.
    FolderCountOutcome finish();

  private:
    void run();

    FolderCountRequest request_;
    std::atomic<bool> cancel_{false};
    std::atomic<std::size_t> done_{0};
    std::atomic<std::size_t> total_{0};
    std::atomic<bool> ended_{false};
    std::mutex mutex_;
    std::vector<project::FileRow> queue_;  // under mutex_
    FolderCountOutcome outcome_;           // written by the count's thread before ended_
    std::thread thread_;
};

}  // namespace tavelin::ui
