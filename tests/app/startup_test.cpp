#include "app/startup.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/program.h"
#include "platform/instance_lock.h"
#include "platform/paths.h"
#include "support/data_file_writer.h"
#include "support/extension_writer.h"
#include "support/settings_writer.h"
#include "temp_folder.h"

namespace tavelin {
namespace {

using apptest::TempFolder;

class RecordingSink : public MessageSink {
  public:
    void showMessage(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};

// A program folder and a work folder of its own for every test, and a private folder for the
// single-instance lock.
class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session_.programFolder = program_.path();
        session_.workFolder = work_.path();
        session_.messages = &sink_;
    }

    void writeViewerSettingsFile(int tabNo) {
        ASSERT_TRUE(testing::SettingsFileWriter()
                        .integer("[TAB_NO]", tabNo)
                        .writeTo(program_.file("tavesyst.dat")));
    }
    void writeCounterSettingsFile(int delimit, const std::vector<std::string>& extFiles = {}) {
        testing::SettingsFileWriter w;
        w.integer("[DELIMIT]", delimit);
        if (!extFiles.empty()) {
            w.fileList("[EXTFILE]", extFiles);
        }
        ASSERT_TRUE(w.writeTo(program_.file("vaelsyst.dat")));
    }
    static testing::DataFileContent dataFile() {
        testing::DataFileContent c;
        c.settings.delimit = 2;
        c.modules[kAfter].path = "/src/after.c";
        c.modules[kAfter].lineNumber = 10;
        c.modules[kBefore].path = "/src/before.c";
        c.presence = {1, 0};
        c.stepCounts.newSteps = 7;
        c.stepCounts.deletedSteps = 3;
        c.stepCountPresence = 1;
        return c;
    }

    std::vector<std::string>& messages() { return sink_.messages; }

