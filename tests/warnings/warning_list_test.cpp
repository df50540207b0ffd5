#include "warnings/warning_list.h"

#include "platform/paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace tavelin {
namespace {

// Path, line, code, description in columns 1..4.
CounterSettings settings(std::string header = "") {
    CounterSettings s;
    s.csvpatno = 1;
    s.csvlinno = 2;
    s.csvdatno = 3;
    s.csvdscno = 4;
    s.csvhdstr = std::move(header);
    return s;
}

ModuleDescriptor module(std::string path, std::int32_t line, std::int32_t total,
                        std::int32_t noCount) {
    ModuleDescriptor m;
    m.path = std::move(path);
    m.lineNumber = line;
    m.totalSteps = total;
    m.noCountSteps = noCount;
    return m;
}

std::vector<std::string> captions(const WarningList& list) {
    std::vector<std::string> out;
    for (const WarningRow& row : list.rows) {
        out.push_back(row.caption);
    }
    return out;
}

WarningRow row(std::string caption, std::vector<std::string> subItems) {
    return WarningRow{std::move(caption), std::move(subItems)};
}

TEST(LoadWarnings, KeepsRowsOfTheModuleInFileOrder) {
    const ModuleDescriptor m = module("C:\\src\\Main.c", 10, 5, 2);
    const std::string csv =
        "C:\\src\\main.c,16,W2,last line\r\n"
        "C:\\src\\main.c,9,W0,before\r\n"
        "c:\\SRC\\MAIN.C,10,W1,first line\r\n"
        "C:\\src\\other.c,12,W9,foreign\r\n"
        "C:\\src\\main.c,17,W3,after\r\n"
        "no comma here\r\n"
        ",,,\r\n"
        "\"C:\\src\\main.c\",\"11\",W4,quoted line reads 0\r\n";
    WarningList list;
    EXPECT_EQ(loadWarningsFromBytes(list, csv, &m, settings()), kWarningsLoaded);
    EXPECT_EQ(captions(list), (std::vector<std::string>{"16", "10"}));
    EXPECT_EQ(list.rows[0].subItems, (std::vector<std::string>{"W2", "last line"}));
}

TEST(LoadWarnings, LineRangeOfTheModule) {
    const std::string csv = "a.c,-1,X,d\na.c,0,X,d\na.c,1,X,d\na.c,2,X,d\n";
    WarningList list;
    // No steps at all: only the first line.
    ModuleDescriptor m = module("a.c", 1, 0, 0);
    loadWarningsFromBytes(list, csv, &m, settings());
    EXPECT_EQ(captions(list), (std::vector<std::string>{"1"}));
    m = module("a.c", 0, 3, -1);
    loadWarningsFromBytes(list, csv, &m, settings());
    EXPECT_EQ(captions(list), (std::vector<std::string>{"0", "1"}));

    // A range at the end of the 32-bit numbers does not wrap around.
    const std::int32_t top = std::numeric_limits<std::int32_t>::max() - 1;
    m = module("a.c", top, 100, 100);
    EXPECT_TRUE(warningLineInModule(top, m));
    EXPECT_TRUE(warningLineInModule(top + 1, m));
    EXPECT_FALSE(warningLineInModule(5, m));
    EXPECT_FALSE(warningLineInModule(std::numeric_limits<std::int32_t>::min(), m));
}

TEST(LoadWarnings, HeaderCheck) {
    const ModuleDescriptor m = module("a.c", 1, 10, 0);
    WarningList list;
    // Quotes are ignored on both sides.
    EXPECT_EQ(loadWarningsFromBytes(list, "\"File\",\"Line\",\"No\",\"Text\"\na.c,2,W,d\n", &m,
                                    settings("File,Line,No,Text")),
              kWarningsLoaded);
    EXPECT_EQ(captions(list), (std::vector<std::string>{"2"}));
    EXPECT_EQ(loadWarningsFromBytes(list, "File,Line,No,Text\r\na.c,3,W,d\r\n", &m,
                                    settings("\"File\",\"Line\",\"No\",\"Text\"")),
              kWarningsLoaded);
    EXPECT_EQ(captions(list), (std::vector<std::string>{"3"}));

    // Case-sensitive: a mismatch leaves the list empty, also of rows from an earlier load.
    EXPECT_EQ(loadWarningsFromBytes(list, "file,line,no,text\na.c,2,W,d\n", &m,
                                    settings("File,Line,No,Text")),
              kWarningsHeaderMismatch);
    EXPECT_TRUE(list.rows.empty());

    // An empty file passes; without a header setting the first line is data.
    EXPECT_EQ(loadWarningsFromBytes(list, "", &m, settings("File,Line")), kWarningsLoaded);
    EXPECT_TRUE(list.rows.empty());
    EXPECT_EQ(loadWarningsFromBytes(list, "a.c,4,W,d\na.c,5,W,d", &m, settings()), kWarningsLoaded);
    EXPECT_EQ(captions(list), (std::vector<std::string>{"4", "5"}));
}

TEST(LoadWarnings, OverlongLinesAreCutAndTheRestSkipped) {
    const ModuleDescriptor m = module("a.c", 1, 10, 0);
    // The description reaches past 1022 characters: the row is cut, the rest of the physical
    // line does not become a row of its own.
    const std::string longDescription(1100, 'x');
    const std::string csv = "a.c,2,W," + longDescription + ",a.c,3,W,d\na.c,4,W,d\n";
    WarningList list;
    loadWarningsFromBytes(list, csv, &m, settings());
    ASSERT_EQ(captions(list), (std::vector<std::string>{"2", "4"}));
    EXPECT_EQ(list.rows[0].subItems[1], std::string(521, 'x'));
}

TEST(LoadWarnings, ExtraColumnsAndEmptyPanes) {
    CounterSettings s = settings();
    s.csvext2no = 6;
    const std::string csv = "a.c,2,W,d,e1,e2\n,0,W,d,e1,e2\n";
    ModuleDescriptor m = module("a.c", 1, 10, 0);
    WarningList list;
    loadWarningsFromBytes(list, csv, &m, s);
    ASSERT_EQ(list.rows.size(), 1u);
    EXPECT_EQ(list.rows[0].subItems, (std::vector<std::string>{"W", "d", "e2"}));
    s.csvext1no = 5;
    loadWarningsFromBytes(list, csv, &m, s);
    EXPECT_EQ(list.rows[0].subItems, (std::vector<std::string>{"W", "d", "e1", "e2"}));
    EXPECT_EQ(static_cast<int>(list.rows[0].subItems.size()), warningSubItemCount(s));

    // A pane without a module, or a cleared descriptor, takes no rows: an empty path column
    // on line 0 would otherwise match it.
    loadWarningsFromBytes(list, csv, nullptr, s);
    EXPECT_TRUE(list.rows.empty());
    m = ModuleDescriptor{};
    loadWarningsFromBytes(list, csv, &m, s);
    EXPECT_TRUE(list.rows.empty());
}

class WarningFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        // One folder per test: the test runner may run several of them at once.
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("tavelin_warning_files_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(WarningFiles, BothListsFollowTheListPosition) {
    CounterSettings s = settings();
    s.csvapath = write("after.csv", "a.c,1,A,after\n");
    s.csvbpath = write("before.csv", "b.c,1,B,before\n");
    const ModuleDescriptor after = module("a.c", 1, 1, 0);
    const ModuleDescriptor before = module("b.c", 1, 1, 0);
    WarningList left;
    WarningList right;

    EXPECT_EQ(loadWarningLists(left, right, &after, &before, s, 0), (std::array<int, 2>{0, 0}));
    EXPECT_EQ(left.hint, kWarningAfterHint);
    EXPECT_EQ(right.hint, kWarningBeforeHint);
    ASSERT_EQ(left.rows.size(), 1u);
    ASSERT_EQ(right.rows.size(), 1u);
    EXPECT_EQ(left.rows[0].subItems[0], "A");
    EXPECT_EQ(right.rows[0].subItems[0], "B");

    loadWarningLists(left, right, &after, &before, s, 1);
    EXPECT_EQ(left.hint, kWarningBeforeHint);
    EXPECT_EQ(right.hint, kWarningAfterHint);
    ASSERT_EQ(left.rows.size(), 1u);
    EXPECT_EQ(left.rows[0].subItems[0], "B");
    EXPECT_EQ(right.rows[0].subItems[0], "A");
}

TEST_F(WarningFiles, UnreadableFilesLeaveTheListEmpty) {
    const ModuleDescriptor m = module("a.c", 1, 1, 0);
    WarningList list;
    list.rows.push_back(row("1", {"old", "row"}));
    EXPECT_EQ(loadWarnings(list, (dir_ / "missing.csv").string(), &m, settings()),
              kWarningsCannotOpen);
    EXPECT_TRUE(list.rows.empty());
    EXPECT_EQ(loadWarnings(list, dir_.string(), &m, settings()), kWarningsCannotOpen);
    EXPECT_EQ(loadWarnings(list, "", &m, settings()), kWarningsCannotOpen);
}

TEST(WarningHeadings, ExtraColumnNamesFromHeaderAndSettings) {
    CounterSettings s;
    s.csvhdstr = "\"File\",\"Line\",,\"Rule\",\"Severity\"";
    s.csvext1no = 4;
    s.csvext2no = 3;  // the empty column between two commas
    ExtraColumnNames names = loadExtraColumnNames(s);
    EXPECT_EQ(names.first, "Rule");
    EXPECT_EQ(names.second, "");

    s.csvext2no = 9;  // beyond the header
    s.csvext1nam = std::string(70, 'n');
    EXPECT_EQ(loadExtraColumnNames(s).first, std::string(63, 'n'));
    EXPECT_EQ(loadExtraColumnNames(s).second, "");

    s.csvhdstr = std::string(100, 'h') + ",x";
    s.csvext1nam.clear();
    s.csvext1no = 1;
    s.csvext2nam = "Checker";
    names = loadExtraColumnNames(s);
    EXPECT_EQ(names.first, std::string(63, 'h'));
    EXPECT_EQ(names.second, "Checker");

    WarningList list;
    list.sortState = -3;
    prepareWarningList(list, names, s);
    EXPECT_EQ(list.columns, (std::vector<std::string>{"Line No.", "Code No.", "Description",
                                                      std::string(63, 'h'), "Checker"}));
    EXPECT_EQ(list.sortState, 1);
    EXPECT_EQ(warningColumnWidths(600, s), (std::vector<int>{50, 65, 260, 100, 100}));
    EXPECT_EQ(warningColumnWidths(100, s)[2], 0);
    s.csvext1no = 0;
    s.csvext2no = 0;
    EXPECT_EQ(warningColumnWidths(600, s), (std::vector<int>{50, 65, 460}));
}

TEST(WarningSort, ColumnClicksAndDirections) {
    WarningList list;
    list.rows = {row("9", {"b", "x"}), row("10", {"A", "y"}), row("-2", {"c", "z"})};

    // The state starts at 1: the first click on the line column sorts descending, numerically.
    sortWarningList(list, 0);
    EXPECT_EQ(list.sortState, -1);
    EXPECT_EQ(captions(list), (std::vector<std::string>{"10", "9", "-2"}));
    sortWarningList(list, 0);
    EXPECT_EQ(list.sortState, 1);
    EXPECT_EQ(captions(list), (std::vector<std::string>{"-2", "9", "10"}));

    // Another column sorts ascending first, without regard to case.
    sortWarningList(list, 1);
    EXPECT_EQ(list.sortState, 2);
    EXPECT_EQ(captions(list), (std::vector<std::string>{"10", "9", "-2"}));
    sortWarningList(list, 1);
    EXPECT_EQ(list.sortState, -2);
    EXPECT_EQ(captions(list), (std::vector<std::string>{"-2", "9", "10"}));
    sortWarningList(list, 2);
    EXPECT_EQ(captions(list), (std::vector<std::string>{"9", "10", "-2"}));
}

TEST(WarningSort, EqualRowsKeepTheirOrder) {
    WarningList list;
    for (int i = 0; i < 40; ++i) {
        list.rows.push_back(row(std::to_string(i), {i % 2 == 0 ? "same" : "SAME", "d"}));
    }
    sortWarningList(list, 1);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(list.rows[static_cast<std::size_t>(i)].caption, std::to_string(i));
    }
    sortWarningList(list, 1);  // descending: still equal, still in order
    EXPECT_EQ(list.rows.front().caption, "0");
}

