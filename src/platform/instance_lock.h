#pragma once

#include <string>

namespace tavelin {

// The single-instance guard. On POSIX a lock file held with flock, which the system releases
// when the process ends, so a crashed instance never leaves it stuck.
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the guard of the given name; false when another process holds it.
    bool acquire(const std::string& name);
    void release();

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

}  // namespace tavelin
