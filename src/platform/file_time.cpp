#include "platform/file_time.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/stat.h>

#include <cstdio>
#endif

namespace tavelin {

#ifdef _WIN32

bool lastWriteFileTime(const std::string& path, std::uint64_t& fileTime) {
    // Opened for reading as the companion program opens it; others may go on writing it.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    FILETIME written{};
    const BOOL ok = GetFileTime(h, nullptr, nullptr, &written);
    CloseHandle(h);
    if (ok == FALSE) {
        return false;
    }
    fileTime = (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    return true;
}

#else

bool lastWriteFileTime(const std::string& path, std::uint64_t& fileTime) {
    // The file must open for reading, as the companion program opens it read-only.
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    struct stat st {};
    const int rc = fstat(fileno(f), &st);
    std::fclose(f);
    if (rc != 0) {
        return false;
    }
    // Seconds between 1601-01-01 and 1970-01-01.
    constexpr std::uint64_t kEpochDifference = 11644473600ULL;
    const auto seconds = static_cast<std::uint64_t>(st.st_mtim.tv_sec) + kEpochDifference;
    fileTime = seconds * 10000000ULL + static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100U;
    return true;
}

#endif

}  // namespace tavelin
