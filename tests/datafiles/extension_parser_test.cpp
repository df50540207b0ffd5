#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "datafiles/extension_loader.h"
#include "datafiles/line_reader.h"
#include "support/extension_writer.h"

namespace tavelin {
namespace {

// Parses `text` into slot 0 of an empty table with [DELIMIT] `delimit`.
int parse(const std::string& text, ExtensionDefinition& def, int delimit = 0) {
    ExtensionTable table;
    return parseExtensionDefinition(text, table, 0, delimit, def);
}

ExtensionDefinition parsed(const std::string& text, int delimit = 0) {
    ExtensionDefinition def;
    EXPECT_EQ(parse(text, def, delimit), 0) << text;
    return def;
}

TEST(ExtensionParser, CommentLinesUnknownTextAndNearKeywordsAreSkipped) {
    const ExtensionDefinition def =
        parsed("//+- a comment line\n\nhello\n[extname]\n [EXTNAME]\n[EXTNAME] \n[MACRO\n//+-\n");
    EXPECT_EQ(def, ExtensionDefinition{});

    // "//+-" is skipped between a count line and its rules, and between rule lines; a shorter
    // line that merely starts with "//" is a value.
    const ExtensionDefinition c = parsed(
        "[COMMENT]\n//+- rules follow\n2\n//+-\n0\n//\n//+-x\n1\n/*\n//+- end string next\n*/\n");
    ASSERT_EQ(c.commentRules.size(), 2u);
    EXPECT_EQ(c.commentRules[0].endCount, 0);
    EXPECT_EQ(c.commentRules[0].strings[0], "//");
    EXPECT_EQ(c.commentRules[1].endCount, 1);
    EXPECT_EQ(c.commentRules[1].strings[0], "/*");
    EXPECT_EQ(c.commentRules[1].strings[1], "*/");

    // An empty line inside a keyword's values is an (empty) value.
    const ExtensionDefinition e = parsed("[DELSTR]\n2\n\nabc\n");
    EXPECT_EQ(e.deleteStrings, (std::vector<std::string>{"", "abc"}));
}

TEST(ExtensionParser, DelimitedRuleHeadItems) {
    const ExtensionDefinition def = parsed(
        "[COMMENT]\n8\n"
        "1,0,1,(*,*)\n(*\n*)\n"  // nesting pair
        "1,0,1,(*\n(*\n*)\n"     // an opener without a closer is dropped
        "9,16,40000\nREM\n"      // out of range: endCount 0, flags 0, column 1
        "1,,4\n{\n}\n"           // a run of commas is one separator
        "0,2\n*\n"               // no column: 1
        "0,1,0,(****,*)\n!\n"    // an over-long opener is left empty
        "0,1,5,(,*)\n#\n"
        "2,12,7\nBEGIN\nEND\nEND.\n");
    ASSERT_EQ(def.commentRules.size(), 8u);
    const auto& r = def.commentRules;
    EXPECT_EQ(r[0].endCount, 1);
    EXPECT_EQ(r[0].nestOpen, "(*");
    EXPECT_EQ(r[0].nestClose, "*)");
    EXPECT_TRUE(r[1].nestOpen.empty());
    EXPECT_TRUE(r[1].nestClose.empty());
    EXPECT_EQ(r[1].strings[1], "*)");
    EXPECT_EQ(r[2].endCount, 0);
    EXPECT_EQ(r[2].matchFlags, 0);
    EXPECT_EQ(r[2].column, 1);
    EXPECT_EQ(r[2].strings[0], "REM");
    EXPECT_EQ(r[3].endCount, 1);
    EXPECT_EQ(r[3].matchFlags, 4);
    EXPECT_EQ(r[3].column, 1);
    EXPECT_EQ(r[4].matchFlags, 2);
    EXPECT_EQ(r[4].column, 1);
    EXPECT_TRUE(r[5].nestOpen.empty());
    EXPECT_EQ(r[5].strings[0], "!");
    EXPECT_EQ(r[6].column, 5);
    EXPECT_EQ(r[6].nestOpen, "(");
    EXPECT_EQ(r[6].nestClose, "*)");
    EXPECT_EQ(r[7].endCount, 2);
    EXPECT_EQ(r[7].matchFlags, 12);
    EXPECT_EQ(r[7].column, 7);
    EXPECT_EQ(r[7].strings[2], "END.");

    // Counts out of range read no rules; the lines after them are parsed as keywords.
    const ExtensionDefinition n = parsed("[COMMENT]\n129\n[NONUM]\n1\n[NOCOUNT]\n65\n");
    EXPECT_TRUE(n.commentRules.empty());
    EXPECT_EQ(n.leadingNumbers, 1);
    const ExtensionDefinition m = parsed("[NOCOUNT]\n64\n" + std::string(64 * 2, '\n'));
    EXPECT_EQ(m.noCountRules.size(), 64u);
}

TEST(ExtensionParser, DlmtAndNoneFilter) {
    const std::string text =
        "[COMMENT]\n1\n1\n--\nDlmt\n"
        "[STRING]\n1\nDlmt\n\"\nDlmt\n"
        "[PREPRO]\n1\n0\nNone\n"
        "[NOCOMMENT]\n1\nDlmt\n";
    const struct {
        int delimit;
        const char* lineEnd;
    } cases[] = {{0, "\r\n"}, {1, "\r"}, {2, "\n"}, {3, "\n"}, {4, ""}, {-1, ""}};
    for (const auto& c : cases) {
        const ExtensionDefinition def = parsed(text, c.delimit);
        EXPECT_EQ(def.commentRules[0].strings[1], c.lineEnd) << c.delimit;
        EXPECT_EQ(def.stringRules[0].escape, c.lineEnd) << c.delimit;
        // Only filtered fields change.
        EXPECT_EQ(def.stringRules[0].start, "Dlmt");
        EXPECT_EQ(def.nonComments[0], "Dlmt");
        EXPECT_EQ(def.preprocessorRules[0].parts[0], "");
    }
    // Only the exact words are replaced.
    const ExtensionDefinition def = parsed("[COMMENT]\n1\n1\n--\nDlmt \n[DELSTR]\n1\nNone\n");
    EXPECT_EQ(def.commentRules[0].strings[1], "Dlmt ");
    EXPECT_EQ(def.deleteStrings[0], "None");
}

TEST(ExtensionParser, LineAndFieldLimits) {
    const std::string s200(200, 'a');
    const std::string s40(40, 'n');
    const ExtensionDefinition def =
        parsed("[EXTNAME]\n" + s40 + "\n[COMMENT]\n1\n0\n" + s200 + "\n[STRING]\n1\n" + s40 + "\n" +
               s40 + "\n" + s40 + "\n[MULTSCR]\n1\n1," + s200 + "\n" + s200 + "\n" + s200 + "\n" +
               s40 + "\n[NOCOMMENT]\n2\n" + s200 + "[NONUM]\n1\n[NOADDFILE]\n1\n" + s40 +
               "\n[STEPJOIN]\n" + s40 + "\n[PREPRO]\n1\n0\n" + s200 + "\n");
    EXPECT_EQ(def.name, std::string(31, 'n'));
    EXPECT_EQ(def.commentRules[0].strings[0], std::string(63, 'a'));
    EXPECT_EQ(def.stringRules[0].start.size(), 15u);
    EXPECT_EQ(def.stringRules[0].escape.size(), 15u);
    ASSERT_EQ(def.regionRules.size(), 1u);
    EXPECT_EQ(def.regionRules[0].caseInsensitive, 1);
    EXPECT_EQ(def.regionRules[0].attribute.size(), 127u);  // its line has room for 1022
    EXPECT_EQ(def.regionRules[0].startPattern.size(), 126u);
    EXPECT_EQ(def.regionRules[0].extensionName.size(), 30u);
    // The rest of an over-long line is discarded, never read as the next line.
    EXPECT_EQ(def.nonComments, (std::vector<std::string>{std::string(126, 'a'), "1"}));
    EXPECT_EQ(def.leadingNumbers, 0);
    EXPECT_EQ(def.excludedFiles[0].size(), 31u);
    EXPECT_EQ(def.stepJoin.size(), 31u);
    EXPECT_EQ(def.preprocessorRules[0].parts[0].size(), 126u);

    // A keyword at the end of an over-long line is not seen.
    const ExtensionDefinition k = parsed(std::string(1030, 'x') + "[NONUM]\n1\n");
    EXPECT_EQ(k.leadingNumbers, 0);
    const ExtensionDefinition k2 = parsed(std::string(1022, 'x') + "\n[NONUM]\n1\n");
    EXPECT_EQ(k2.leadingNumbers, 1);
}

TEST(ExtensionParser, MissingLinesThatFailTheFile) {
    const char* failing[] = {
        "[EXTNAME]\n",
        "[EXTNAME]\n//+- only a comment\n",
        "[COMMENT]\n1\n",
        "[COMMENT]\n1\n1\n/*\n",
        "[COMMENT]\n2\n0\n//\n",
        "[NOCOUNT]\n1\n0\n",
        "[CNTSTR]\n1\n1\nfirst\n",
        "[MULTJDG]\n1\n",
        "[MULTSCR]\n1\n0\n<a>\n</a>\n",
        "[PREPRO]\n1\n2\n#if\n#endif\n",
        "[MACRO]\n3\nA\nB\n",
        "[NOCOMMENT]\n2\nx\n",
        "[DELSTR]\n1\n",
        "[NOADDFILE]\n1\n",
        "[STEPJOIN]\n",
        "[CLSJDG]\n",
        "[CLSJDG]\n2\nclass,1\n",
        "[CLSJDG]\n2\nclass,1\n\n",
        "[CLSJDG]\n1\n,,\n",
    };
    for (const char* text : failing) {
        ExtensionDefinition def;
        def.name = "stale";
        EXPECT_EQ(parse(std::string("[NONUM]\n1\n") + text, def), -1) << text;
        EXPECT_EQ(def, ExtensionDefinition{}) << text;
    }

    // Missing lines that only leave fields empty or zero.
    const ExtensionDefinition def = parsed("[NONUM]\n1\n[STRING]\n2\n'\n'\n\\\n\"\n");
    EXPECT_EQ(def.leadingNumbers, 1);
    ASSERT_EQ(def.stringRules.size(), 2u);
    EXPECT_EQ(def.stringRules[1].start, "\"");
    EXPECT_EQ(def.stringRules[1].end, "");
    const char* fine[] = {"[COMMENT]\n", "[NONUM]\n",        "[STDELBYTE]\n",
                          "[CLSEND]\n",  "[CLSEND]\n1\n",    "[MULTJDG]\n1\nt\n",
                          "[MACRO]\n",   "[HEADJDG]\n1\n0\n"};
    for (const char* text : fine) {
        ExtensionDefinition d;
        EXPECT_EQ(parse(text, d), 0) << text;
    }
}

TEST(ExtensionParser, NamesAreUniqueAcrossLoadedSlots) {
    ExtensionTable table;
    table.definitions[0].name = "C";
    table.definitions[1].name = std::string(31, 'L');
    table.definitions[2].name = "JS";  // beyond extensionCount: not loaded
    table.extensionCount = 2;
    ExtensionDefinition def;
    EXPECT_EQ(parseExtensionDefinition("[EXTNAME]\nC\n", table, 2, 0, def), -1);
    EXPECT_EQ(parseExtensionDefinition("[EXTNAME]\nc\n", table, 2, 0, def), 0);
    EXPECT_EQ(parseExtensionDefinition("[EXTNAME]\nJS\n", table, 2, 0, def), 0);
    EXPECT_EQ(def.extensionNumber, 2);
    // Reloading a slot does not clash with its own earlier name.
    EXPECT_EQ(parseExtensionDefinition("[EXTNAME]\nC\n", table, 0, 0, def), 0);
    // Names are compared as stored (31 bytes), so two stored names never coincide.
    EXPECT_EQ(
        parseExtensionDefinition("[EXTNAME]\n" + std::string(40, 'L') + "\n", table, 2, 0, def),
        -1);
}

TEST(ExtensionParser, ClassJudges) {
    EXPECT_EQ(parsed("[CLSJDG]\nCLASS\n").classJudges, (std::vector<ClassJudge>{{"CLASS", 0}}));
    EXPECT_EQ(parsed("[CLSJDG]\n0\n").classJudges, (std::vector<ClassJudge>{{"0", 0}}));
    EXPECT_EQ(parsed("[CLSJDG]\n9,x\n").classJudges, (std::vector<ClassJudge>{{"9,x", 0}}));
    EXPECT_EQ(parsed("[CLSJDG]\n" + std::string(40, 'w') + "\n").classJudges[0].word.size(), 31u);
    EXPECT_EQ(parsed("[CLSJDG]\n2\nclass,3\n//+-\nstruct\n").classJudges,
              (std::vector<ClassJudge>{{"class", 3}, {"struct", 0}}));
    EXPECT_EQ(parsed("[CLSJDG]\n1\nbig,99999\n").classJudges[0].number, 32767);
}

TEST(ExtensionParser, StringListCountsOutOfRangeStoreNothing) {
    const ExtensionDefinition def =
        parsed("[NOCOMMENT]\n65\na\nb\n[DELSTR]\n17\nx\n[NOADDFILE]\n-1\n[STRING]\n9\n");
    EXPECT_TRUE(def.nonComments.empty());
    EXPECT_TRUE(def.deleteStrings.empty());
    EXPECT_TRUE(def.excludedFiles.empty());
    EXPECT_TRUE(def.stringRules.empty());
    EXPECT_EQ(parsed("[NOCOMMENT]\n64\n" + std::string(64, '\n')).nonComments.size(), 64u);
}

TEST(ExtensionParser, JudgesStoreValuesAndFailOutOfRange) {
    const ExtensionDefinition def = parsed(
        "[CNTSTR]\n2\n1,7\nIF\nDlmt\n9,8\nX\n"
        "[MULTJDG]\n2\nDlmt\n1,5\nt2\n-1,0\n"
        "[HEADJDG]\n1\n7,2\n1,-1,8,5\n2\n0,3,1,2\n-1,4\n1\n1,9,8,4,5\n",
        2);
    ASSERT_EQ(def.countStrings.size(), 2u);
    EXPECT_EQ(def.countStrings[0].extra, 1);
    EXPECT_EQ(def.countStrings[0].kind, 7);
    EXPECT_EQ(def.countStrings[0].strings[1], "\n");
    EXPECT_EQ(def.countStrings[1].extra, 0);  // 9 is out of range
    EXPECT_EQ(def.countStrings[1].kind, 0);
    ASSERT_EQ(def.multiJudges.size(), 2u);
    EXPECT_EQ(def.multiJudges[0].text, "\n");
    EXPECT_EQ(def.multiJudges[0].countStringIndex, 1);
    EXPECT_EQ(def.multiJudges[0].value, 5);
    EXPECT_EQ(def.multiJudges[1].countStringIndex, -1);
    ASSERT_EQ(def.headerJudges.size(), 1u);
    const HeaderJudge& h = def.headerJudges[0];
    EXPECT_EQ(h.kind, 7);
    EXPECT_EQ(h.mode, 2);
    EXPECT_EQ(h.countStringIndex, 1);
    EXPECT_EQ(h.value, -1);
    EXPECT_EQ(h.b1, 8);
    EXPECT_EQ(h.b2, 5);
    EXPECT_EQ(h.n, 2);
    EXPECT_EQ(h.secondValues[0], 3);
    EXPECT_EQ(h.secondB1[0], 1);
    EXPECT_EQ(h.secondB2[0], 2);
    EXPECT_EQ(h.secondIndexes[1], -1);
    EXPECT_EQ(h.m, 1);
    EXPECT_EQ(h.thirdValues[0], 9);
    EXPECT_EQ(h.thirdB1[0], 8);
    EXPECT_EQ(h.thirdB3[0], 4);
    EXPECT_EQ(h.thirdB2[0], 5);

    const std::string cs = "[CNTSTR]\n1\n0\nA\n";
    const std::string failing[] = {
        cs + "[MULTJDG]\n1\nt\n1,0\n",  // index past the counting strings
        cs + "[MULTJDG]\n1\nt\n-2,0\n",
        cs + "[MULTJDG]\n1\nt\n0,-1\n",  // value below 0
        cs + "[MULTJDG]\n1\nt\n0\n",     // value missing
        "[MULTJDG]\n1\nt\n0,0\n",        // no counting strings: index 0 is out of range
        cs + "[HEADJDG]\n65\n",
        cs + "[HEADJDG]\n1\n8\n",
        cs + "[HEADJDG]\n1\n0,3\n",
        cs + "[HEADJDG]\n1\n0\n0,-2\n",
        cs + "[HEADJDG]\n1\n0\n0,0,9\n",
        cs + "[HEADJDG]\n1\n0\n0,0,0,6\n",
        cs + "[HEADJDG]\n1\n0\n0,0\n9\n",
        cs + "[HEADJDG]\n1\n0\n0,0\n1\n0\n",
        cs + "[HEADJDG]\n1\n0\n0,0\n0\n17\n",
        cs + "[HEADJDG]\n1\n0\n0,0\n0\n1\n0,0,0,5\n",  // b3 above 4
    };
    for (const std::string& text : failing) {
        ExtensionDefinition d;
        EXPECT_EQ(parse(text, d), -1) << text;
    }
    // [MULTJDG] counts out of range only read nothing.
    EXPECT_TRUE(parsed("[MULTJDG]\n9\nt\n").multiJudges.empty());
}

TEST(ExtensionParser, PreprocessorRules) {
    const ExtensionDefinition def = parsed(
        "[PREPRO]\n5\n"
        "2,1,1,0,0\n#ifdef\n#else\n#endif\n"
        "9,1\n#include\n"          // partCount out of range: a one-line directive
        "0,0,2\n#pragma\n"         // one kind for the single part
        "1,5,3,2,2,2\n#if\n#fi\n"  // polarity 5 -> 0, kind 3 -> 0, kinds past partCount+1 unused
        "1\nDlmt\nNone\n",
        1);
    const auto& r = def.preprocessorRules;
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0].partCount, 2);
    EXPECT_EQ(r[0].polarity, 1);
    EXPECT_EQ(r[0].partKinds[0], 1);
    EXPECT_EQ(r[0].parts[2], "#endif");
    EXPECT_EQ(r[1].partCount, 0);
    EXPECT_EQ(r[1].polarity, 1);
    EXPECT_EQ(r[1].parts[0], "#include");
    EXPECT_EQ(r[2].partKinds[0], 2);
    EXPECT_EQ(r[3].polarity, 0);
    EXPECT_EQ(r[3].partKinds[0], 0);
    EXPECT_EQ(r[3].partKinds[1], 2);
    EXPECT_EQ(r[3].partKinds[2], 0);
    EXPECT_EQ(r[4].parts[0], "\r");
    EXPECT_EQ(r[4].parts[1], "");
}

