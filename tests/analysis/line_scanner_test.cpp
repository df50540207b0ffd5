// Line-level passes and the whole analysis of a module: order of passes, counts, line numbers
// and the terminator.

#include "analysis/line_scanner.h"

#include <gtest/gtest.h>

#include "scan_fixtures.h"

namespace tavelin {
namespace {

using test::bytes;
using test::show;

std::string leadingNumbers(const std::string& text) {
    auto t = bytes(text);
    analysis::deleteLeadingNumbers<unsigned char>(t, 2);
    return test::kept(t);
}

TEST(LinePasses, LeadingNumbers) {
    EXPECT_EQ(leadingNumbers("0010 MOVE A"), "MOVE A");
    EXPECT_EQ(leadingNumbers("0010\tMOVE"), "\tMOVE");
    EXPECT_EQ(leadingNumbers("0010X"), "X");
    EXPECT_EQ(leadingNumbers("12 a 34\n56 b"), "a 34\nb");
}

TEST(LinePasses, LeadingBytesCountNulsButNeverLineEnds) {
    auto t = bytes("abcdef\nab\n\nxyz");
    t[1] = 0;
    analysis::deleteLeadingBytes<unsigned char>(t, 2, 3);
    EXPECT_EQ(show(t), "~~~def\n~~\n\n~~~");
    auto u = bytes("abc\r\nde");
    analysis::deleteLeadingBytes<unsigned char>(u, 0, 9);
    EXPECT_EQ(show(u), "~~~\r\n~~");
    // With [DELIMIT] 2 a CR is an ordinary position.
    auto v = bytes("ab\r\nc");
    analysis::deleteLeadingBytes<unsigned char>(v, 2, 3);
    EXPECT_EQ(show(v), "~~~\n~");
}

TEST(LinePasses, BlankLinesWithAndWithoutWhiteSpace) {
    const auto t = bytes("a\n\n \t\n\x81\x40\nx");
    EXPECT_EQ(analysis::countBlankLines<unsigned char>(t, 2, 0, false), 1);
    EXPECT_EQ(analysis::countBlankLines<unsigned char>(t, 2, 0, true), 2);
    EXPECT_EQ(analysis::countBlankLines<unsigned char>(t, 2, 2, true), 3);  // full-width space
    const auto u = bytes("\xE3\x80\x80\n\xE3\x80\n");
    EXPECT_EQ(analysis::countBlankLines<unsigned char>(u, 2, 1, true), 1);
    // JIS: ESC $ B opens a two-byte run in which only 21 21 is blank.
    const auto j = bytes("\x1b$B!!\x1b(B\n\x1b$B!\"\x1b(B\n!!\n");
    EXPECT_EQ(analysis::countBlankLines<unsigned char>(j, 2, 4, true), 1);
}

std::string spaces(const std::string& text, analysis::SpaceMode mode, int delimit = 2,
                   int codeNo = 0) {
    auto t = bytes(text);
    const ExtensionDefinition d = test::cLike();
    analysis::deleteSpaces<unsigned char>(t, &d, PassOptions{delimit, 0, codeNo}, mode);
    return show(t);
}

TEST(LinePasses, SpacesFullAndTrailingAroundLiterals) {
    using analysis::SpaceMode;
    EXPECT_EQ(spaces(" a b \t\nc  ", SpaceMode::Trailing), " a b~~\nc~~");
    EXPECT_EQ(spaces(" a b \t\nc  ", SpaceMode::Full), "~a~b~~\nc~~");
    // Literals are never changed; a segment that ends at a literal keeps its trailing blanks in
    // trailing mode.
    EXPECT_EQ(spaces("a = \" x \" ;  \n", SpaceMode::Trailing), "a = \" x \" ;~~\n");
    EXPECT_EQ(spaces("a = \" x \" ;  \n", SpaceMode::Full), "a~=~\" x \"~;~~\n");
    // Mode 3 treats the CR before LF as part of the line end; mode 2 sees it as a blank.
    EXPECT_EQ(spaces("a \r\n", SpaceMode::Trailing, 3), "a~\r\n");
    EXPECT_EQ(spaces("a \r\n", SpaceMode::Trailing, 2), "a~~\n");
    // Shift-JIS: a full-width space is white, a double-byte character is stepped over whole.
    EXPECT_EQ(spaces("\x81\x40x\x81\x40\n", SpaceMode::Trailing, 2, 2), "\x81\x40x~~\n");
    EXPECT_EQ(spaces("\x82\x20\n", SpaceMode::Trailing, 2, 2), "\x82\x20\n");
}

TEST(LinePasses, SpacesInJisTextTakeTheirShiftSequences) {
    using analysis::SpaceMode;
    // A trailing full-width space inside a run: the run's shift-in and shift-out go with it.
    EXPECT_EQ(spaces("a\x1b$B!!\x1b(B\n", SpaceMode::Trailing, 2, 4), "a~~~~~~~~\n");
    // A two-byte character before it keeps its shift-in.
    EXPECT_EQ(spaces("\x1b$B0!!!\x1b(B\n", SpaceMode::Trailing, 2, 4), "\x1b$B0!~~~~~\n");
    // Inside a run a control byte is not a blank; outside a run "!!" is text.
    EXPECT_EQ(spaces("\x1b$B0!\t\x1b(B\n", SpaceMode::Full, 2, 4), "\x1b$B0!\t\x1b(B\n");
    EXPECT_EQ(spaces("!! \n", SpaceMode::Trailing, 2, 4), "!!~\n");
}

TEST(LinePasses, EmptyLinesAndTheLineTable) {
    auto t = bytes("a\n\nX\nb\r\n\nc");
    t[3] = 0;
    LineTable table(6);
    for (std::size_t k = 0; k < table.size(); ++k) {
        table[k].lineIndex = static_cast<std::int32_t>(k);
    }
    EXPECT_EQ(analysis::removeEmptyLines<unsigned char>(t, 2, &table), 3);
    EXPECT_EQ(show(t), "a\n~~~b\r\n~c");
    EXPECT_EQ(table[0].lineIndex, 0);
    EXPECT_EQ(table[1].lineIndex, 3);
    // Mode 3 clears the CR of an empty CR LF line too.
    auto u = bytes("a\r\n\r\nb");
    EXPECT_EQ(analysis::removeEmptyLines<unsigned char>(u, 3, nullptr), 2);
    EXPECT_EQ(show(u), "a\r\n~~b");
    // A table smaller than the text's lines is never overrun.
    LineTable small(1);
    auto v = bytes("a\nb\nc\nd\n");
    analysis::removeEmptyLines<unsigned char>(v, 2, &small);
    EXPECT_EQ(small[0].lineIndex, 0);
}

TEST(LinePasses, CompactAndByteOrderMark) {
    auto t = bytes(
        "\xEF\xBB\xBF"
        "aXb");
    t[4] = 0;
    analysis::removeByteOrderMark<unsigned char>(t);
    EXPECT_EQ(analysis::compact<unsigned char>(t), 2);
    EXPECT_EQ(show(t).substr(0, 3), "ab~");
    std::vector<char16_t> w = {0xFEFF, u'a', 0xFFFE};
    analysis::removeByteOrderMark<char16_t>(w);
    EXPECT_EQ(w[0], 0);
    EXPECT_EQ(w[2], 0xFFFE);
}

CounterSettings lf() {
    CounterSettings s;
    s.delimit = 2;
    return s;
}

struct Analysed {
    std::string text;
    ModuleDescriptor md;
    LineTable lines;
    std::string display;
};

Analysed analyse(const std::string& text, const ExtensionDefinition* def, CounterSettings s = {},
                 int presence = 2, bool withDisplay = false, std::size_t tableSize = 32) {
    Analysed a;
    std::vector<unsigned char> buf = bytes(text);
    std::int32_t n = static_cast<std::int32_t>(buf.size());
    a.lines.resize(tableSize);
    for (std::size_t k = 0; k < a.lines.size(); ++k) {
        a.lines[k].lineIndex = static_cast<std::int32_t>(k);
    }
    std::vector<unsigned char> display;
    std::int32_t dn = 0;
    analyseModule(0, buf, n, s, def, a.md, presence, &a.lines, withDisplay ? &display : nullptr,
                  withDisplay ? &dn : nullptr, RuleEnvironment{});
    a.text = show(buf.data(), static_cast<std::size_t>(n));
    if (withDisplay) {
        a.display = show(display.data(), static_cast<std::size_t>(dn));
    }
    return a;
}

TEST(AnalyseModule, CountsOfACModule) {
    const ExtensionDefinition d = test::cLike();
    CounterSettings s;
    s.delimit = 2;
    const std::string text =
        "#include <a.h>\n"  // 0
        "\n"                // 1
        "int a; // x\n"     // 2
        "/* one\n"          // 3
        "   two */\n"       // 4
        "  \n"              // 5
        "b = \"s\";\n";     // 6
    const Analysed a = analyse(text, &d, s);
    // Without [NONEFLG] white space stays, so the line of two blanks is not empty.
    EXPECT_EQ(a.text, "int a; \n  \nb = \"s\";\n");
    EXPECT_EQ(a.md.totalSteps, 7);
    EXPECT_EQ(a.md.noCountSteps, 0);
    EXPECT_EQ(a.md.spaceSteps, 1);
    EXPECT_EQ(a.md.totalBytes, static_cast<std::int32_t>(text.size()));
    EXPECT_EQ(a.md.preprocessorBytes, 14);
    EXPECT_EQ(a.md.commentBytes, 4 + 16);
    EXPECT_EQ(a.md.actualBytes, 20);
    EXPECT_EQ(a.md.actualSteps, 3);
    EXPECT_EQ(a.lines[0].lineIndex, 2);
    EXPECT_EQ(a.lines[1].lineIndex, 5);
    EXPECT_EQ(a.lines[2].lineIndex, 6);
    s.noneflg = 1;
    const Analysed b = analyse(text, &d, s);
    EXPECT_EQ(b.text, "int a;\nb = \"s\";\n");
    EXPECT_EQ(b.md.spaceSteps, 2);
    EXPECT_EQ(b.lines[1].lineIndex, 6);
}

TEST(AnalyseModule, LineNumbersStayThoseOfTheLoadedTextAfterMergedLines) {
    const ExtensionDefinition d = test::cLike();
    CounterSettings s;
    s.delimit = 0;
    // The block comment merges lines 1 to 3 into line 1's remainder.
    const std::string text = "a\r\nb /* x\r\ny\r\nz */ c\r\nd\r\n";
    const Analysed a = analyse(text, &d, s);
    EXPECT_EQ(a.text, "a\r\nb  c\r\nd\r\n");
    EXPECT_EQ(a.lines[0].lineIndex, 0);
    EXPECT_EQ(a.lines[1].lineIndex, 1);
    EXPECT_EQ(a.lines[2].lineIndex, 4);
    // The same with empty lines kept, and with a last line without a line end.
    ExtensionDefinition keep = d;
    keep.spaceCount = 1;
    const Analysed b = analyse("/* x\n\ny */\n\nq\nr", &keep, lf());
    EXPECT_EQ(b.text, "\n\nq\nr~");
    EXPECT_EQ(b.lines[0].lineIndex, 2);  // the line end after the comment
    EXPECT_EQ(b.lines[1].lineIndex, 3);
    EXPECT_EQ(b.lines[2].lineIndex, 4);
    EXPECT_EQ(b.lines[3].lineIndex, 5);
    // A line that starts inside a removed branch takes the line of its first kept unit.
    const Analysed c = analyse("#if 0\nx\n#endif y\nz\n", &d, lf());
    EXPECT_EQ(c.text, " y\nz\n");
    EXPECT_EQ(c.lines[0].lineIndex, 2);
    EXPECT_EQ(c.lines[1].lineIndex, 3);
}

TEST(AnalyseModule, ActualStepsDropByTheMergedLines) {
    const ExtensionDefinition d = test::cLike();
    const std::string plain = "a\nb\nc\nd\ne\nf\n";
    const std::string commented = "a\nb\nc /*\nd\n*/ e\nf\n";
    ExtensionDefinition keep = d;
    keep.spaceCount = 1;
    CounterSettings s;
    s.delimit = 2;
    EXPECT_EQ(analyse(plain, &keep, s).md.actualSteps - analyse(commented, &keep, s).md.actualSteps,
              2);
}

TEST(AnalyseModule, LineEndModesAndTheLastLine) {
    CounterSettings s;
    s.delimit = 0;
    EXPECT_EQ(analyse("a\nb\n", nullptr, s).md.totalSteps, 0);
    s.eofflg = 1;
    EXPECT_EQ(analyse("a\nb\n", nullptr, s).md.totalSteps, 1);
    s = CounterSettings{};
    s.delimit = 3;
    const Analysed a = analyse("a\rb\r\nc\n", nullptr, s);
    EXPECT_EQ(a.md.totalSteps, 3);
    EXPECT_EQ(a.text, "a\nb\r\nc\n");
    s.delimit = 2;
    s.eofflg = 0;
    const Analysed b = analyse("x\ny", nullptr, s);
    EXPECT_EQ(b.md.totalSteps, 1);
    EXPECT_EQ(b.text, "x\ny~");  // the terminator step appends a NUL
    s.eofflg = 1;
    EXPECT_EQ(analyse("x\ny", nullptr, s).md.totalSteps, 2);
    EXPECT_EQ(analyse("x\n \t", nullptr, s).md.totalSteps, 1);
}

TEST(AnalyseModule, EmptyAndByteOrderMarkOnly) {
    const Analysed a = analyse("", nullptr);
    EXPECT_EQ(a.text, "~");
    EXPECT_EQ(a.md.totalSteps, 0);
    EXPECT_EQ(a.md.actualBytes, 0);
    const Analysed b = analyse("\xEF\xBB\xBF", nullptr);
    EXPECT_EQ(b.md.actualBytes, 0);
    EXPECT_EQ(b.text, "~");
}

TEST(AnalyseModule, NoCountAreasAndAllCountMode) {
    ExtensionDefinition d = test::cLike();
    d.noCountRules = {test::blockRule("#NC", "#END")};
    CounterSettings s;
    s.delimit = 2;
    const std::string text = "a\n#NC\nb\n#END  \nc\n\n";
    const Analysed a = analyse(text, &d, s);
    EXPECT_EQ(a.md.noCountBytes, 12 + 1);  // area, trailing blanks, counted line end
    EXPECT_EQ(a.md.totalSteps, 4);
    EXPECT_EQ(a.md.noCountSteps, 2);
    EXPECT_EQ(a.md.totalBytes, static_cast<std::int32_t>(text.size()) - 13);
    EXPECT_EQ(a.text, "a\nc\n");
    EXPECT_EQ(a.lines[1].lineIndex, 4);
    d.allCount = 1;
    const Analysed b = analyse(text, &d, s);
    EXPECT_EQ(b.md.noCountBytes, 13 + 2);  // the empty lines' line ends too
    EXPECT_EQ(b.md.totalSteps, 2);
}

TEST(AnalyseModule, DisplayFormKeepsInnerSpaces) {
    const ExtensionDefinition d = test::cLike();
    CounterSettings s;
    s.delimit = 2;
    s.cmpnoflg = 1;
    const Analysed a = analyse("int  a = 1;  \n\nb", &d, s, 1, true);
    EXPECT_EQ(a.text, "inta=1;\nb~");
    EXPECT_EQ(a.display, "int  a = 1;\nb~");
    // Without [CMPNOFLG] and with [NONEFLG] only trailing blanks go.
    s.cmpnoflg = 0;
    s.noneflg = 1;
    EXPECT_EQ(analyse("int  a;  \n", &d, s).text, "int  a;\n");
}

TEST(AnalyseModule, SwitchesThatTurnPassesOff) {
    ExtensionDefinition d = test::cLike();
    CounterSettings s;
    s.delimit = 2;
    s.cmtcount = 1;
    EXPECT_EQ(analyse("a // c\n", &d, s).text, "a // c\n");
    s.cmtcount = 0;
    d.commentCount = 1;
    EXPECT_EQ(analyse("a // c\n", &d, s).md.commentBytes, 0);
    s.preproct = 1;
    EXPECT_EQ(analyse("#define X\n", &d, s).text, "#define X\n");
    d.leadingNumbers = 1;
    d.deleteLeadingBytes = 2;
    // The cleared number still counts as positions for the leading bytes.
    EXPECT_EQ(analyse("10 abcd\n", &d, s).text, "abcd\n");
}

TEST(AnalyseModule, CurrentStateVariantAppliesNoRule) {
    CounterSettings s;
    s.delimit = 2;
    std::vector<unsigned char> buf = bytes("\xEF\xBB\xBF// a\n\nb");
    std::int32_t n = static_cast<std::int32_t>(buf.size());
    ModuleDescriptor md;
    md.totalBytes = 77;
    LineTable lines(4);
    lines[1].lineIndex = 9;
    countModuleAsIs(buf, n, s, md, 2, &lines);
    EXPECT_EQ(show(buf.data(), static_cast<std::size_t>(n)), "// a\n\nb~");
    EXPECT_EQ(md.totalSteps, 2);
    EXPECT_EQ(md.spaceSteps, 1);
    EXPECT_EQ(md.actualBytes, 7);
    EXPECT_EQ(md.totalBytes, 77);
    EXPECT_EQ(lines[1].lineIndex, 9);
}

TEST(AnalyseModule, Utf16TextCountsBytesTwiceAndUsesTheIdeographicSpace) {
    const ExtensionDefinition d = test::cLike();
    CounterSettings s;
    s.delimit = 2;
    s.noneflg = 1;
    std::u16string text = u"\uFEFFa; // c\n\u3000\n";
    ModuleText buf;
    buf.units.assign(text.begin(), text.end());
    std::int32_t n = static_cast<std::int32_t>(text.size());
    ModuleDescriptor md;
    md.utf16 = 1;
    analyseModule(0, buf, n, s, &d, md, 2, nullptr, nullptr, nullptr, RuleEnvironment{});
    EXPECT_EQ(n, 3);
    EXPECT_EQ(buf.units[0], u'a');
    EXPECT_EQ(buf.units[1], u';');
    EXPECT_EQ(buf.units[2], u'\n');
    EXPECT_EQ(md.commentBytes, 8);
    EXPECT_EQ(md.spaceSteps, 1);
    EXPECT_EQ(md.totalBytes, 2 * static_cast<std::int32_t>(text.size()));
    EXPECT_EQ(md.actualBytes, 6);
}

}  // namespace
}  // namespace tavelin
