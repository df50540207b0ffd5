#pragma once
// Work that is done once for each of the two sides at the same time: side 1 on a second thread,
// side 0 on the calling one.

#include <exception>
#include <thread>

namespace tavelin {

// Set on a thread that already runs beside others doing the same kind of work (a worker of the
// project counter, which counts many pairs at once): forBothSides then does both sides on that
// thread instead of starting a second one for every pair. The results are the same either way.
inline thread_local bool bothSidesOnOneThread = false;

// Sets bothSidesOnOneThread for the current thread while it lives.
class BothSidesOnOneThread {
  public:
    BothSidesOnOneThread() : saved_(bothSidesOnOneThread) { bothSidesOnOneThread = true; }
    ~BothSidesOnOneThread() { bothSidesOnOneThread = saved_; }
    BothSidesOnOneThread(const BothSidesOnOneThread&) = delete;
    BothSidesOnOneThread& operator=(const BothSidesOnOneThread&) = delete;

  private:
    bool saved_;
};

// Runs work(0) and work(1) concurrently and returns when both have finished. An exception of
// either is passed on afterwards (side 0's first).
template <class Work>
void forBothSides(Work&& work) {
    if (bothSidesOnOneThread) {
        std::exception_ptr firstError;
        try {
            work(0);
        } catch (...) {
            firstError = std::current_exception();
        }
        try {
            work(1);
        } catch (...) {
            if (!firstError) {
                throw;
            }
        }
        if (firstError) {
            std::rethrow_exception(firstError);
        }
        return;
    }
    std::exception_ptr secondError;
    std::thread second([&] {
        try {
            work(1);
        } catch (...) {
            secondError = std::current_exception();
        }
    });
    std::exception_ptr firstError;
    try {
        work(0);
    } catch (...) {
        firstError = std::current_exception();
    }
    second.join();
    if (firstError) {
        std::rethrow_exception(firstError);
    }
    if (secondError) {
        std::rethrow_exception(secondError);
    }
}

}  // namespace tavelin
