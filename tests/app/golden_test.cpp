// The unattended run end to end: the built program on fixture folders, its report compared byte
// for byte with a golden file under tests/app/golden/. On a difference the actual report is
// written next to the golden one as <name>.html.actual; TAVELIN_UPDATE_GOLDEN=1 rewrites the
// golden files instead (read every one you accept).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "app_fixtures.h"
#include "program_runner.h"
#include "support/data_file_writer.h"
#include "support/settings_writer.h"

namespace tavelin {
namespace {

using apptest::ProgramRunner;
using apptest::RunResult;

std::string goldenPath(const std::string& name) {
    return std::string(TAVELIN_SOURCE_DIR) + "/tests/app/golden/" + name + ".html";
}

void expectGolden(const std::string& name, const std::string& actual) {
    const std::string golden = goldenPath(name);
    const char* update = std::getenv("TAVELIN_UPDATE_GOLDEN");
    if (update != nullptr && std::string_view(update) == "1") {
        std::ofstream(golden, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(golden, std::ios::binary);
    ASSERT_TRUE(in.good()) << "no golden file " << golden;
    const std::string expected{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    if (actual == expected) {
        std::filesystem::remove(golden + ".actual");
        return;
    }
    std::ofstream(golden + ".actual", std::ios::binary) << actual;
    ADD_FAILURE() << "the report differs from " << golden << "; the actual report is in " << golden
                  << ".actual";
}

// The C text as UTF-16 little-endian bytes with a byte order mark.
std::string utf16le(std::u16string_view text) {
    std::string out = "\xFF\xFE";
    for (char16_t u : text) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
    return out;
}

// Japanese text: a comment in kanji and kana, and a string that both versions share.
constexpr std::u16string_view kUtf16Module =
    u"/* \u65e5\u672c\u8a9e\u306e\u30b3\u30e1\u30f3\u30c8 */\r\n"
    u"int main(void)\r\n"
    u"{\r\n"
    u"\tputs(\"\u65e5\u672c\u8a9e\");\r\n"
    u"\treturn 1;\r\n"
    u"}\r\n";
// The same characters in Shift-JIS.
constexpr std::string_view kShiftJisModule =
    "/* \x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x52\x83\x81\x83\x93\x83\x67 */\r\n"
    "int main(void)\r\n"
    "{\r\n"
    "\tputs(\"\x93\xfa\x96\x7b\x8c\xea\");\r\n"
    "\treturn 0;\r\n"
    "}\r\n";

class GoldenTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(runner_.copied()); }

    const apptest::TempFolder& program() const { return runner_.program(); }

    // Runs unattended and compares the report at `report` (relative to the program folder).
    void runAndCompare(const std::string& args, const std::string& report,
                       const std::string& golden) {
        const RunResult r = runner_.run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        // The report's path as built from [OUTPATH] (the program folder when empty), compared
        // with '/' for every separator (on Windows the program joins with backslashes).
        auto slashes = [](std::string path) {
            std::replace(path.begin(), path.end(), '\\', '/');
            return path;
        };
        const std::string printed = slashes(r.out.substr(0, r.out.find('\n')));
        EXPECT_TRUE(printed == slashes(program().file(report)) || printed == report) << r.out;
        ASSERT_TRUE(program().exists(report)) << report;
        expectGolden(golden, program().read(report));
    }

    // Warning files beside the modules and their columns in the settings.
    void withWarnings(CounterSettings& s) {
        apptest::withWarningColumns(s);
        s.csvapath = "warn_after.csv";
        s.csvbpath = "warn_before.csv";
        program().write("warn_after.csv", std::string(apptest::kAfterWarnings));
        program().write("warn_before.csv", std::string(apptest::kBeforeWarnings));
    }

    // A data file whose modules are the function count_items of each version (a byte range
    // with its first file line), or the whole before file alone.
    void writeDataFile(const CounterSettings& s, bool afterPresent, bool wholeBefore) {
        apptest::writeStandAloneFolder(program(), apptest::baseCounterSettings());
        testing::DataFileContent content;
        content.settings = s;
        ModuleDescriptor& after = content.modules[kAfter];
        after.path = "after.c";
        after.moduleName = "count_items";
        after.topPosition = apptest::lineStart(apptest::kAfterC, 6);
        after.endPosition = apptest::lineEnd(apptest::kAfterC, 15);
        after.lineNumber = 6;
        after.totalSteps = 10;
        ModuleDescriptor& before = content.modules[kBefore];
        before.path = "before.c";
        before.moduleName = wholeBefore ? "inventory" : "count_items";
        before.topPosition = wholeBefore ? 0 : apptest::lineStart(apptest::kBeforeC, 7);
        before.endPosition = wholeBefore ? static_cast<std::int32_t>(apptest::kBeforeC.size()) - 1
                                         : apptest::lineEnd(apptest::kBeforeC, 16);
        before.lineNumber = wholeBefore ? 1 : 7;
        before.totalSteps = wholeBefore ? 28 : 10;
        content.presence = {afterPresent ? 1 : 0, 1};
        // Orvenna's own counts, replaced by the comparison.
        content.stepCounts.newSteps = 99;
        content.stepCountPresence = 1;
        ASSERT_TRUE(testing::writeDataFile(program().file("data.dat"), content));
    }

    ProgramRunner runner_;
};

TEST_F(GoldenTest, StandAloneStepComparison) {
    apptest::writeStandAloneFolder(program(), apptest::baseCounterSettings());
    testing::SettingsFileWriter().integer("[TAB_NO]", 1).writeTo(program().file("tavesyst.dat"));
    runAndCompare("/aafter.c /bbefore.c /exec /s /nstep", "step.html", "standalone_step");
}

TEST_F(GoldenTest, DataFileStepComparisonWithWarnings) {
    CounterSettings s = apptest::baseCounterSettings();
    withWarnings(s);
    s.outpath = "reports";
    writeDataFile(s, true, false);
    std::filesystem::create_directories(program().file("reports/auto"));
    runAndCompare("/fdata.dat /exec /s /pauto", "reports/auto/count_items.html",
                  "datafile_step_warnings");
}

TEST_F(GoldenTest, DataFileCurrentStateComparison) {
    CounterSettings s = apptest::baseCounterSettings();
    withWarnings(s);
    writeDataFile(s, true, false);
    runAndCompare("/fdata.dat /exec /r /s /ncurrent", "current.html", "datafile_current_state");
}

TEST_F(GoldenTest, AfterModuleMissing) {
    writeDataFile(apptest::baseCounterSettings(), false, true);
    runAndCompare("/fdata.dat /exec /s", "inventory.html", "after_missing");
}

TEST_F(GoldenTest, BeforeModuleMissing) {
    apptest::writeStandAloneFolder(program(), apptest::baseCounterSettings());
    runAndCompare("/aafter.c /exec /s", "after.c.html", "before_missing");
}

TEST_F(GoldenTest, Utf16AgainstShiftJis) {
    apptest::writeStandAloneFolder(program(), apptest::baseCounterSettings());
    program().write("wide.c", utf16le(kUtf16Module));
    program().write("sjis.c", std::string(kShiftJisModule));
    runAndCompare("/awide.c /bsjis.c /exec /s /nenc", "enc.html", "utf16_shiftjis");
}

TEST_F(GoldenTest, SwappedListsWithWarnings) {
    CounterSettings s = apptest::baseCounterSettings();
    withWarnings(s);
    apptest::writeStandAloneFolder(program(), s);
    testing::SettingsFileWriter()
        .integer("[LIST_CHG]", 1)
        .integer("[TAB_NO]", 0)
        .writeTo(program().file("tavesyst.dat"));
    runAndCompare("/aafter.c /bbefore.c /exec /s /nswapped", "swapped.html", "swapped_warnings");
}

// Runs that cannot write a report end with 2; the other results of a run without a window.
class UnattendedExitTest : public GoldenTest {};

TEST_F(UnattendedExitTest, NoModuleOrMissingFolderEndsWithTwoAndNoReport) {
    apptest::writeStandAloneFolder(program(), apptest::baseCounterSettings());
    const RunResult none = runner_.run("/exec /s");
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "");

    const RunResult missing = runner_.run("/aafter.c /bbefore.c /exec /s /pabsent");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "");
    EXPECT_FALSE(program().exists("absent"));