TEST(WarningSort, CompareRowsSignsAndMissingItems) {
    const WarningRow a = row("5", {"abc"});
    const WarningRow b = row("7", {"ABD", "only b"});
    EXPECT_LT(compareWarningRows(a, b, 1), 0);
    EXPECT_GT(compareWarningRows(a, b, -1), 0);
    EXPECT_EQ(compareWarningRows(a, a, -1), 0);
    EXPECT_LT(compareWarningRows(a, b, 2), 0);
    EXPECT_GT(compareWarningRows(a, b, -2), 0);
    EXPECT_LT(compareWarningRows(a, b, 3), 0);  // a has no description: empty text
    EXPECT_EQ(compareWarningRows(a, b, 5), 0);
    EXPECT_EQ(compareWarningRows(a, b, 0), 0);
    const std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(compareWarningRows(a, b, lowest), 0);  // names no column
}

TEST(WarningJump, FindsTheFirstRowOfTheLine) {
    const ModuleDescriptor m = module("a.c", 100, 5, 0);
    // Rows: line 0, two filler rows carrying line 1, line 1, padding, line 2.
    constexpr LineStatus S = LineStatus::Same, B = LineStatus::Blank, A = LineStatus::Added;
    const LineTable rows = {{S, 0}, {B, 1}, {B, 1}, {S, 1}, {S, -1}, {A, 2}, {S, 7}};
    EXPECT_EQ(findWarningJumpRow(rows, 6, &m, 101), 1);
    EXPECT_EQ(findWarningJumpRow(rows, 6, &m, 102), 5);
    EXPECT_EQ(findWarningJumpRow(rows, 6, &m, 99), -1);  // would be the padding's -1
    // Only the rows the list holds are searched, however large the table.
    EXPECT_EQ(findWarningJumpRow(rows, 6, &m, 107), -1);
    EXPECT_EQ(findWarningJumpRow(rows, 1000, &m, 107), 6);
    EXPECT_EQ(findWarningJumpRow(rows, 0, &m, 100), -1);
    EXPECT_EQ(findWarningJumpRow(rows, 6, nullptr, 2), 5);
    // A line far from the module does not wrap onto a row.
    const ModuleDescriptor low = module("a.c", std::numeric_limits<std::int32_t>::min(), 1, 0);
    EXPECT_EQ(findWarningJumpRow(rows, 6, &low, std::numeric_limits<std::int32_t>::max()), -1);

    EXPECT_EQ(warningListSide(0, false), kAfter);
    EXPECT_EQ(warningListSide(0, true), kBefore);
    EXPECT_EQ(warningListSide(1, false), kBefore);
    EXPECT_EQ(warningListSide(1, true), kAfter);
}

