#include "warnings/warning_csv.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace tavelin {
namespace {

// Path in column 1, line in 2, code in 3, description in 4.
CounterSettings columns(int path, int line, int code, int description, int extra1 = 0,
                        int extra2 = 0) {
    CounterSettings s;
    s.csvpatno = path;
    s.csvlinno = line;
    s.csvdatno = code;
    s.csvdscno = description;
    s.csvext1no = extra1;
    s.csvext2no = extra2;
    return s;
}

TEST(WarningRowSplit, QuotedFieldWithCommasAndDoubledQuoteArrivesWhole) {
    ParsedWarning w;
    ASSERT_TRUE(parseWarningRow(R"(src\a.c,12,W101,"uses a, b, and ""c"" here",tail)",
                                columns(1, 2, 3, 4, 5), w));
    EXPECT_EQ(w.path, "src\\a.c");
    EXPECT_EQ(w.line, 12);
    EXPECT_EQ(w.codeNumber, "W101");
    EXPECT_EQ(w.description, "uses a, b, and \"c\" here");
    // The joined field keeps one column number; the next field takes the next one.
    EXPECT_EQ(w.extra1, "tail");
}

TEST(WarningRowSplit, EmptyFieldsCountAndOneColumnFeedsSeveralTargets) {
    ParsedWarning w;
    ASSERT_TRUE(parseWarningRow(",,x.c,,7,,C9", columns(3, 5, 7, 7, 7, 6), w));
    EXPECT_EQ(w.path, "x.c");
    EXPECT_EQ(w.line, 7);
    EXPECT_EQ(w.codeNumber, "C9");
    EXPECT_EQ(w.description, "C9");
    EXPECT_EQ(w.extra1, "C9");
    EXPECT_EQ(w.extra2, "");
}

TEST(WarningRowSplit, RowsWithoutWarnings) {
    ParsedWarning w;
    w.path = "stale";
    EXPECT_FALSE(parseWarningRow("a.c 12 W1 text", columns(1, 2, 3, 4), w));
    EXPECT_EQ(w.path, "");
    EXPECT_EQ(w.line, 0);
    EXPECT_FALSE(parseWarningRow("", columns(1, 2, 3, 4), w));

    ASSERT_TRUE(parseWarningRow(",,,,", columns(1, 2, 3, 4), w));
    EXPECT_EQ(w.path, "");
    EXPECT_EQ(w.line, 0);

    // Column 0 feeds nothing.
    ASSERT_TRUE(parseWarningRow("a.c,5,W,d", columns(0, 0, 3, 4), w));
    EXPECT_EQ(w.path, "");
    EXPECT_EQ(w.line, 0);
    EXPECT_EQ(w.codeNumber, "W");
}

TEST(WarningRowSplit, UnclosedQuoteRunsToTheEndOfTheRow) {
    ParsedWarning w;
    ASSERT_TRUE(parseWarningRow(R"(a.c,3,"open, never closed,4)", columns(1, 2, 4, 3), w));
    EXPECT_EQ(w.description, "open, never closed,4");
    EXPECT_EQ(w.codeNumber, "");
}

TEST(WarningRowSplit, TextLimitsApplyBeforeCleaning) {
    ParsedWarning w;
    const std::string code(200, 'K');
    const std::string description = "\"" + std::string(600, 'd') + "\"";
    ASSERT_TRUE(parseWarningRow("a.c,1," + code + "," + description, columns(1, 2, 3, 4), w));
    EXPECT_EQ(w.codeNumber, std::string(127, 'K'));
    // 521 bytes are taken, the leading quote among them, which cleaning then removes.
    EXPECT_EQ(w.description, std::string(520, 'd'));
}

TEST(WarningRowSplit, LineColumnIsNotCleaned) {
    ParsedWarning w;
    ASSERT_TRUE(parseWarningRow("a.c,\"12\"", columns(1, 2, 0, 0), w));
    EXPECT_EQ(w.line, 0);
    ASSERT_TRUE(parseWarningRow("a.c, \t-15xyz", columns(1, 2, 0, 0), w));
    EXPECT_EQ(w.line, -15);
}

TEST(WarningLineNumber, DecimalPrefixAndRangeEnds) {
    EXPECT_EQ(parseWarningLine(""), 0);
    EXPECT_EQ(parseWarningLine("abc"), 0);
    EXPECT_EQ(parseWarningLine("+42"), 42);
    EXPECT_EQ(parseWarningLine("  \n\v7 8"), 7);
    EXPECT_EQ(parseWarningLine("- 5"), 0);
    EXPECT_EQ(parseWarningLine("2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(parseWarningLine("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(parseWarningLine("99999999999999999999999"),
              std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(parseWarningLine("-99999999999999999999999"),
              std::numeric_limits<std::int32_t>::min());
}

TEST(WarningTextCleaning, TrimsControlsAndQuotesKeepsInnerQuotes) {
    EXPECT_EQ(cleanWarningText(" \t\"\"text\"\r\x01", 521), "text");
    EXPECT_EQ(cleanWarningText("\"\"\"\"", 521), "");
    EXPECT_EQ(cleanWarningText("a\"\"b", 521), "a\"b");
    EXPECT_EQ(cleanWarningText("a\"\"\"b", 521), "a\"\"b");
    EXPECT_EQ(cleanWarningText("a\"b", 521), "a\"b");
    EXPECT_EQ(cleanWarningText("abcdef", 3), "abc");
    // Bytes above 0x7F are text (Shift-JIS), not control bytes.
    const std::string kanji = "\x83\x41\x83\x5C";
    EXPECT_EQ(cleanWarningText(" " + kanji + " ", 521), kanji);
    EXPECT_EQ(cleanWarningText("\xA0\xFF", 521), "\xA0\xFF");
}

TEST(WarningPathCompare, IgnoresAsciiCaseOnly) {
    EXPECT_TRUE(pathsEqualNoCase("C:\\Src\\Main.C", "c:\\src\\main.c"));
    EXPECT_FALSE(pathsEqualNoCase("c:\\src\\main.c", "c:\\src\\main.cc"));
    EXPECT_FALSE(pathsEqualNoCase("a_b",
                                  "a\x7F"
                                  "b"));
    EXPECT_TRUE(pathsEqualNoCase("", ""));
    // 0x83 0x41 and 0x83 0x61 are two different characters; their trail bytes must not fold.
    EXPECT_FALSE(pathsEqualNoCase("d\\\x83\x41.c", "d\\\x83\x61.c"));
    // After a double-byte character, ASCII folds again.
    EXPECT_TRUE(pathsEqualNoCase("\x83\x41X.c", "\x83\x41x.C"));
}

TEST(WarningTextCompare, CaseInsensitiveOrder) {
    EXPECT_EQ(compareTextNoCase("abc", "ABC"), 0);
    EXPECT_LT(compareTextNoCase("abc", "ABD"), 0);
    EXPECT_GT(compareTextNoCase("b", "A"), 0);
    EXPECT_LT(compareTextNoCase("ab", "abc"), 0);
    EXPECT_LT(compareTextNoCase("_", "a"), 0);
    EXPECT_GT(compareTextNoCase("\x90", "z"), 0);  // unsigned bytes
}

}  // namespace
}  // namespace tavelin