TEST(ExtensionParser, ScalarsNumbersAndEndRules) {
    const ExtensionDefinition def = parsed(
        "[NONUM]\n +1xyz\n[ALLCOUNT]\n2\n[CMTCOUNT]\n\t1\n[SPCCOUNT]\nyes\n[STDELBYTE]\n32767\n"
        "[STRIFLG]\n-1\n[STRNOTDLMT]\n99999999999999999999999\n"
        "[CLSEND]\n1\n5,3,-7\n[CLRSTCMT]\n1\n64,9,2147483647\n");
    EXPECT_EQ(def.leadingNumbers, 1);
    EXPECT_EQ(def.allCount, 0);
    EXPECT_EQ(def.commentCount, 1);
    EXPECT_EQ(def.spaceCount, 0);
    EXPECT_EQ(def.deleteLeadingBytes, 32767);
    EXPECT_EQ(def.stringFlag, 0);
    EXPECT_EQ(def.multiLineStrings, 0);
    EXPECT_EQ(def.classEnd, (EndRule{1, 5, 3, -7}));
    EXPECT_EQ(def.clearComment, (EndRule{1, 0, 0, 2147483647}));
    EXPECT_EQ(parsed("[STDELBYTE]\n32768\n").deleteLeadingBytes, 0);
    // A disabled end rule reads no second line: "7" is then an unknown line.
    EXPECT_EQ(parsed("[CLSEND]\n0\n7\n").classEnd, EndRule{});
    EXPECT_EQ(parsed("[CLSEND]\n2\n7\n").classEnd, EndRule{});
}

