// An installed copy: a program folder the user cannot write, with a per-user folder beside it.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "app/controller.h"
#include "app/program.h"
#include "app/startup.h"
#include "app_fixtures.h"
#include "program_runner.h"
#include "support/settings_writer.h"

namespace tavelin {
namespace {

using apptest::TempFolder;

class RecordingMessages final : public MessageSink {
  public:
    explicit RecordingMessages(std::vector<std::string>& shown) : shown_(shown) {}
    void showMessage(std::string_view text) override { shown_.emplace_back(text); }

  private:
    std::vector<std::string>& shown_;
};

class InstalledTest : public ::testing::Test {
  protected:
    void SetUp() override {
        apptest::writeStandAloneFolder(program_, apptest::baseCounterSettings());
    }

    // The program entry with the program folder read-only (or writable) and the given run.
    int run(bool writable, std::vector<std::string_view> args,
            std::function<int(Session&)> controller) {
        ProgramHost host;
        host.programFolder = program_.path();
        host.workFolder = program_.path();
        host.programFolderWritable = writable;
        host.userFolder = user_.file("config/tavelin");
        host.currentFolder = current_.path();
        host.controller = std::move(controller);
        return runProgram(args, host);
    }

    apptest::PrivateInstanceLock lock_;
    TempFolder program_;
    TempFolder user_;
    TempFolder current_;
};

TEST_F(InstalledTest, ViewerSettingsLiveInTheUserFolderMadeByTheFirstSave) {
    EXPECT_EQ(run(false, {},
                  [](Session& s) {
                      s.viewerSettings.tabNo = 0;
                      return 0;
                  }),
              kExitOk);
    EXPECT_FALSE(program_.exists("tavesyst.dat"));
    ASSERT_TRUE(user_.exists("config/tavelin/tavesyst.dat"));
    // The next start reads them from there.
    int tab = -1;
    run(false, {}, [&](Session& s) {
        tab = s.viewerSettings.tabNo;
        return 0;
    });
    EXPECT_EQ(tab, 0);
    // A writable program folder keeps them there, as always.
    run(true, {}, [](Session& s) {
        s.viewerSettings.tabNo = 1;
        return 0;
    });
    EXPECT_TRUE(program_.exists("tavesyst.dat"));
}

// A new user of an installed copy: the bundled settings are read without a message and the
// user's own copy is written at exit; the bundled file stays as it was.
TEST_F(InstalledTest, FirstStartOfANewUserReadsTheBundledSettings) {
    const std::string bundled = "[TAB_NO]\r\n1\r\n[FONT_SIZE]\r\n12\r\n";
    program_.write("tavesyst.dat", bundled);
    std::vector<std::string> shown;
    RecordingMessages messages(shown);
    int tab = -1;
    int points = -1;
    ProgramHost host;
    host.messages = &messages;
    host.programFolder = program_.path();
    host.workFolder = program_.path();
    host.programFolderWritable = false;
    host.userFolder = user_.file("config/tavelin");
    host.controller = [&](Session& s) {
        tab = s.viewerSettings.tabNo;
        points = s.viewerSettings.fontSize;
        s.viewerSettings.tabNo = 0;
        return 0;
    };
    EXPECT_EQ(runProgram({}, host), kExitOk);
    EXPECT_EQ(shown, std::vector<std::string>{});
    EXPECT_EQ(tab, 1);
    EXPECT_EQ(points, 12);
    EXPECT_EQ(program_.read("tavesyst.dat"), bundled);
    ASSERT_TRUE(user_.exists("config/tavelin/tavesyst.dat"));
    EXPECT_EQ(user_.read("config/tavelin/tavesyst.dat").rfind("[TAB_NO]\r\n0\r\n", 0), 0U);

    // An installation that lost its file says so, once, and runs with the defaults.
    std::filesystem::remove(program_.file("tavesyst.dat"));
    std::filesystem::remove(user_.file("config/tavelin/tavesyst.dat"));
    EXPECT_EQ(runProgram({}, host), kExitOk);
    EXPECT_EQ(shown, std::vector<std::string>{"System file is invalid."});
    EXPECT_EQ(tab, 2);
}

TEST_F(InstalledTest, FilesInTheUserFolderTakePrecedenceOverTheBundledOnes) {
    std::filesystem::create_directories(user_.file("config/tavelin"));
    CounterSettings own = apptest::baseCounterSettings();
    own.delimit = 2;
    apptest::counterSettingsFile(own).writeTo(user_.file("config/tavelin/vaelsyst.dat"));
    // A definition of the same name with another comment rule.
    test::ExtensionWriter c("c");
    c.lineComment("#");
    c.writeTo(user_.file("config/tavelin/c.def"));
    int delimit = -1;
    bool hashComment = false;
    run(false, {}, [&](Session& s) {
        delimit = s.counterSettings.delimit;
        const ExtensionDefinition* d = s.extensions.find(0);
        hashComment =
            d != nullptr && !d->commentRules.empty() && d->commentRules[0].strings[0] == "#";
        return 0;
    });
    EXPECT_EQ(delimit, 2);
    EXPECT_TRUE(hashComment);
    // With a writable program folder the bundled ones are read.
    run(true, {}, [&](Session& s) {
        delimit = s.counterSettings.delimit;
        return 0;
    });
    EXPECT_EQ(delimit, 3);
}

TEST_F(InstalledTest, AnAutomaticReportWithoutOutPathGoesToTheCurrentFolder) {
    const std::string after = "/a" + program_.file("after.c");
    const std::string before = "/b" + program_.file("before.c");
    EXPECT_EQ(run(false, {after, before, "/exec", "/s", "/ncmp"},
                  [](Session& s) { return runController(s, nullptr); }),
              kExitOk);
    EXPECT_TRUE(current_.exists("cmp.html"));
    EXPECT_FALSE(program_.exists("cmp.html"));
    EXPECT_EQ(run(true, {after, before, "/exec", "/s", "/ncmp"},
                  [](Session& s) { return runController(s, nullptr); }),
              kExitOk);
    EXPECT_TRUE(program_.exists("cmp.html"));
}

// The built program in a folder that really is read-only (not for a user whom permission bits
// do not stop).
TEST(InstalledProgram, ReadOnlyProgramFolderUsesTheUserFolder) {
#ifdef _WIN32
    GTEST_SKIP() << "permission bits are POSIX: a Windows folder is made read-only by its access "
                    "list, which wine does not keep";
#else
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permission bits do not stop root";
    }
    apptest::ProgramRunner runner;
    ASSERT_TRUE(runner.copied());
    apptest::writeStandAloneFolder(runner.program(), apptest::baseCounterSettings());
    TempFolder home;
    std::filesystem::permissions(runner.program().path(),
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    const apptest::RunResult r = runner.run("/s", "HOME='" + home.path() + "' XDG_CONFIG_HOME=");
    std::filesystem::permissions(runner.program().path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(home.exists(".config/tavelin/tavesyst.dat"));
#endif
}

// What command-line users ask for first: no lock, no file read or written.
TEST(CommandLineHelp, HelpAndVersionPrintAndExitWithoutTouchingFiles) {
    apptest::ProgramRunner runner;
    ASSERT_TRUE(runner.copied());
    const apptest::RunResult version = runner.run("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "Tavelin 1.68E\n");
    const apptest::RunResult help = runner.run("/ml --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("/exec"), std::string::npos);
    EXPECT_NE(help.out.find("Exit codes"), std::string::npos);
    EXPECT_FALSE(runner.program().exists("tavesyst.dat"));
    // "-help" is not the option: it is treated as any other argument (ignored).
    EXPECT_EQ(runner.run("-help /ml").out.find("Usage"), std::string::npos);

    // The short forms print the same text, also where a window could be shown (the script ends a
    // window that should not have opened, so a regression fails instead of hanging).
    for (const std::string& shortForm : {std::string("-h"), apptest::quoted("-?"),
                                         apptest::quoted("/?"), std::string("/aafter.c -h")}) {
        const apptest::RunResult r =
            runner.run(shortForm, "QT_QPA_PLATFORM=offscreen TAVELIN_UI_SCRIPT=end");
        EXPECT_EQ(r.exitCode, 0) << shortForm;
        EXPECT_EQ(r.out, help.out) << shortForm;
        EXPECT_EQ(r.err, "") << shortForm;
    }
    EXPECT_FALSE(runner.program().exists("tavesyst.dat"));
}

}  // namespace
}  // namespace tavelin
