#pragma once
// Work that is done once for each of the two sides at the same time: side 1 on a second thread,
// side 0 on the calling one.

#include <exception>
#include <thread>

namespace tavelin {

// Runs work(0) and work(1) concurrently and returns when both have finished. An exception of
// either is passed on afterwards (side 0's first).
template <class Work>
void forBothSides(Work&& work) {
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
