// Text and configuration files in the stand-alone edition, end to end: the built program counts
// each bundled text definition's sample (tests/app/samples: the first line of a sample says how
// many steps it holds, and "plain text" when no definition fits it), opens a file no definition
// fits with the plain-text rules, and reports a file it cannot open instead of comparing without
// it.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "app_fixtures.h"
#include "program_runner.h"

namespace tavelin {
namespace {

using apptest::ProgramRunner;
using apptest::RunResult;

const std::string kSamples = std::string(TAVELIN_SOURCE_DIR) + "/tests/app/samples";

class TextFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(runner_.copied());
        for (const std::string& folder : {std::string(TAVELIN_SOURCE_DIR) + "/data", kSamples}) {
            for (const auto& entry : std::filesystem::directory_iterator(folder)) {
                std::filesystem::copy_file(entry.path(),
                                           runner_.program().file(entry.path().filename().string()),
                                           std::filesystem::copy_options::overwrite_existing);
            }
        }
    }

    const apptest::TempFolder& program() const { return runner_.program(); }

    ProgramRunner runner_;
};

// The "New" count the run without a window prints.
int newSteps(const std::string& out) {
    std::smatch m;
    return std::regex_search(out, m, std::regex("New\\s+(-?[0-9]+)")) ? std::stoi(m[1]) : -1;
}

TEST_F(TextFilesTest, EachSampleCountsItsStepsWithTheRulesItsHeadingNames) {
    // Every bundled text definition has a sample; two samples take the plain-text rules.
    const std::set<std::string> expected{"sample.txt", "sample.json", "sample.md",   "sample.yaml",
                                         "sample.xml", "sample.ini",  "sample.toml", "sample.csv",
                                         "Makefile",   "Dockerfile",  "notes.log",   "LICENSE"};
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(kSamples)) {
        const std::string name = entry.path().filename().string();
        found.insert(name);
        SCOPED_TRACE(name);
        const std::string text = program().read(name);
        const std::string first = text.substr(0, text.find('\n'));
        std::smatch m;
        ASSERT_TRUE(std::regex_search(first, m, std::regex("steps: ([0-9]+)")));
        const bool plain = first.find("plain text") != std::string::npos;

        // The step comparison of the file as the new module.
        const RunResult counted = runner_.run("/exec " + apptest::quoted("/a" + name));
        EXPECT_EQ(counted.exitCode, 0) << counted.err;
        EXPECT_EQ(counted.err, "");
        EXPECT_EQ(newSteps(counted.out), std::stoi(m[1])) << counted.out;

        // The report's heading says when the plain-text rules applied.
        const RunResult reported =
            runner_.run("/exec /s " + apptest::quoted("/a" + name) + " /nreport");
        EXPECT_EQ(reported.exitCode, 0) << reported.err;
        const std::string report = program().read("report.html");
        EXPECT_NE(report.find("[" + name + "]"), std::string::npos);
        EXPECT_EQ(report.find("&lt;plain text&gt;") != std::string::npos, plain);
        std::filesystem::remove(program().file("report.html"));
    }
    EXPECT_EQ(found, expected);
}

TEST_F(TextFilesTest, TheDataFileEditionRefusesAFileWithoutADefinition) {
    apptest::writeStandAloneFolder(program(), apptest::baseCounterSettings());
    ASSERT_TRUE(apptest::writeDataFileFolder(program()));
    const std::string data = "/f" + program().file("data.dat");
    RunResult r = runner_.run(data + " /anotes.log /exec /s /nreport");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err,
              "tavelin: The file doesn't open it because there is no extension information.\n"
              "tavelin: notes.log: no definition for the extension \"log\"\n");
    EXPECT_FALSE(program().exists("report.html"));
    r = runner_.run(data + " /bLICENSE /exec /s /nreport");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("tavelin: LICENSE: the name has no extension and no definition is named "
                         "\"LICENSE\"\n"),
              std::string::npos)
        << r.err;
    // The data file's own modules are reported as always.
    r = runner_.run(data + " /exec /s /nreport");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(program().exists("report.html"));
}

// A file named on the command line that cannot be opened ends the unattended run with status 2
// and no report, instead of a report that counts the other module as wholly new or deleted.
TEST_F(TextFilesTest, AFileThatCannotBeOpenedEndsTheUnattendedRunWithoutAReport) {
    RunResult r = runner_.run("/exec /s /amissing.txt /bsample.txt /nreport");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "tavelin: The file can not be opened.\n"
              "tavelin: missing.txt: No such file or directory\n");
    EXPECT_FALSE(program().exists("report.html"));

    program().write("empty.txt", "");
    r = runner_.run("/exec /s /asample.txt /bempty.txt /nreport");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("tavelin: empty.txt: the file is empty\n"), std::string::npos) << r.err;
    EXPECT_FALSE(program().exists("report.html"));

    // A folder is passed over as it always was: the other module is compared and reported.
    std::filesystem::create_directory(program().file("folder"));
    r = runner_.run("/exec /s /asample.txt /bfolder /nreport");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(program().exists("report.html"));

#ifdef TAVELIN_WINDOW_BUILT
    // The window shows the message (both lines), then itself with the file that did open.
    r = runner_.run("/amissing.txt /bsample.txt",
                    "QT_QPA_PLATFORM=offscreen TAVELIN_UI_SCRIPT=end");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("tavelin: message: The file can not be opened.\n"
                         "missing.txt: No such file or directory\n"),
              std::string::npos)
        << r.err;
#endif
}

}  // namespace
}  // namespace tavelin
