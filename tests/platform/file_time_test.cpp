#include "platform/file_time.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace tavelin {
namespace {

// 2001-02-03 04:05:06.7891234 UTC: 981173106 s after 1970, 11644473600 s more after 1601.
constexpr std::int64_t kUnixSeconds = 981173106;
constexpr std::int64_t kTicks = 7891234;  // 100 ns
constexpr std::uint64_t kFileTime = (981173106ULL + 11644473600ULL) * 10000000ULL + 7891234ULL;

// Sets the file's last-write time with the system's own call.
bool setLastWrite(const std::string& path) {
#ifdef _WIN32
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    FILETIME t{static_cast<DWORD>(kFileTime & 0xFFFFFFFFu), static_cast<DWORD>(kFileTime >> 32)};
    const BOOL ok = SetFileTime(h, nullptr, nullptr, &t);
    CloseHandle(h);
    return ok != FALSE;
#else
    const timespec times[2] = {{kUnixSeconds, static_cast<long>(kTicks * 100)},
                               {kUnixSeconds, static_cast<long>(kTicks * 100)}};
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
#endif
}

class FileTimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("tavelin-file-time-" + std::to_string(std::random_device()()));
        ASSERT_TRUE(std::filesystem::create_directory(folder_));
        path_ = (folder_ / "c.def").string();
        std::ofstream(path_, std::ios::binary) << "[EXTNAME]\n";
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    std::filesystem::path folder_;
    std::string path_;
};

TEST_F(FileTimeTest, HundredNanosecondTicksSince1601) {
    ASSERT_TRUE(setLastWrite(path_));
    std::uint64_t t = 0;
    ASSERT_TRUE(lastWriteFileTime(path_, t));
    EXPECT_EQ(t, kFileTime);
    // Reading it changes nothing.
    ASSERT_TRUE(lastWriteFileTime(path_, t));
    EXPECT_EQ(t, kFileTime);
}

TEST_F(FileTimeTest, AFileAnotherWriterHoldsOpenIsStillRead) {
    ASSERT_TRUE(setLastWrite(path_));
    std::ofstream writer(path_, std::ios::binary | std::ios::app);
    ASSERT_TRUE(writer.good());
    std::uint64_t t = 0;
    EXPECT_TRUE(lastWriteFileTime(path_, t));
    EXPECT_EQ(t, kFileTime);
}

TEST_F(FileTimeTest, AMissingFileLeavesTheValueUntouched) {
    std::uint64_t t = 42;
    EXPECT_FALSE(lastWriteFileTime((folder_ / "absent.def").string(), t));
    EXPECT_EQ(t, 42U);
}

}  // namespace
}  // namespace tavelin
