// The project layer in process: patterns, report names, the unchanged-file shortcut against the
// matcher, and the tree counter's callbacks and cancellation.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>

#include "count_runner.h"
#include "project/glob.h"
#include "project/pair_count.h"
#include "project/tree_count.h"

namespace tavelin::project {
namespace {

TEST(Glob, MatchesNamesPathsSetsAndFolders) {
    struct Case {
        const char* pattern;
        const char* text;
        bool match;
    };
    const Case cases[] = {
        {"*.py", "a.py", true},
        {"*.py", "a.pyc", false},
        {"*.py", "d/a.py", false},
        {"?.c", "a.c", true},
        {"?.c", "ab.c", false},
        {"[a-c]x", "bx", true},
        {"[!a-c]x", "bx", false},
        {"[^a-c]x", "dx", true},
        {"[]]", "]", true},
        {"\\*", "*", true},
        {"\\*", "a", false},
        {"src/**/*.c", "src/a.c", true},
        {"src/**/*.c", "src/x/y/a.c", true},
        {"src/**/b.c", "src/xb.c", false},
        {"src/*", "src/a/b", false},
        {"src/**", "src/a/b", true},
        {"[a-", "[a-", true},
        {"", "", true},
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "aXbY", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Glob(c.pattern).matches(c.text), c.match) << c.pattern << " " << c.text;
    }
    PathFilter f;
    f.exclude.emplace_back("site-packages");
    f.include.emplace_back("*.py");
    EXPECT_FALSE(f.entersFolder("lib/site-packages"));
    EXPECT_TRUE(f.entersFolder("lib/json"));
    EXPECT_TRUE(f.takesFile("lib/json/a.py"));
    EXPECT_FALSE(f.takesFile("lib/json/a.txt"));
    PathFilter anchored;
    anchored.exclude.emplace_back("/lib/*.py");
    EXPECT_FALSE(anchored.takesFile("lib/a.py"));
    EXPECT_TRUE(anchored.takesFile("x/lib/a.py"));
}

TEST(Glob, APathologicalPatternTakesLinearTime) {
    const std::string pattern = std::string(200, '*') + "a*a*a*a*a*a*a*a*a*a*b";
    const std::string text(5000, 'a');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Glob(pattern).matches(text));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(ReportNames, AreSafeUniqueWithoutCaseAndNeverTheIndex) {
    std::unordered_set<std::string> taken;
    EXPECT_EQ(reportFileName("src/a.c", taken), "src_a.c.html");
    EXPECT_EQ(reportFileName("src_a.c", taken), "src_a.c~2.html");
    EXPECT_EQ(reportFileName("SRC/A.C", taken), "SRC_A.C~3.html");
    EXPECT_EQ(reportFileName("index", taken), "index~2.html");
    EXPECT_EQ(reportFileName("../..", taken), "_.._...html");
    EXPECT_EQ(reportFileName("<x>\n", taken), "_x__.html");
    const std::string longName = reportFileName(std::string(500, 'a') + ".c", taken);
    EXPECT_LT(longName.size(), 140U);
}

// The setup of the bundled settings and definitions, as the built program reads them.
const CountSetup& bundledSetup() {
    static const CountSetup setup = [] {
        CountSetup s;
        SetupSources src;
        src.programFolder = std::filesystem::path(TAVELIN_COUNT_BINARY).parent_path().string();
        src.programFolderWritable = true;
        EXPECT_EQ(loadCountSetup(src, s), kSetupOk);
        return s;
    }();
    return setup;
}

TEST(PairCount, TheUnchangedShortcutGivesTheMatchersCountsUnderEverySetting) {
    std::mt19937 rng(5);
    const std::vector<std::string> lines = {"int a;", "/* c */", "",       "a = 1; // x",
                                            "#if X",  "#endif",  "INT A;", "  return a;",
                                            "\"s\";", "}"};
    const std::vector<std::string> extensions = {"c", "py", "java", "sql", "html"};
    for (int trial = 0; trial < 300; ++trial) {
        CountSetup setup = bundledSetup();
        setup.counter.usecflg = static_cast<std::int32_t>(rng() % 2);
        setup.counter.delcflg = static_cast<std::int32_t>(rng() % 2);
        setup.counter.bdelcflg = static_cast<std::int32_t>(rng() % 2);
        setup.counter.cmpnoflg = static_cast<std::int32_t>(rng() % 2);
        setup.counter.striflg = static_cast<std::int32_t>(rng() % 2);
        setup.counter.delimit = static_cast<std::int32_t>(rng() % 4);
        setup.resyncChoice = static_cast<std::int32_t>(rng() % 13);
        std::string text;
        const std::size_t n = rng() % 30;
        for (std::size_t i = 0; i < n; ++i) {
            text += lines[rng() % lines.size()] + (rng() % 4 == 0 ? "\r\n" : "\n");
        }
        const std::string name = "m." + extensions[rng() % extensions.size()];
        const std::span<const unsigned char> bytes(
            reinterpret_cast<const unsigned char*>(text.data()), text.size());
        PairInput in;
        in.names = {name, name};
        in.bytes = {bytes, bytes};
        in.sameBytes = false;
        const PairCounts matched = countPair(setup, in);
        in.sameBytes = true;
        const PairCounts shortcut = countPair(setup, in);
        const auto tuple = [](const PairCounts& c) {
            return std::make_tuple(c.counts.newSteps, c.counts.originalSteps, c.counts.changedSteps,
                                   c.counts.reusedSteps, c.counts.deletedSteps, c.steps[0],
                                   c.steps[1], c.matchedSteps);
        };
        ASSERT_EQ(tuple(shortcut), tuple(matched)) << trial << ": " << text;
    }
}

TEST(TreeCount, RowsArriveAsTheyFinishAndCancellingKeepsWhatIsDone) {
    counttest::Folder dir;
    for (int i = 0; i < 60; ++i) {
        dir.write("b/f" + std::to_string(i) + ".c", "int a;\nint b" + std::to_string(i) + ";\n");
        dir.write("a/f" + std::to_string(i) + ".c", "int a;\nint c;\n");
    }
    dir.write("a/notes.txt", "x\n");
    std::string problem;
    auto before = openFolderTree(dir.file("b"), problem);
    auto after = openFolderTree(dir.file("a"), problem);
    ASSERT_TRUE(before && after) << problem;
    CountOptions options;
    options.jobs = 3;
    std::size_t rows = 0;
    std::size_t lastDone = 0;
    std::size_t lastTotal = 0;
    CountCallbacks cb;
    cb.onRow = [&](const FileRow&) { ++rows; };
    cb.onProgress = [&](std::size_t done, std::size_t total) {
        EXPECT_EQ(done, lastDone + 1);
        lastDone = done;
        lastTotal = total;
    };
    const TreeCount all = countTrees(bundledSetup(), *before, *after, options, cb);
    EXPECT_EQ(rows, 61U);
    EXPECT_EQ(lastDone, 61U);
    EXPECT_EQ(lastTotal, 61U);
    EXPECT_FALSE(all.cancelled);
    EXPECT_TRUE(std::is_sorted(all.rows.begin(), all.rows.end(),
                               [](const FileRow& x, const FileRow& y) { return x.path < y.path; }));

    std::atomic<bool> cancel{false};
    CountCallbacks stop;
    std::size_t seen = 0;
    stop.cancel = &cancel;
    stop.onRow = [&](const FileRow& row) {
        if (row.counted() && ++seen == 5) {
            cancel = true;
        }
    };
    const TreeCount part = countTrees(bundledSetup(), *before, *after, options, stop);
    EXPECT_TRUE(part.cancelled);
    EXPECT_GE(part.rows.size(), 5U);
    EXPECT_LT(part.rows.size(), 20U);
    for (const FileRow& row : part.rows) {
        if (row.counted()) {
            EXPECT_EQ(row.status, RowStatus::Changed);
        }
    }
}

}  // namespace
}  // namespace tavelin::project
