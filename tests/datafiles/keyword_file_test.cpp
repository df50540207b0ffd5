#include "datafiles/keyword_file.h"

#include <gtest/gtest.h>

#include <map>

namespace tavelin {
namespace {

// A small record that exercises every handler through the generic table mechanism.
struct Sample {
    std::int32_t number = 7;
    std::int32_t colour = 0x123456;
    std::string name = "keep";
    std::int32_t count = 0;
    std::array<ExtFileEntry, kMaxExtFiles> files;
};

constexpr std::array<KeywordRow<Sample>, 5> kSampleRows{{
    integerRow<Sample>("[NUM]", 5, -10, 10, &Sample::number),
    colourRow<Sample>("[COL]", 255, 0, 16777215, &Sample::colour),
    stringRow<Sample>("[NAME]", 8, &Sample::name),
    fileListRow<Sample>("[FILES]", 0, 3, &Sample::count, &Sample::files),
    integerRow<Sample>("[NUM]", 99, 0, 0, &Sample::number),  // shadowed: first match wins
}};

int parse(std::string_view text, Sample& s, FileTimeQuery q = nullptr) {
    return parseKeywordFile<Sample>(text, std::span<const KeywordRow<Sample>>(kSampleRows), s, q);
}

TEST(KeywordNumbers, DecimalFollowsStrtol) {
    EXPECT_EQ(parseDecimal("42"), 42);
    EXPECT_EQ(parseDecimal("  \t-17xyz"), -17);
    EXPECT_EQ(parseDecimal("+3"), 3);
    EXPECT_EQ(parseDecimal("abc"), 0);
    EXPECT_EQ(parseDecimal(""), 0);
    EXPECT_EQ(parseDecimal("- 5"), 0);
    EXPECT_EQ(parseDecimal("99999999999999999999999"), INT64_MAX);
    EXPECT_EQ(parseDecimal("-99999999999999999999999"), INT64_MIN);
    EXPECT_EQ(parseDecimal("-9223372036854775808"), INT64_MIN);
}

TEST(KeywordNumbers, HexadecimalReadsAtMostEightDigits) {
    std::int64_t v = -1;
    ASSERT_TRUE(parseHexadecimal("0000FF", v));
    EXPECT_EQ(v, 255);
    ASSERT_TRUE(parseHexadecimal(" 00ff00", v));
    EXPECT_EQ(v, 0xFF00);
    ASSERT_TRUE(parseHexadecimal("123456789", v));
    EXPECT_EQ(v, 0x12345678);  // the ninth digit is beyond the field width
    ASSERT_TRUE(parseHexadecimal("FFFFFFFF", v));
    EXPECT_EQ(v, 0xFFFFFFFFLL);
    ASSERT_TRUE(parseHexadecimal("0x1F", v));
    EXPECT_EQ(v, 0x1F);
    ASSERT_TRUE(parseHexadecimal("0xg", v));
    EXPECT_EQ(v, 0);  // "0" then a non-digit
    EXPECT_FALSE(parseHexadecimal("zz", v));
    EXPECT_FALSE(parseHexadecimal("", v));
    EXPECT_FALSE(parseHexadecimal("-", v));
}

TEST(KeywordFindKey, ExactCaseSensitiveFirstMatch) {
    EXPECT_EQ(findKey("[NUM]", kSampleRows.data(), 5), 0);
    EXPECT_EQ(findKey("[FILES]", kSampleRows.data(), 5), 3);
    EXPECT_EQ(findKey(" [NUM]", kSampleRows.data(), 5), -1);
    EXPECT_EQ(findKey("[NUM] ", kSampleRows.data(), 5), -1);
    EXPECT_EQ(findKey("[num]", kSampleRows.data(), 5), -1);
    EXPECT_EQ(findKey("[NUM", kSampleRows.data(), 5), -1);
    EXPECT_EQ(findKey("", kSampleRows.data(), 5), -1);
    // Plain key lists work too (the extension definition keywords use one).
    const std::string_view keys[] = {"[A]", "[B]"};
    EXPECT_EQ(findKey("[B]", keys, 2), 1);
    EXPECT_EQ(findKey("[B]", keys, 1), -1);
}

TEST(KeywordFile, IntegerRangeAndFallbacks) {
    Sample s;
    EXPECT_EQ(parse("[NUM]\n-10\n", s), 1);
    EXPECT_EQ(s.number, -10);
    parse("[NUM]\n11\n", s);
    EXPECT_EQ(s.number, 5);  // out of range: the row's default
    s.number = 1;
    parse("[NUM]\nabc\n", s);
    EXPECT_EQ(s.number, 0);  // no digits gives 0, which is in range
    s.number = 1;
    parse("[NUM]\n4294967297\n", s);
    EXPECT_EQ(s.number, 5);  // does not wrap into range
    s.number = 1;
    parse("[NUM]", s);
    EXPECT_EQ(s.number, 5);  // end of file instead of the value line
    s.number = 1;
    parse("[NUM]\r\n3\r\n", s);
    EXPECT_EQ(s.number, 3);
}

TEST(KeywordFile, StringLengthLimitAndEndOfFile) {
    Sample s;
    parse("[NAME]\n1234567\n", s);
    EXPECT_EQ(s.name, "1234567");
    parse("[NAME]\n12345678\n", s);
    EXPECT_EQ(s.name, "");  // length must be below the maximum
    s.name = "x";
    parse("[NAME]\n", s);  // an empty value line is an empty value
    EXPECT_EQ(s.name, "");
    s.name = "x";
    parse("[NAME]", s);
    EXPECT_EQ(s.name, "");
    // A line far longer than the line room is still too long, not cut into range.
    s.name = "x";
    parse("[NAME]\n" + std::string(5000, 'a') + "\n", s);
    EXPECT_EQ(s.name, "");
}

TEST(KeywordFile, ColourHandler) {
    Sample s;
    parse("[COL]\n0000FF\n", s);
    EXPECT_EQ(s.colour, 255);
    parse("[COL]\n00ABCDEF\n", s);
    EXPECT_EQ(s.colour, 0xABCDEF);
    parse("[COL]\n01000000\n", s);
    EXPECT_EQ(s.colour, 255);  // above 0xFFFFFF
    s.colour = 1;
    parse("[COL]\nnothex\n", s);
    EXPECT_EQ(s.colour, 255);
    s.colour = 1;
    parse("[COL]\n-1\n", s);
    EXPECT_EQ(s.colour, 255);
    s.colour = 1;
    parse("[COL]", s);
    EXPECT_EQ(s.colour, 255);
}

TEST(KeywordFile, LineSyntax) {
    Sample s;
    // Unknown lines, blank lines and leading blanks are skipped; the last occurrence wins.
    EXPECT_EQ(parse("comment\n\n [NUM]\n9\n[NUM]\n2\nnoise\n[NUM]\n3\n", s), 2);
    EXPECT_EQ(s.number, 3);
    // A value line that equals a key is consumed as the value.
    s = Sample{};
    EXPECT_EQ(parse("[NAME]\n[NUM]\n4\n", s), 1);
    EXPECT_EQ(s.name, "[NUM]");
    EXPECT_EQ(s.number, 7);
    // The value line of an unknown key that equals a known key is taken as that key.
    s = Sample{};
    EXPECT_EQ(parse("[OTHER]\n[NUM]\n4\n", s), 1);
    EXPECT_EQ(s.number, 4);
    // The rest of an over-long key line is skipped, not read as the next line.
    s = Sample{};
    EXPECT_EQ(parse(std::string(kKeywordLineRoom, 'x') + "[NUM]\n6\n", s), 0);
    EXPECT_EQ(s.number, 7);
}

TEST(KeywordFile, FileListCounts) {
    std::map<std::string, std::uint64_t> times{{"a.def", 111}, {"c.def", 333}};
    static std::map<std::string, std::uint64_t>* table = nullptr;
    table = &times;
    FileTimeQuery query = [](const std::string& p, std::uint64_t& t) {
        auto it = table->find(p);
        if (it == table->end()) {
            return false;
        }
        t = it->second;
        return true;
    };

    Sample s;
    s.files[1].fileTime = 42;
    EXPECT_EQ(parse("[FILES]\n3\na.def\nb.def\nc.def\n", s, query), 1);
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(s.files[0].path, "a.def");
    EXPECT_EQ(s.files[0].fileTime, 111u);
    EXPECT_EQ(s.files[1].fileTime, 42u);  // cannot be opened: time left as it was
    EXPECT_EQ(s.files[2].fileTime, 333u);

    // The file ends early: the count is the number of paths read.
    s = Sample{};
    parse("[FILES]\n3\na.def\nb.def", s, query);
    EXPECT_EQ(s.count, 2);

    // Out of range: the default count, no path read, the path lines are parsed as lines.
    s = Sample{};
    s.count = 2;
    parse("[FILES]\n4\n[NUM]\n1\n", s, query);
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.number, 1);
    EXPECT_EQ(s.files[0].path, "");
    parse("[FILES]\n-1\n", s, query);
    EXPECT_EQ(s.count, 0);
    s.count = 2;
    parse("[FILES]", s, query);
    EXPECT_EQ(s.count, 0);

    // Paths keep at most 520 characters; the rest of the line is skipped.
    s = Sample{};
    parse("[FILES]\n1\n" + std::string(600, 'p') + "\n[NUM]\n2\n", s, query);
    EXPECT_EQ(s.files[0].path.size(), kFileListPathRoom);
    EXPECT_EQ(s.number, 2);
}

}  // namespace
}  // namespace tavelin