TEST(WarningHelp, TargetForms) {
    EXPECT_EQ(buildWarningHelpTarget("http://host/help", "html", "123"),
              "http://host/help/123.html");
    EXPECT_EQ(buildWarningHelpTarget("https://h", "htm", "W1"), "https://h/W1.htm");
    EXPECT_EQ(buildWarningHelpTarget("file:///c:/doc", "", "W1"), "file:///c:/doc/W1");
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(buildWarningHelpTarget("/usr/share/help", "html", "123"),
              "/usr/share/help" + sep + "123.html");
    EXPECT_EQ(buildWarningHelpTarget("C:\\help", "", "123"), "C:\\help" + sep + "123");
    // The web prefixes are compared exactly, in lower case.
    EXPECT_EQ(buildWarningHelpTarget("HTTP://host", "html", "1"), "HTTP://host" + sep + "1.html");
    EXPECT_EQ(buildWarningHelpTarget("", "html", "1"), "");
}

TEST(WarningHelp, CodeNumbersThatLeaveTheHelpLocationAreRefused) {
    for (const char* code : {"", ".", "..", "..\\..\\Windows\\System32\\calc.exe", "../x", "C:evil",
                             "a\tb", "a\x7F"}) {
        EXPECT_EQ(buildWarningHelpTarget("C:\\help", "", code), "") << code;
    }
    EXPECT_EQ(buildWarningHelpTarget("C:\\help", "htm", "MISRA.2.1"),
              "C:\\help" + std::string(1, kPathSeparator) + "MISRA.2.1.htm");
    // 0x5C after a Shift-JIS lead byte is part of the character, not a backslash.
    EXPECT_EQ(buildWarningHelpTarget("C:\\help", "", "\x83\x5C"),
              "C:\\help" + std::string(1, kPathSeparator) + "\x83\x5C");
}