TEST(ExtensionParser, RepeatedKeywordReplacesEarlierValues) {
    const ExtensionDefinition def = parsed(
        "[EXTNAME]\nA\n[COMMENT]\n2\n0\n//\n1\n/*\n*/\n[PREPRO]\n1\n1,0,1,1\n#a\n#b\n"
        "[EXTNAME]\nB\n[COMMENT]\n1\n0\n#\n[PREPRO]\n1\n1\n#c\n#d\n[CLSEND]\n1\n3\n[CLSEND]\n1\n"
        "4\n");
    EXPECT_EQ(def.name, "B");
    ASSERT_EQ(def.commentRules.size(), 1u);
    EXPECT_EQ(def.commentRules[0].strings[0], "#");
    ASSERT_EQ(def.preprocessorRules.size(), 1u);
    EXPECT_EQ(def.preprocessorRules[0].partKinds[0], 0);  // nothing left over from #a
    EXPECT_EQ(def.classEnd.value1, 4);
}

TEST(ExtensionParser, MacroCountAtLoadAndMacroLines) {
    EXPECT_EQ(parsed("[MACRO]\n2\nA,1\n//+-\nB\n").macroCount, 2);
    // A count above 10000 is out of range when loading: no lines are taken as macros.
    EXPECT_EQ(parsed("[MACRO]\n10001\n[NONUM]\n1\n").leadingNumbers, 1);
    EXPECT_EQ(parsed("[MACRO]\n10001\n").macroCount, 0);

    EXPECT_EQ(parseMacroLine("FOO"), (MacroEntry{"FOO", 0, 0}));
    EXPECT_EQ(parseMacroLine("FOO,5"), (MacroEntry{"FOO", 5, 0}));
    EXPECT_EQ(parseMacroLine("FOO,-5,2"), (MacroEntry{"FOO", -5, 2}));
    EXPECT_EQ(parseMacroLine("FOO,5,4"), (MacroEntry{"FOO", 5, 0}));
    EXPECT_EQ(parseMacroLine("FOO,x,3"), (MacroEntry{"FOO", 0, 3}));
    EXPECT_EQ(parseMacroLine("FOO,,7"), (MacroEntry{"FOO", 7, 0}));
    EXPECT_EQ(parseMacroLine(""), (MacroEntry{"", 0, 0}));
    EXPECT_EQ(parseMacroLine(std::string(70, 'M')).name.size(), 63u);
}

