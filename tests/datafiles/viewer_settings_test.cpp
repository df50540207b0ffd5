#include "datafiles/viewer_settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "datafiles/line_reader.h"
#include "support/settings_writer.h"

#ifdef __linux__
#include <sys/resource.h>

#include <csignal>
#endif

namespace tavelin {
namespace {

using testing::SettingsFileWriter;

class TempFolder {
  public:
    TempFolder() {
        path_ = std::filesystem::temp_directory_path() /
                ("tavelin_viewer_settings_" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string str() const { return path_.string(); }
    std::string file(const char* name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

std::string fileText(const std::string& path) {
    std::string bytes;
    readWholeFile(path, bytes);
    return bytes;
}

TEST(ViewerSettingsRead, KeysMissingFromTheFileKeepTheStartUpDefaults) {
    ViewerSettings s;
    SettingsFileWriter w;
    w.integer("[TAB_NO]", 1);
    EXPECT_EQ(readViewerSettings(s, w.bytes()), 0);
    EXPECT_EQ(s.tabWidth(), 4);
    EXPECT_EQ(s.formWidth, 778);
    EXPECT_EQ(s.formHeight, 485);
    EXPECT_EQ(s.formTop, 0);
    EXPECT_EQ(s.formLeft, 0);
    EXPECT_EQ(s.listWidth, 800);
    EXPECT_EQ(s.fontName, "Courier New");
    EXPECT_EQ(s.fontSize, 9);
    EXPECT_EQ(s.fontChar, 128);
    EXPECT_EQ(s.statusRes, 400);
    EXPECT_EQ(s.warnHeight, 74);
    EXPECT_EQ(formatViewerSettings(s),
              formatViewerSettings(ViewerSettings{}).replace(9, 1, "1"));  // only [TAB_NO]
    // A file without any known key still reads as success.
    EXPECT_EQ(readViewerSettings(s, "nothing here\n"), 0);
}

TEST(ViewerSettingsRead, InvalidValuesGiveTheRowValuesNotTheStartUpDefaults) {
    ViewerSettings s;
    SettingsFileWriter w;
    w.integer("[FONT_CHAR]", 300)
        .text("[FONT_NAME]", std::string(70, 'f'))
        .integer("[LIST_WIDTH]", 40000)
        .integer("[FORM_HEIGHT]", 100)
        .integer("[FORM_TOP]", -32769)
        .integer("[FORM_LEFT]", -32768)
        .integer("[TAB_NO]", 3)
        .integer("[STATUS_RES]", 501)
        .integer("[FONT_SIZE]", 0)
        .text("[HELP1_EXT]", std::string(32, 'e'))
        .text("[HELP2_EXT]", std::string(31, 'e'))
        .colour("[DEL_COLOR]", 0x1000000)
        .line("[ADD_COLOR]")
        .line("green")
        .colour("[SPC_COLOR]", 0xABCDEF);
    readViewerSettings(s, w.bytes());
    EXPECT_EQ(s.fontChar, 0);
    EXPECT_EQ(s.fontName, "");
    EXPECT_EQ(s.listWidth, 0);
    EXPECT_EQ(s.formHeight, 485);
    EXPECT_EQ(s.formTop, 0);
    EXPECT_EQ(s.formLeft, -32768);
    EXPECT_EQ(s.tabNo, 2);
    EXPECT_EQ(s.statusRes, 400);
    EXPECT_EQ(s.fontSize, 9);
    EXPECT_EQ(s.help1Ext, "");
    EXPECT_EQ(s.help2Ext.size(), 31u);
    EXPECT_EQ(s.delColor, 255);
    EXPECT_EQ(s.addColor, 65280);
    EXPECT_EQ(s.spcColor, 0xABCDEF);
}

TEST(ViewerSettingsWrite, FixedOrderAndOptionalEntries) {
    ViewerSettings s;
    EXPECT_EQ(formatViewerSettings(s),
              "[TAB_NO]\n2\n[LIST_WIDTH]\n800\n[FORM_TOP]\n0\n[FORM_LEFT]\n0\n"
              "[FORM_HEIGHT]\n485\n[FORM_WIDTH]\n778\n[EXEC_KIND]\n0\n[LIST_CHG]\n0\n"
              "[IMAGE_CHG]\n0\n[STATUS_RES]\n400\n[FONT_NAME]\nCourier New\n[FONT_SIZE]\n9\n"
              "[FONT_CHAR]\n128\n[WARN_HEIGHT]\n74\n");

    // A colour read as 0000FF equals the default and is not written back.
    readViewerSettings(s, "[DEL_COLOR]\n0000FF\n[DEBUG_MODE]\n0\n");
    EXPECT_EQ(s.delColor, 255);
    EXPECT_EQ(formatViewerSettings(s), formatViewerSettings(ViewerSettings{}));

    s.spcColor = 0xAB;
    s.addColor = 0;
    s.helpPath2 = "C:\\help";
    s.help1Ext = ".htm";
    s.debugMode = 1;
    s.formTop = -20;
    s.help2Ext = ".txt\n[DEBUG_MODE]\n0";  // a value must not smuggle in lines of its own
    const std::string text = formatViewerSettings(s);
    EXPECT_NE(text.find("[FORM_TOP]\n-20\n"), std::string::npos);
    const std::string tail = text.substr(text.find("[WARN_HEIGHT]\n74\n") + 17);
    EXPECT_EQ(tail,
              "[ADD_COLOR]\n00000000\n[SPC_COLOR]\n000000AB\n[HELP_PATH2]\nC:\\help\n"
              "[HELP1_EXT]\n.htm\n[HELP2_EXT]\n.txt\n[DEBUG_MODE]\n1\n");
}

TEST(ViewerSettingsWrite, RoundTripThroughTheFile) {
    TempFolder folder;
    ViewerSettings s;
    s.setTabChoice(0);
    s.setWindowRect({-5, 1200, 600, 900});
    s.execKind = 10;
    s.listChg = 1;
    s.imageChg = 2;
    s.statusRes = 0;
    s.setFont(std::string(80, 'F'), 12, 0);
    s.delColor = 0x123456;
    s.helpPath1 = std::string(521, 'h');
    s.help2Ext = ".html";
    s.debugMode = 1;
    s.warnHeight = 200;
    s.listWidth = 0;
    EXPECT_EQ(s.fontName.size(), kMaxFontName);
    ASSERT_EQ(writeViewerSettings(s, folder.str()), kViewerSettingsSaved);
    const std::string bytes = fileText(folder.file("tavesyst.dat"));
    EXPECT_EQ(bytes.substr(0, 13), "[TAB_NO]\r\n0\r\n");  // text-mode line ends
    EXPECT_FALSE(std::filesystem::exists(folder.file("tavesyst.dat.tmp")));

    ViewerSettings back;
    ASSERT_EQ(readViewerSettingsFile(back, folder.str()), 0);
    EXPECT_EQ(formatViewerSettings(back), formatViewerSettings(s));
    EXPECT_EQ(back.tabWidth(), 2);
    EXPECT_EQ(back.windowRect().left, 1200);

    // A missing file: -1 and nothing changes.
    ViewerSettings untouched;
    untouched.tabNo = 1;
    EXPECT_EQ(readViewerSettingsFile(untouched, folder.file("absent")), -1);
    EXPECT_EQ(untouched.tabNo, 1);
}

TEST(ViewerSettingsWrite, FailuresKeepThePreviousFile) {
    TempFolder folder;
    // The folder does not exist: nothing can be created, no message is due.
    EXPECT_EQ(writeViewerSettings(ViewerSettings{}, folder.file("missing")),
              kViewerSettingsCannotCreate);

    // The old settings survive a save that cannot replace them.
    const std::string target = folder.file("blocked");
    std::filesystem::create_directories(target + "/inner");
    EXPECT_EQ(replaceFileContents(target, "new"), kViewerSettingsWriteFailed);
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_FALSE(std::filesystem::exists(target + ".tmp"));

#ifdef __linux__
    // A write that runs out of room (a file size limit stands in for a full disk).
    const std::string file = folder.file("tavesyst.dat");
    ASSERT_EQ(replaceFileContents(file, "[TAB_NO]\r\n1\r\n"), kViewerSettingsSaved);
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &small);
    const int rc = writeViewerSettings(ViewerSettings{}, folder.str());
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(rc, kViewerSettingsWriteFailed);
    EXPECT_EQ(fileText(file), "[TAB_NO]\r\n1\r\n");
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
#endif
}

// The program folder ships the settings a first start would write, so that no start of a fresh
// build or installation finds the file missing, and reading it changes nothing.
TEST(ViewerSettingsBundled, TheShippedFileHoldsTheStartUpDefaults) {
    const std::string shipped = fileText(std::string(TAVELIN_SOURCE_DIR) + "/data/tavesyst.dat");
    EXPECT_EQ(shipped, toTextMode(formatViewerSettings(ViewerSettings{})));
    ViewerSettings read;
    read.tabNo = 0;
    read.fontChar = 0;
    EXPECT_EQ(readViewerSettings(read, shipped), 0);
    EXPECT_EQ(formatViewerSettings(read), formatViewerSettings(ViewerSettings{}));
}

TEST(ViewerSettingsAccessors, TabWidths) {
    EXPECT_EQ(ViewerSettings::tabWidthForChoice(0), 2);
    EXPECT_EQ(ViewerSettings::tabWidthForChoice(1), 4);
    EXPECT_EQ(ViewerSettings::tabWidthForChoice(2), 8);
    EXPECT_EQ(ViewerSettings::tabWidthForChoice(-1), 8);
    ViewerSettings s;
    EXPECT_EQ(s.setTabChoice(1), 4);
    EXPECT_EQ(s.tabNo, 1);
}

}  // namespace
}  // namespace tavelin