// The sort orders positions with folded text prefixes and line numbers read once; it must give
// exactly the order of a plain stable sort with compareWarningRows, for every column and
// direction, also for texts that share long prefixes, differ only in case or in a trail byte.
TEST(WarningSort, AgreesWithAPlainStableSortOfTheRows) {
    std::mt19937 rng(9);
    const std::vector<std::string> pieces = {
        "a", "A", "b", "\x82\x61", "\x82\x41", "Message number ", "z", "", "0", "~"};
    WarningList list;
    for (int i = 0; i < 400; ++i) {
        WarningRow row;
        row.caption = std::to_string(static_cast<int>(rng() % 50) - 5);
        for (int c = 0; c < 3; ++c) {
            std::string text;
            const int n = static_cast<int>(rng() % 6);
            for (int k = 0; k < n; ++k) {
                text += pieces[rng() % pieces.size()];
            }
            row.subItems.push_back(text);
        }
        list.rows.push_back(row);
    }
    for (int column : {0, 1, 2, 3, 2, 0, 0, 3}) {
        std::vector<WarningRow> expected = list.rows;
        const std::int32_t next = list.sortState == column + 1 ? -(column + 1) : column + 1;
        std::stable_sort(expected.begin(), expected.end(),
                         [next](const WarningRow& a, const WarningRow& b) {
                             return compareWarningRows(a, b, next) < 0;
                         });
        sortWarningList(list, column);
        ASSERT_EQ(list.sortState, next);
        for (std::size_t r = 0; r < expected.size(); ++r) {
            ASSERT_EQ(list.rows[r].caption, expected[r].caption) << column << " " << r;
            ASSERT_EQ(list.rows[r].subItems, expected[r].subItems) << column << " " << r;
        }
    }
}

}  // namespace
}  // namespace tavelin
