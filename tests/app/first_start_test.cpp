// The first start of the built program in a program folder as the build leaves it: the program
// and the bundled files of data/, nothing written yet.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "program_runner.h"

namespace tavelin {
namespace {

using apptest::ProgramRunner;
using apptest::RunResult;

// Copies every bundled file next to the program, as the build and the package do.
void copyBundledFiles(const ProgramRunner& runner) {
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(TAVELIN_SOURCE_DIR) + "/data")) {
        std::filesystem::copy_file(entry.path(),
                                   runner.program().file(entry.path().filename().string()),
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

TEST(FirstStart, AFreshBuildTreeStartsWithoutAMessage) {
    ProgramRunner runner;
    ASSERT_TRUE(runner.copied());
    copyBundledFiles(runner);
    const std::string bundled = runner.program().read("tavesyst.dat");
    ASSERT_FALSE(bundled.empty());

    // Without a display every message would be a line on standard error.
    RunResult r = runner.run("");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // Saved at exit: the defaults, with the window rectangle the run ended with.
    EXPECT_EQ(runner.program().read("tavesyst.dat").rfind("[TAB_NO]\r\n2\r\n", 0), 0U);

#ifdef TAVELIN_WINDOW_BUILT
    // The window of a fresh folder: no message box before or after it.
    copyBundledFiles(runner);
    r = runner.run("", "QT_QPA_PLATFORM=offscreen TAVELIN_UI_SCRIPT=end");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("tavelin: message:"), std::string::npos) << r.err;
#endif
}

}  // namespace
}  // namespace tavelin
