// Runs the built program from a folder of its own (the program folder is the executable's
// folder, symlinks resolved, so the binary is copied rather than linked).

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/instance_lock.h"
#include "program_runner.h"

namespace tavelin {
namespace {

using apptest::RunResult;

class EndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(runner_.copied()); }

    // Runs the copied program with a private lock folder and work folder.
    RunResult run(const std::string& args) { return runner_.run(args); }

    apptest::ProgramRunner runner_;
    const apptest::TempFolder& program_ = runner_.program();
    const apptest::TempFolder& lock_ = runner_.lock();
};

TEST_F(EndToEndTest, FirstStartReportsTheMissingSettingsAndWritesThemAtExit) {
    const RunResult r = run("");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("tavelin: System file is invalid.\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("extension"), std::string::npos) << r.err;
    ASSERT_TRUE(program_.exists("tavesyst.dat"));
    EXPECT_EQ(program_.read("tavesyst.dat").rfind("[TAB_NO]\r\n2\r\n", 0), 0U);

    const RunResult second = run("/S");
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.err.find("System file is invalid."), std::string::npos) << second.err;
}

TEST_F(EndToEndTest, ExtensionFailureIsReportedUnlessSilent) {
    program_.write("vaelsyst.dat", "[EXTFILE]\r\n1\r\nmissing.ext\r\n");
    program_.write("tavesyst.dat", "[TAB_NO]\r\n1\r\n");
    const RunResult r = run("");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("tavelin: A part of extension information file is invalid.\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("System file"), std::string::npos) << r.err;
    EXPECT_EQ(run("/silent").err.find("extension"), std::string::npos);
}

TEST_F(EndToEndTest, SecondInstanceIsRefusedUnlessMultiLaunch) {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old != nullptr ? old : "";
    setenv("XDG_RUNTIME_DIR", lock_.path().c_str(), 1);
    InstanceLock running;
    const bool held = running.acquire("tavelin");
    if (old != nullptr) {
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    } else {
        unsetenv("XDG_RUNTIME_DIR");
    }
    ASSERT_TRUE(held);

    const RunResult refused = run("/exec /s");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "tavelin: Already executed.\n");
    EXPECT_FALSE(program_.exists("tavesyst.dat"));

    const RunResult multi = run("/s /ml");
    EXPECT_EQ(multi.exitCode, 0);
    EXPECT_EQ(multi.err.find("Already executed."), std::string::npos) << multi.err;
    EXPECT_FALSE(program_.exists("tavesyst.dat"));  // /ml never saves the settings

    running.release();
    EXPECT_EQ(run("/s").exitCode, 0);
    EXPECT_TRUE(program_.exists("tavesyst.dat"));
}

}  // namespace
}  // namespace tavelin