TEST(ExtensionParser, MacroListReader) {
    std::vector<MacroEntry> list;
    // The last [MACRO] wins; comment lines are not macro lines; a value line of another keyword
    // that reads "[MACRO]" is a value, not a keyword.
    EXPECT_EQ(readMacroList("[MACRO]\n1\nOLD\n[DELSTR]\n1\n[MACRO]\n[MACRO]\n2\nA,1,1\n//+-\nB,2\n",
                            list),
              2);
    EXPECT_EQ(list, (std::vector<MacroEntry>{{"A", 1, 1}, {"B", 2, 0}}));
    // A missing line ends the list.
    EXPECT_EQ(readMacroList("[MACRO]\n5\nA\nB", list), 2);
    EXPECT_EQ(list[1].name, "B");
    // Negative or non-numeric counts read nothing, counts above 10000 read 10000.
    EXPECT_EQ(readMacroList("[MACRO]\n-3\nA\n", list), 0);
    EXPECT_EQ(readMacroList("[MACRO]\nmany\nA\n", list), 0);
    std::string big = "[MACRO]\n20000\n";
    for (int i = 0; i < 10005; ++i) {
        big += "M" + std::to_string(i) + "," + std::to_string(i) + "\n";
    }
    EXPECT_EQ(readMacroList(big, list), 10000);
    EXPECT_EQ(list.back(), (MacroEntry{"M9999", 9999, 0}));
    // No [MACRO]: an empty list, even when the file would fail to load.
    list.assign(3, MacroEntry{});
    EXPECT_EQ(readMacroList("[EXTNAME]\nX\n[DELSTR]\n5\n", list), 0);
    EXPECT_TRUE(list.empty());
}

