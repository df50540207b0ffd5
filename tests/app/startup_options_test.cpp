#include "app/startup_options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {
namespace {

StartupOptions parse(std::initializer_list<std::string_view> args) {
    const std::vector<std::string_view> v(args);
    return parseCommandLine(v);
}

TEST(CommandLine, NoArgumentsLeaveEverythingCleared) {
    const StartupOptions o = parse({});
    EXPECT_FALSE(o.execMode || o.silent || o.currentState || o.multiLaunch);
    EXPECT_TRUE(o.afterPath.empty() && o.beforePath.empty() && o.dataFilePath.empty());
    EXPECT_TRUE(o.reportFolder.empty() && o.reportName.empty());
}

TEST(CommandLine, SwitchesAreRecognisedByTheirFirstTwoCharactersInAnyCase) {
    const StartupOptions o = parse({"/EXEC", "/S", "/aC:\\src\\main.c", "/B/old/main.c", "/pOut",
                                    "/NName", "/R", "/f/tmp/data.dat"});
    EXPECT_TRUE(o.execMode);
    EXPECT_TRUE(o.silent);
    EXPECT_EQ(o.afterPath, "C:\\src\\main.c");
    EXPECT_EQ(o.beforePath, "/old/main.c");
    EXPECT_EQ(o.reportFolder, "Out");
    EXPECT_EQ(o.reportName, "Name");
    EXPECT_TRUE(o.currentState);
    EXPECT_EQ(o.dataFilePath, "/tmp/data.dat");
    EXPECT_FALSE(o.multiLaunch);

    const StartupOptions words = parse({"/silent", "/abc", "/recompute", "/eXeC"});
    EXPECT_TRUE(words.silent);
    EXPECT_EQ(words.afterPath, "bc");
    EXPECT_TRUE(words.currentState);
    EXPECT_TRUE(words.execMode);
}

TEST(CommandLine, UnknownArgumentsAreIgnored) {
    const StartupOptions o = parse({"/exec2", "/e", "-s", "s", "/", "", "a/b", "/x", "//a"});
    EXPECT_FALSE(o.execMode);
    EXPECT_FALSE(o.silent);
    EXPECT_TRUE(o.afterPath.empty());
}

TEST(CommandLine, MultiLaunchIsAWholeArgumentAndNothingElse) {
    const StartupOptions o = parse({"/ML"});
    EXPECT_TRUE(o.multiLaunch);
    EXPECT_FALSE(o.execMode || o.silent || o.currentState);
    EXPECT_TRUE(o.afterPath.empty() && o.beforePath.empty());
    EXPECT_FALSE(parse({"/mlx"}).multiLaunch);
    EXPECT_FALSE(parse({"/m"}).multiLaunch);
    const std::vector<std::string_view> args = {"/s", "/Ml"};
    EXPECT_TRUE(scanMultiLaunch(args));
    EXPECT_FALSE(scanMultiLaunch(std::vector<std::string_view>{"/a/ml", "ml"}));
}

TEST(CommandLine, LaterArgumentsOverrideEarlierOnes) {
    const StartupOptions o = parse({"/afirst", "/asecond", "/nOne", "/n", "/f1", "/F2"});
    EXPECT_EQ(o.afterPath, "second");
    EXPECT_EQ(o.reportName, "");
    EXPECT_EQ(o.dataFilePath, "2");
}

TEST(CommandLine, ValuesAreCutToTheirFields) {
    const std::string twenty = "abcdefghijklmnopqrst";
    const std::string twelve = "123456789012";
    const std::string longPath(600, 'x');
    const std::string p = "/p" + twenty;
    const std::string n = "/n" + twelve;
    const std::string a = "/a" + longPath;
    const std::string b = "/b" + longPath;
    const std::string f = "/f" + longPath;
    const StartupOptions o = parse({p, n, a, b, f});
    EXPECT_EQ(o.reportFolder, twenty.substr(0, 15));
    EXPECT_EQ(o.reportName, twelve.substr(0, 9));
    EXPECT_EQ(o.afterPath.size(), 521U);
    EXPECT_EQ(o.beforePath.size(), 521U);
    EXPECT_EQ(o.dataFilePath.size(), 521U);
    // Exactly at capacity nothing is lost.
    EXPECT_EQ(parse({"/n123456789"}).reportName, "123456789");
}

TEST(CommandLine, CutsDoNotSplitUtf8Characters) {
    // Three hiragana (9 bytes) fit exactly; with a leading 'a' the third would be split.
    EXPECT_EQ(parse({"/n\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88"}).reportName,
              "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86");
    EXPECT_EQ(parse({"/na\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86"}).reportName,
              "a\xE3\x81\x82\xE3\x81\x84");
    // Bytes that are not UTF-8 (here CP932) are cut at the byte capacity.
    EXPECT_EQ(parse({"/nab\x82\xA0\x82\xA2\x82\xA4\x82\xA6"}).reportName,
              "ab\x82\xA0\x82\xA2\x82\xA4\x82");
}

}  // namespace
}  // namespace tavelin
