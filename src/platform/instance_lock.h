#pragma once

#include <string>

namespace tavelin {

// The single-instance guard. On POSIX a lock file held with flock, which the system releases
// when the process ends, so a crashed instance never leaves it stuck. The lock file is
// "<name>.lock" in $XDG_RUNTIME_DIR (a per-user folder) when that is set, else
// "<name>-<uid>.lock" in $TMPDIR or /tmp, so users sharing a temp folder do not lock each
// other out.
class InstanceLock {
  public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the guard of the given name; false when another process holds it or the guard
    // cannot be created at all. Taking a guard this object already holds returns true.
    bool acquire(const std::string& name);
    void release();
    bool held() const;

    // The lock file used for a name (POSIX only; empty on Windows).
    static std::string lockFilePath(const std::string& name);

  private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

}  // namespace tavelin