TEST(ExtensionParser, CrLfTextReadsLikeLf) {
    test::ExtensionWriter w("PAS");
    w.nestedComment("(*", "*)", "(*", "*)").lineComment("//").stringRule("'", "'", "''");
    const std::string crlf = toTextMode(w.text());
    EXPECT_EQ(parsed(crlf), w.expected(0));
}

// Random definitions within the format's limits survive writing and reading unchanged.
class RandomDefinition {
  public:
    explicit RandomDefinition(unsigned seed) : rng_(seed) {}

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    std::string text(std::size_t maxLen, bool allowEmpty = true, bool lineEndOk = false) {
        if (lineEndOk && pick(0, 9) == 0) {
            return "\n";
        }
        static const std::string chars = "abcXYZ019 #/*(){}<>=!\"'\\;:%$_";
        const int len = pick(allowEmpty ? 0 : 1, static_cast<int>(maxLen));
        std::string s;
        for (int i = 0; i < len; ++i) {
            s += chars[static_cast<std::size_t>(pick(0, static_cast<int>(chars.size()) - 1))];
        }
        return s;
    }

    DelimitedRule delimited() {
        DelimitedRule r;
        r.endCount = static_cast<std::int16_t>(pick(0, 8));
        r.matchFlags = static_cast<std::int16_t>(pick(0, 15));
        r.column = static_cast<std::int16_t>(pick(0, 32767));
        for (int s = 0; s <= r.endCount; ++s) {
            r.strings[static_cast<std::size_t>(s)] = text(63, true, true);
        }
        if (pick(0, 1) == 1) {
            r.nestOpen = text(4, false);
            r.nestClose = text(4, false);
        }
        return r;
    }

