#include "platform/file_time.h"

#include <sys/stat.h>

#include <cstdio>

namespace tavelin {

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

}  // namespace tavelin
