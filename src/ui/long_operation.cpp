#include "ui/long_operation.h"

#include <QApplication>
#include <QEventLoop>
#include <atomic>
#include <exception>
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
    ++depth_;
    struct Depth {
        int& depth;
        ~Depth() { --depth; }
    } depth{depth_};
    const BusyCursor cursor;

    QEventLoop loop;
    std::exception_ptr error;
    // Set by the worker's last message to this thread; read only here.
    bool done = false;
    std::thread worker;
    try {
        worker = starter_([&] {
            try {
                work();
            } catch (...) {
                error = std::current_exception();
            }
            QMetaObject::invokeMethod(
                &loop,
                [&] {
                    done = true;
                    loop.quit();
                },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the work is done here, without painting meanwhile.
        work();
        return;
    }
    while (!done) {
        loop.exec();
    }
    worker.join();
    if (error) {
        std::rethrow_exception(error);
    }
}

void LongOperation::postProgress(int percent) {
    pending_.store(percent);
    // One message on its way at a time; it shows the newest value when it arrives.
    if (posted_.exchange(true)) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            posted_.store(false);
            if (progressHandler_) {
                progressHandler_(pending_.load());
            }
        },
        Qt::QueuedConnection);
}

}  // namespace tavelin::ui