    // [OUTPATH] + name + ".html" beyond 521 characters.
    CounterSettings longOut = apptest::baseCounterSettings();
    longOut.outpath = std::string(515, 'x');
    apptest::counterSettingsFile(longOut).writeTo(program().file("vaelsyst.dat"));
    const RunResult tooLong = runner_.run("/aafter.c /bbefore.c /exec /s");
    EXPECT_EQ(tooLong.exitCode, 2);
    EXPECT_EQ(tooLong.err, "");
    // The viewer settings are still written at exit.
    EXPECT_TRUE(program().exists("tavesyst.dat"));
}

TEST_F(UnattendedExitTest, WithoutSilentTheCountsArePrintedAndNothingIsWritten) {
    apptest::writeStandAloneFolder(program(), apptest::baseCounterSettings());
    testing::SettingsFileWriter().integer("[TAB_NO]", 1).writeTo(program().file("tavesyst.dat"));
    const RunResult r = runner_.run("/aafter.c /bbefore.c /exec");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "New         0 Original     20 Changed     17 Re-used      0 Deleted      3\n");
    for (const auto& entry : std::filesystem::directory_iterator(program().path())) {
        EXPECT_NE(entry.path().extension(), ".html") << entry.path();
    }
    // Nothing to show: nothing printed.
    EXPECT_EQ(runner_.run("/s").out, "");
}

TEST_F(UnattendedExitTest, AModuleFileThatCannotBeReadIsReportedButTheReportIsWritten) {
    writeDataFile(apptest::baseCounterSettings(), true, true);
    std::filesystem::remove(program().file("before.c"));
    const RunResult r = runner_.run("/fdata.dat /exec /s");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("before.c"), std::string::npos) << r.err;
    EXPECT_TRUE(program().exists("inventory.html"));
}

}  // namespace
}  // namespace tavelin