    TempFolder program_;
    TempFolder work_;
    apptest::PrivateInstanceLock lock_;
    RecordingSink sink_;
    Session session_;
};

TEST_F(StartupTest, NothingToReadGivesStandAloneModeWithDefaults) {
    session_.panes.present = {true, true};  // left over from "before": start-up clears it
    session_.stepCounts.newSteps = 99;
    startupReading(session_);
    EXPECT_EQ(messages(), std::vector<std::string>{"System file is invalid."});
    EXPECT_EQ(session_.noDataFile, 1);
    EXPECT_TRUE(session_.saveSettingsAtExit);
    EXPECT_EQ(session_.options.dataFilePath, joinPath(work_.path(), "TaveDat168.dat"));
    EXPECT_EQ(session_.counterSettings.delimit, 0);
    EXPECT_EQ(session_.counterSettings.extFileCount, 0);
    EXPECT_EQ(session_.viewerSettings.tabNo, 2);
    EXPECT_EQ(session_.viewerSettings.formWidth, 778);
    EXPECT_EQ(session_.panes.module(kAfter), nullptr);
    EXPECT_EQ(session_.panes.module(kBefore), nullptr);
    EXPECT_EQ(session_.stepCounts.newSteps, 0);
    EXPECT_EQ(session_.tabWidth, 8);
}

TEST_F(StartupTest, SilentSuppressesStartUpMessagesAndMultiLaunchSaving) {
    writeCounterSettingsFile(0, {"missing.ext"});
    session_.options.silent = true;
    session_.options.multiLaunch = true;
    startupReading(session_);
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(session_.saveSettingsAtExit);
}

TEST_F(StartupTest, ValidDataFileGivesDataFileModeAndItsRecords) {
    writeViewerSettingsFile(1);
    writeCounterSettingsFile(1);  // not read in data-file mode
    ASSERT_TRUE(testing::writeDataFile(work_.file("TaveDat168.dat"), dataFile()));
    startupReading(session_);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(session_.viewerSettings.tabNo, 1);
    EXPECT_EQ(session_.noDataFile, 0);
    EXPECT_EQ(session_.counterSettings.delimit, 2);
    ASSERT_NE(session_.panes.module(kAfter), nullptr);
    EXPECT_EQ(session_.panes.module(kAfter)->path, "/src/after.c");
    EXPECT_EQ(session_.panes.module(kAfter)->lineNumber, 10);
    EXPECT_EQ(session_.panes.module(kBefore), nullptr);  // presence word 0
    EXPECT_EQ(session_.panes.descriptors[kBefore].path, "");
    EXPECT_EQ(session_.stepCounts.newSteps, 7);
    EXPECT_EQ(session_.stepCounts.deletedSteps, 3);
}

TEST_F(StartupTest, WrongMagicIsTreatedLikeAMissingDataFile) {
    writeViewerSettingsFile(0);
    writeCounterSettingsFile(1);
    testing::DataFileContent c = dataFile();
    c.magic = "TaveDat168r2";
    c.presence = {1, 1};
    ASSERT_TRUE(testing::writeDataFile(work_.file("TaveDat168.dat"), c));
    startupReading(session_);
    EXPECT_EQ(session_.noDataFile, 1);
    EXPECT_EQ(session_.counterSettings.delimit, 1);  // from vaelsyst.dat
    EXPECT_EQ(session_.panes.module(kAfter), nullptr);
    EXPECT_EQ(session_.panes.module(kBefore), nullptr);
    EXPECT_EQ(session_.stepCounts.newSteps, 0);
}

TEST_F(StartupTest, ShortDataFileReadsItsMissingTailAsAbsent) {
    testing::DataFileContent c = dataFile();
    c.presence = {1, 1};
    // Cut inside the before-change stretch: its presence word and the step counts are missing.
    ASSERT_TRUE(testing::writeDataFile(work_.file("TaveDat168.dat"), c, 360000));
    startupReading(session_);
    EXPECT_EQ(session_.noDataFile, 0);
    EXPECT_NE(session_.panes.module(kAfter), nullptr);
    EXPECT_EQ(session_.panes.module(kBefore), nullptr);
    EXPECT_EQ(session_.stepCounts.newSteps, 0);
}

TEST_F(StartupTest, DataFileSwitchNamesAnotherPath) {
    ASSERT_TRUE(testing::writeDataFile(program_.file("elsewhere.dat"), dataFile()));
    session_.options.dataFilePath = program_.file("elsewhere.dat");
    startupReading(session_);
    EXPECT_EQ(session_.noDataFile, 0);
    EXPECT_EQ(session_.options.dataFilePath, program_.file("elsewhere.dat"));
}

TEST_F(StartupTest, ExtensionDefinitionsLoadAndFailuresAreReportedAfterTheSettings) {
    ASSERT_TRUE(test::ExtensionWriter("C").lineComment("//").writeTo(program_.file("c.ext")));
    writeCounterSettingsFile(0, {"c.ext", "missing.ext"});
    startupReading(session_);
    EXPECT_EQ(messages(), (std::vector<std::string>{"System file is invalid.",
                                                    "A part of extension information file "
                                                    "is invalid."}));
    EXPECT_EQ(session_.extensions.extensionCount, 1);
    ASSERT_NE(session_.extensions.find(0), nullptr);
    EXPECT_EQ(session_.extensions.find(0)->name, "C");

    messages().clear();
    writeViewerSettingsFile(2);
    writeCounterSettingsFile(0, {"c.ext"});
    Session again;
    again.programFolder = program_.path();
    again.workFolder = work_.path();
    again.messages = &sink_;
    startupReading(again);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(again.extensions.extensionCount, 1);
}

// The whole program entry, in process.
class ProgramTest : public StartupTest {
  protected:
    int run(std::vector<std::string_view> args, std::function<int(Session&)> controller = {}) {
        ProgramHost host;
        host.messages = &sink_;
        host.programFolder = program_.path();
        host.workFolder = work_.path();
        host.controller = controller ? controller : [](Session&) { return 0; };
        return runProgram(args, host);
    }
};

TEST_F(ProgramTest, SettingsChangedDuringTheRunAreSavedAtExit) {
    bool ran = false;
    const int rc = run({"/exec", "/s"}, [&ran](Session& s) {
        ran = true;
        EXPECT_TRUE(s.options.execMode);
        EXPECT_TRUE(s.options.silent);
        EXPECT_EQ(s.tabWidth, 8);
        EXPECT_TRUE(s.saveSettingsAtExit);
        s.viewerSettings.tabNo = 0;
        s.viewerSettings.formWidth = 1000;
        return 0;
    });
    EXPECT_EQ(rc, kExitOk);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(messages().empty());
    Session reread;
    ASSERT_EQ(readViewerSettingsFile(reread.viewerSettings, program_.path()), 0);
    EXPECT_EQ(reread.viewerSettings.tabNo, 0);
    EXPECT_EQ(reread.viewerSettings.formWidth, 1000);
}

TEST_F(ProgramTest, MultiLaunchNeverWritesTheSettings) {
    EXPECT_EQ(run({"/ml"}), kExitOk);
    EXPECT_FALSE(program_.exists("tavesyst.dat"));
}

TEST_F(ProgramTest, SecondInstanceIsRefusedWithoutTouchingAnything) {
    InstanceLock first;
    ASSERT_TRUE(first.acquire("tavelin"));
    bool ran = false;
    EXPECT_EQ(run({},
                  [&ran](Session&) {
                      ran = true;
                      return 0;
                  }),
              kExitAlreadyRunning);
    EXPECT_FALSE(ran);
    EXPECT_EQ(messages(), std::vector<std::string>{"Already executed."});
    EXPECT_FALSE(program_.exists("tavesyst.dat"));

    messages().clear();
    EXPECT_EQ(run({"/s", "/ML"}), kExitOk);  // several instances allowed
    EXPECT_FALSE(program_.exists("tavesyst.dat"));

    first.release();
    EXPECT_EQ(run({"/s"}), kExitOk);
    EXPECT_TRUE(program_.exists("tavesyst.dat"));
}

TEST_F(ProgramTest, TheGuardIsHeldDuringTheRunAndFreedAfterIt) {
    run({"/s"}, [](Session&) {
        InstanceLock probe;
        EXPECT_FALSE(probe.acquire("tavelin"));
        return 0;
    });
    InstanceLock after;
    EXPECT_TRUE(after.acquire("tavelin"));
}

TEST_F(ProgramTest, AnEscapingExceptionEndsTheRunAsAFailureAndFreesTheGuard) {
    const int rc = run({"/s"}, [](Session& s) -> int {
        s.viewerSettings.tabNo = 0;
        throw std::runtime_error("broken");
    });
    EXPECT_EQ(rc, kExitInternalError);
    EXPECT_EQ(messages(), std::vector<std::string>{"broken"});
    EXPECT_FALSE(program_.exists("tavesyst.dat"));  // half-made state is not saved
    InstanceLock after;
    EXPECT_TRUE(after.acquire("tavelin"));
}

TEST_F(ProgramTest, SettingsThatCannotBeCreatedAreDroppedSilently) {
    ProgramHost host;
    host.messages = &sink_;
    host.programFolder = program_.file("no-such-folder");
    host.workFolder = work_.path();
    host.controller = [](Session&) { return 0; };
    const std::vector<std::string_view> args;
    EXPECT_EQ(runProgram(args, host), kExitOk);
    EXPECT_EQ(messages(), std::vector<std::string>{"System file is invalid."});
}

}  // namespace
}  // namespace tavelin
