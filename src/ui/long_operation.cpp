#include "ui/long_operation.h"

#include <QApplication>
#include <QEventLoop>
#include <system_error>

namespace tavelin::ui {

namespace {

// The busy cursor for as long as the operation runs, whichever way it ends.
class BusyCursor {
  public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

LongOperation::LongOperation(QObject* parent)
    : QObject(parent), starter_([](std::function<void()> body) { return std::thread(body); }) {}

void LongOperation::run(const std::function<void()>& work) {
    // One piece of work at a time: the controller refuses other operations while one runs, so
    // a nested call can only come from the work's own thread finishing it here.
    ++depth_;
    struct Depth {
        LongOperation& operation;
        QEventLoop* outerLoop;
        ~Depth() {
            --operation.depth_;
            operation.loop_ = outerLoop;
        }
    } depth{*this, loop_};
    const BusyCursor cursor;

    QEventLoop loop;
    loop_ = &loop;
    done_.store(false);
    std::exception_ptr error;
    std::thread worker;
    try {
        worker = starter_([this, &work, &error] {
            try {
                work();
            } catch (...) {
                error = std::current_exception();
            }
            done_.store(true, std::memory_order_release);
            QMetaObject::invokeMethod(this, "workFinished", Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the work is done here, without painting meanwhile.
        work();
        return;
    }
    while (!done_.load(std::memory_order_acquire)) {
        loop.exec();
    }
    worker.join();
    if (error) {
        std::rethrow_exception(error);
    }
}

void LongOperation::workFinished() {
    if (loop_ != nullptr) {
        loop_->quit();
    }
}

void LongOperation::postProgress(int percent) {
    pending_.store(percent);
    // One call on its way at a time; it shows the newest value when it arrives.
    if (!posted_.exchange(true)) {
        QMetaObject::invokeMethod(this, "deliverProgress", Qt::QueuedConnection);
    }
}

void LongOperation::deliverProgress() {
    posted_.store(false);
    if (progressHandler_) {
        progressHandler_(pending_.load());
    }
}

}  // namespace tavelin::ui
