#pragma once
// A long piece of work (reading, analysing, matching, building rows) run on a thread of its own
// while the window's thread keeps painting in a nested event loop, with a busy cursor and the
// progress shown as it arrives. run() returns when the work has finished and passes on its
// exception. When no thread can be started the work runs on the window's thread instead: it is
// done all the same, only without painting meanwhile.
//
// The worker hands over only through atomics and wakes this thread with a queued call that
// carries nothing, so every hand-over is one a thread checker can see.

#include <QObject>
#include <atomic>
#include <exception>
#include <functional>
#include <thread>

class QEventLoop;

namespace tavelin::ui {

class LongOperation final : public QObject {
    Q_OBJECT
  public:
    // Starts the thread that runs a piece of work; tests replace it (for instance with one that
    // throws, as a system out of threads does).
    using ThreadStarter = std::function<std::thread(std::function<void()>)>;

    explicit LongOperation(QObject* parent = nullptr);

    void run(const std::function<void()>& work);
    bool running() const { return depth_ > 0; }

    // From any thread: the percentage goes to the progress handler on the window's thread. Only
    // the last one posted is shown when several arrive between two paints.
    void postProgress(int percent);
    void setProgressHandler(std::function<void(int)> handler) {
        progressHandler_ = std::move(handler);
    }

    void setThreadStarter(ThreadStarter starter) { starter_ = std::move(starter); }

  private:
    Q_INVOKABLE void workFinished();
    Q_INVOKABLE void deliverProgress();

    ThreadStarter starter_;
    std::function<void(int)> progressHandler_;
    std::atomic<int> pending_{0};
    std::atomic<bool> posted_{false};
    std::atomic<bool> done_{false};
    QEventLoop* loop_ = nullptr;
    int depth_ = 0;
};

}  // namespace tavelin::ui
