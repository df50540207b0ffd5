// The built program with its window, started as a user would (on the offscreen platform) and
// closed every way a user can: the exit status, the settings written at exit, and no crash.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "app_fixtures.h"
#include "platform/instance_lock.h"
#include "program_runner.h"

namespace tavelin {
namespace {

using apptest::ProgramRunner;
using apptest::RunResult;

class WindowExitTest : public ::testing::Test {
  protected:
    void SetUp() override {
#ifndef TAVELIN_WINDOW_BUILT
        GTEST_SKIP() << "built without the window";
#endif
        ASSERT_TRUE(runner_.copied());
        apptest::writeStandAloneFolder(runner_.program(), apptest::baseCounterSettings());
        runner_.program().write("tavesyst.dat", "[TAB_NO]\r\n1\r\n");
    }

    // A window session that carries out `script` once the first activation is done.
    RunResult runWindow(const std::string& script,
                        const std::string& args = "/aafter.c /bbefore.c") {
        return runner_.run(args, "QT_QPA_PLATFORM=offscreen TAVELIN_UI_SCRIPT='" + script + "'");
    }

    std::string settings() const {
        return runner_.program().read("tavesyst.dat");
    }

    ProgramRunner runner_;
};

TEST_F(WindowExitTest, EveryWayOfClosingEndsWithStatusZeroAndSavesTheSettings) {
    for (const char* way : {"end", "exit", "close", "close-while-busy", "signal", "execute,end"}) {
        runner_.program().write("tavesyst.dat", "[TAB_NO]\r\n1\r\n");
        const RunResult r = runWindow(way);
        EXPECT_EQ(r.exitCode, 0) << way << "\n" << r.err;
        EXPECT_EQ(r.err.find("tavelin: message:"), std::string::npos) << way << "\n" << r.err;
        // Written at exit: the tab choice kept, the window's rectangle added.
        EXPECT_EQ(settings().rfind("[TAB_NO]\r\n1\r\n", 0), 0U) << way << "\n" << settings();
        EXPECT_NE(settings().find("[FORM_WIDTH]"), std::string::npos) << way;
    }
}

TEST_F(WindowExitTest, EscapeClosesTheDataFileEditionOnly) {
    // Stand-alone: Esc does nothing, so the session ends with End after it.
    RunResult r = runWindow("escape,end");
    EXPECT_EQ(r.exitCode, 0) << r.err;

    ASSERT_TRUE(apptest::writeDataFileFolder(runner_.program()));
    r = runWindow("escape", "/f" + runner_.program().file("data.dat"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("tavelin: message:"), std::string::npos) << r.err;
}

TEST_F(WindowExitTest, SecondInstanceIsRefusedWithStatusOne) {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old != nullptr ? old : "";
    setenv("XDG_RUNTIME_DIR", runner_.lock().path().c_str(), 1);
    InstanceLock running;
    ASSERT_TRUE(running.acquire("tavelin"));
    const RunResult r = runWindow("end");
    running.release();
    setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("tavelin: message: Already executed."), std::string::npos) << r.err;
}

}  // namespace
}  // namespace tavelin
