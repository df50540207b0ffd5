#include "platform/paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

namespace tavelin {
namespace {

class WorkFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("TEMP");
        saved_ = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    }
    void TearDown() override {
        if (saved_) {
            setenv("TEMP", saved_->c_str(), 1);
        } else {
            unsetenv("TEMP");
        }
    }

  private:
    std::optional<std::string> saved_;
};

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

TEST(ProgramFolder, IsTheFolderOfThisExecutable) {
    const std::string folder = programFolder(nullptr);
    EXPECT_TRUE(std::filesystem::exists(folder + "/tavelin_platform_tests")) << folder;
    EXPECT_NE(folder.back(), '/');
}

}  // namespace
}  // namespace tavelin
