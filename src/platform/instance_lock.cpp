#include "platform/instance_lock.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace tavelin {

InstanceLock::~InstanceLock() {
    release();
}

#ifdef _WIN32

std::string InstanceLock::lockFilePath(const std::string& /*name*/) {
    return {};
}

bool InstanceLock::acquire(const std::string& name) {
    if (handle_ != nullptr) {
        return true;
    }
    SetLastError(ERROR_SUCCESS);
    HANDLE h = CreateMutexA(nullptr, TRUE, name.c_str());
    if (h == nullptr) {
        return false;
    }
    if (GetLastError() != ERROR_SUCCESS) {  // notably ERROR_ALREADY_EXISTS: refused
        CloseHandle(h);
        return false;
    }
    handle_ = h;
    return true;
}

void InstanceLock::release() {
    if (handle_ != nullptr) {
        ReleaseMutex(static_cast<HANDLE>(handle_));
        CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = nullptr;
    }
}

bool InstanceLock::held() const {
    return handle_ != nullptr;
}

#else

std::string InstanceLock::lockFilePath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime == '/') {
        return std::string(runtime) + "/" + name + ".lock";
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp != nullptr && *tmp == '/') ? tmp : "/tmp";
    return folder + "/" + name + "-" + std::to_string(static_cast<unsigned long>(getuid())) +
           ".lock";
}

bool InstanceLock::acquire(const std::string& name) {
    if (fd_ >= 0) {
        return true;
    }
    const std::string path = lockFilePath(name);
    // O_NOFOLLOW: a symbolic link planted under the name in a shared folder is refused.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return false;
    }
    int rc = -1;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::release() {
    if (fd_ >= 0) {
        // The file stays: removing it would let a newcomer lock a fresh file while a waiting
        // process still locks the old one.
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

bool InstanceLock::held() const {
    return fd_ >= 0;
}

#endif

}  // namespace tavelin