    test::ExtensionWriter make() {
        test::ExtensionWriter w(text(31, false));
        ExtensionDefinition& d = w.definition();
        d.leadingNumbers = static_cast<std::int16_t>(pick(0, 1));
        d.allCount = static_cast<std::int16_t>(pick(0, 1));
        d.commentCount = static_cast<std::int16_t>(pick(0, 1));
        d.spaceCount = static_cast<std::int16_t>(pick(0, 1));
        d.deleteLeadingBytes = static_cast<std::int16_t>(pick(0, 32767));
        d.stringFlag = static_cast<std::int16_t>(pick(0, 1));
        d.multiLineStrings = static_cast<std::int16_t>(pick(0, 1));
        d.commentRules.resize(static_cast<std::size_t>(pick(0, 6)));
        for (auto& r : d.commentRules) {
            r = delimited();
        }
        d.noCountRules.resize(static_cast<std::size_t>(pick(0, 3)));
        for (auto& r : d.noCountRules) {
            r = delimited();
        }
        d.stringRules.resize(static_cast<std::size_t>(pick(0, 8)));
        for (auto& r : d.stringRules) {
            r = StringRule{text(15), text(15), text(15, true, true)};
        }
        d.countStrings.resize(static_cast<std::size_t>(pick(0, 4)));
        for (auto& c : d.countStrings) {
            c.extra = static_cast<std::int16_t>(pick(0, 8));
            c.kind = static_cast<std::int16_t>(pick(0, 7));
            for (int s = 0; s <= c.extra; ++s) {
                c.strings[static_cast<std::size_t>(s)] = text(126, true, true);
            }
        }
        const int cs = static_cast<int>(d.countStrings.size());
        d.multiJudges.resize(static_cast<std::size_t>(pick(0, 8)));
        for (auto& m : d.multiJudges) {
            m = MultiJudge{text(126, true, true), static_cast<std::int16_t>(pick(-1, cs - 1)),
                           pick(0, 1 << 30)};
        }
        d.headerJudges.resize(static_cast<std::size_t>(pick(0, 3)));
        for (auto& h : d.headerJudges) {
            h.kind = static_cast<std::int16_t>(pick(0, 7));
            h.mode = static_cast<std::int16_t>(pick(0, 2));
            h.countStringIndex = static_cast<std::int16_t>(pick(-1, cs - 1));
            h.value = pick(-1, 1000);
            h.b1 = static_cast<std::uint8_t>(pick(0, 8));
            h.b2 = static_cast<std::uint8_t>(pick(0, 5));
            h.n = static_cast<std::int16_t>(pick(0, 8));
            for (std::size_t k = 0; k < static_cast<std::size_t>(h.n); ++k) {
                h.secondIndexes[k] = static_cast<std::int16_t>(pick(-1, cs - 1));
                h.secondValues[k] = pick(-1, 1000);
                h.secondB1[k] = static_cast<std::uint8_t>(pick(0, 8));
                h.secondB2[k] = static_cast<std::uint8_t>(pick(0, 5));
            }
            h.m = static_cast<std::int16_t>(pick(0, 16));
            for (std::size_t k = 0; k < static_cast<std::size_t>(h.m); ++k) {
                h.thirdIndexes[k] = static_cast<std::int16_t>(pick(-1, cs - 1));
                h.thirdValues[k] = pick(-1, 1000);
                h.thirdB1[k] = static_cast<std::uint8_t>(pick(0, 8));
                h.thirdB2[k] = static_cast<std::uint8_t>(pick(0, 5));
                h.thirdB3[k] = static_cast<std::uint8_t>(pick(0, 4));
            }
        }
        d.classJudges.resize(static_cast<std::size_t>(pick(0, 8)));
        for (auto& c : d.classJudges) {
            c = ClassJudge{text(31, false), static_cast<std::int16_t>(pick(-32768, 32767))};
        }
        d.regionRules.resize(static_cast<std::size_t>(pick(0, 8)));
        for (auto& r : d.regionRules) {
            r = RegionRule{static_cast<std::int16_t>(pick(0, 1)), text(126), text(126), text(30),
                           text(127)};
        }
        d.preprocessorRules.resize(static_cast<std::size_t>(pick(0, 6)));
        for (auto& r : d.preprocessorRules) {
            r.partCount = static_cast<std::int16_t>(pick(0, 8));
            r.polarity = static_cast<std::int16_t>(pick(0, 1));
            for (int p = 0; p <= r.partCount; ++p) {
                r.partKinds[static_cast<std::size_t>(p)] = static_cast<std::int16_t>(pick(0, 2));
                r.parts[static_cast<std::size_t>(p)] = text(126, true, true);
            }
        }
        for (int i = pick(0, 20); i > 0; --i) {
            w.macro(text(63, false), pick(-100000, 100000), pick(0, 3));
        }
        for (int i = pick(0, 5); i > 0; --i) {
            w.nonComment(text(126));
        }
        for (int i = pick(0, 5); i > 0; --i) {
            w.deleteString(text(126));
        }
        for (int i = pick(0, 8); i > 0; --i) {
            w.excludedFile(text(31));
        }
        if (pick(0, 1) == 1) {
            d.classEnd = EndRule{1, static_cast<std::int16_t>(pick(0, 63)),
                                 static_cast<std::int16_t>(pick(0, 8)), pick(-5000, 5000)};
        }
        if (pick(0, 1) == 1) {
            d.clearComment = EndRule{1, static_cast<std::int16_t>(pick(0, 63)),
                                     static_cast<std::int16_t>(pick(0, 8)), pick(-5000, 5000)};
        }
        d.stepJoin = text(31);
        return w;
    }

  private:
    std::mt19937 rng_;
};

TEST(ExtensionParser, WrittenDefinitionsReadBackUnchanged) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        RandomDefinition gen(seed);
        const test::ExtensionWriter w = gen.make();
        ExtensionDefinition def;
        // [DELIMIT] 2: a line-feed value is written as "Dlmt" and reads back as LF.
        ExtensionTable table;
        ASSERT_EQ(parseExtensionDefinition(w.text(), table, 7, 2, def), 0) << w.text();
        ASSERT_EQ(def, w.expected(7)) << "seed " << seed << "\n" << w.text();
        std::vector<MacroEntry> macros;
        readMacroList(w.text(), macros);
        ASSERT_EQ(macros, w.macros()) << "seed " << seed;
    }
}

}  // namespace
}  // namespace tavelin
