#include "platform/paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "support/environment.h"

namespace tavelin {
namespace {

// Saves the variables a test changes and restores them afterwards.
class EnvironmentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : kNames) {
            const char* old = std::getenv(name);
            saved_.push_back(old != nullptr ? std::optional<std::string>(old) : std::nullopt);
        }
    }
    void TearDown() override {
        for (std::size_t i = 0; i < saved_.size(); ++i) {
            if (saved_[i]) {
                setenv(kNames[i], saved_[i]->c_str(), 1);
            } else {
                unsetenv(kNames[i]);
            }
        }
    }

  private:
    static constexpr const char* kNames[] = {"TEMP", "APPDATA", "XDG_CONFIG_HOME", "HOME"};
    std::vector<std::optional<std::string>> saved_;
};

using WorkFolderTest = EnvironmentTest;
using UserFolderTest = EnvironmentTest;

#ifdef _WIN32

TEST_F(WorkFolderTest, TempNamesTheWorkFolderElseTheProgramFolder) {
    setenv("TEMP", "C:\\Users\\me\\AppData\\Local\\Temp", 1);
    EXPECT_EQ(workFolder("C:\\Tavelin"), "C:\\Users\\me\\AppData\\Local\\Temp");
    setenv("TEMP", "D:\\work\\/\\", 1);
    EXPECT_EQ(workFolder("C:\\Tavelin"), "D:\\work");
    // A drive's root keeps only its letter: joined with the separator it names the root again.
    setenv("TEMP", "D:\\", 1);
    EXPECT_EQ(workFolder("C:\\Tavelin"), "D:");
    EXPECT_EQ(joinPath(workFolder("C:\\Tavelin"), "TaveDat168.dat"), "D:\\TaveDat168.dat");
    setenv("TEMP", "\\\\server\\share\\tmp\\", 1);
    EXPECT_EQ(workFolder("C:\\Tavelin"), "\\\\server\\share\\tmp");
    unsetenv("TEMP");
    EXPECT_EQ(workFolder("C:\\Tavelin"), "C:\\Tavelin");
}

TEST(PathParts, BackslashesForwardSlashesAndDriveLetters) {
    EXPECT_EQ(kPathSeparator, '\\');
    EXPECT_EQ(joinPath("C:\\src", "main.c"), "C:\\src\\main.c");
    EXPECT_EQ(folderOf("C:\\src\\app\\main.c"), "C:\\src\\app");
    EXPECT_EQ(fileNameOf("C:\\src\\app\\main.c"), "main.c");
    EXPECT_EQ(folderOf("C:/src/app/main.c"), "C:/src/app");
    EXPECT_EQ(fileNameOf("C:\\src/app\\main.c"), "main.c");
    EXPECT_EQ(fileNameOf("\\\\server\\share\\x.c"), "x.c");
    EXPECT_EQ(folderOf("\\\\server\\share\\x.c"), "\\\\server\\share");
    // A drive-relative path: the file on the current folder of drive C.
    EXPECT_EQ(fileNameOf("C:x.c"), "x.c");
    EXPECT_EQ(folderOf("C:x.c"), "C:");
    EXPECT_EQ(folderOf("C:\\x.c"), "C:");
    EXPECT_EQ(folderOf("x.c"), "");
    EXPECT_EQ(fileNameOf("x.c"), "x.c");
    EXPECT_TRUE(hasDirectoryPart("sub\\c.def"));
    EXPECT_TRUE(hasDirectoryPart("sub/c.def"));
    EXPECT_TRUE(hasDirectoryPart("D:c.def"));
    EXPECT_FALSE(hasDirectoryPart("c.def"));
}

TEST_F(UserFolderTest, TheRoamingApplicationDataFolder) {
    setenv("APPDATA", "C:\\Users\\me\\AppData\\Roaming", 1);
    // The POSIX variables, which wine passes on from the Unix side, are not looked at.
    setenv("XDG_CONFIG_HOME", "/home/me/.config", 1);
    setenv("HOME", "/home/me", 1);
    EXPECT_EQ(userConfigFolder(), "C:\\Users\\me\\AppData\\Roaming\\tavelin");
    unsetenv("APPDATA");
    EXPECT_EQ(userConfigFolder(), "");
}

TEST(ProgramFolder, IsTheFolderOfThisExecutableWithADriveLetter) {
    const std::string folder = programFolder(nullptr);
    EXPECT_TRUE(std::filesystem::exists(folder + "\\tavelin_platform_tests.exe")) << folder;
    ASSERT_GE(folder.size(), 3U);
    EXPECT_EQ(folder[1], ':') << folder;
    EXPECT_EQ(folder[2], '\\') << folder;
    EXPECT_NE(folder.back(), '\\');
}

#else

TEST_F(WorkFolderTest, TempNamesTheWorkFolderElseTheProgramFolder) {
    setenv("TEMP", "/var/work", 1);
    EXPECT_EQ(workFolder("/opt/tavelin"), "/var/work");
    setenv("TEMP", "/var/work//", 1);
    EXPECT_EQ(workFolder("/opt/tavelin"), "/var/work");
    setenv("TEMP", "/", 1);
    EXPECT_EQ(workFolder("/opt/tavelin"), "/");
    setenv("TEMP", "", 1);  // would otherwise put the data file at the root
    EXPECT_EQ(workFolder("/opt/tavelin"), "/opt/tavelin");
    unsetenv("TEMP");
    EXPECT_EQ(workFolder("/opt/tavelin"), "/opt/tavelin");
}

TEST_F(UserFolderTest, XdgConfigHomeElseHome) {
    setenv("XDG_CONFIG_HOME", "/home/me/.cfg", 1);
    setenv("HOME", "/home/me", 1);
    EXPECT_EQ(userConfigFolder(), "/home/me/.cfg/tavelin");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(userConfigFolder(), "/home/me/.config/tavelin");
}

TEST(ProgramFolder, IsTheFolderOfThisExecutable) {
    const std::string folder = programFolder(nullptr);
    EXPECT_TRUE(std::filesystem::exists(folder + "/tavelin_platform_tests")) << folder;
    EXPECT_NE(folder.back(), '/');
}

#endif

// The probe leaves nothing behind, and a folder that does not exist cannot be written.
TEST(FolderWritable, ProbesWithoutLeavingAFile) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("tavelin-writable-" + std::to_string(std::random_device()()));
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    EXPECT_TRUE(folderWritable(folder.string()));
    EXPECT_TRUE(folderWritable(folder.string()));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_FALSE(folderWritable((folder / "absent").string()));
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tavelin
