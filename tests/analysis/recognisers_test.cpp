// Matching rules, string literals, comments, no-count areas, regions and listed strings.

#include "analysis/recognisers.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "scan_fixtures.h"

namespace tavelin {
namespace {

using analysis::UString;
using test::blockRule;
using test::bytes;
using test::lineRule;
using test::show;

UString<unsigned char> u8(const std::string& s) {
    return UString<unsigned char>(s.begin(), s.end());
}

std::int32_t flex(const std::string& text, const std::string& pat, bool fold = false) {
    const auto t = bytes(text);
    return analysis::matchFlexible<unsigned char>(fold, t.data(),
                                                  static_cast<std::int32_t>(t.size()), 0, u8(pat));
}

std::int32_t wild(const std::string& text, const std::string& pat, bool fold = false) {
    const auto t = bytes(text);
    return analysis::matchWildcard<unsigned char>(
        fold, t.data(), static_cast<std::int32_t>(t.size()), 0, u8(pat), nullptr);
}

TEST(Matching, FlexibleTreatsSpaceAndTabAlikeAndSkipsExtraBlanksAfterAPatternBlank) {
    EXPECT_EQ(flex("a\tb", "a b"), 3);
    EXPECT_EQ(flex("a   b", "a b"), 5);
    EXPECT_EQ(flex("a  b", "ab"), 0);   // no pattern blank matched yet
    EXPECT_EQ(flex("abc", "abcd"), 0);  // text ends first
    EXPECT_EQ(flex("ab\0c", std::string("abc")), 0);
    EXPECT_EQ(flex("rem x", "REM", true), 3);
    EXPECT_EQ(flex("rem x", "REM", false), 0);
    EXPECT_EQ(flex("x", ""), 0);
    const auto t = bytes("x");
    EXPECT_EQ(analysis::matchCommentDelimiter<unsigned char>(false, t.data(), 1, 0, u8("")), 1);
    EXPECT_EQ(analysis::matchCommentDelimiter<unsigned char>(false, t.data(), 1, 1, u8("")), 0);
}

TEST(Matching, WildcardSwallowsBlanksAndStarRuns) {
    EXPECT_EQ(wild("<script language=x>rest", "<script*>"), 19);
    EXPECT_EQ(wild("<SCRIPT>", "<script*>", true), 8);
    EXPECT_EQ(wild("<SCRIPT>", "<script*>", false), -1);
    EXPECT_EQ(wild("<script", "<script*"), -1);  // a final star is never satisfied
    EXPECT_EQ(wild("<script x", "<script*"), -1);
    EXPECT_EQ(wild("a\t \tb", "a b"), 5);
    EXPECT_EQ(wild("ab", "a b"), 2);       // a blank in the pattern also takes no blank
    EXPECT_EQ(wild("<s\nx>", "<s*>"), 5);  // line ends are ordinary here
    EXPECT_EQ(wild("<sx", "<s*>"), -1);
}

TEST(Matching, StandAloneAndColumn) {
    const auto t = bytes("ab rem x_rem rem1\nrem");
    const auto n = static_cast<std::int32_t>(t.size());
    EXPECT_TRUE(analysis::isStandAlone(t.data(), n, 3, 3));
    EXPECT_FALSE(analysis::isStandAlone(t.data(), n, 9, 3));   // after '_'
    EXPECT_FALSE(analysis::isStandAlone(t.data(), n, 13, 3));  // followed by '1'
    EXPECT_TRUE(analysis::isStandAlone(t.data(), n, 18, 3));   // at the end of the text
    EXPECT_EQ(analysis::columnOf(t.data(), 0), 1);
    EXPECT_EQ(analysis::columnOf(t.data(), 3), 4);
    EXPECT_EQ(analysis::columnOf(t.data(), 18), 1);
    EXPECT_TRUE(analysis::columnIs(t.data(), 18, 1));
    EXPECT_TRUE(analysis::columnIs(t.data(), 3, 4));
    EXPECT_FALSE(analysis::columnIs(t.data(), 3, 3));
    EXPECT_FALSE(analysis::columnIs(t.data(), 3, 5));
}

// Runs deleteComments over text and returns it with NULs shown.
std::string comments(const ExtensionDefinition& def, const std::string& text, int delimit = 2,
                     int cmtml = 0, std::int32_t* count = nullptr, int codeNo = 0) {
    auto t = bytes(text);
    const std::int32_t c = analysis::deleteComments<unsigned char>(
        t, &def, PassOptions{delimit, cmtml, codeNo}, RuleEnvironment{});
    if (count != nullptr) {
        *count = c;
    }
    return show(t);
}

TEST(StringLiterals, EscapesLineEndsAndMultiLineStrings) {
    ExtensionDefinition d = test::cLike();
    std::int32_t count = 0;
    EXPECT_EQ(comments(d, "\"a\\\"b\" // c", 2, 0, &count), "\"a\\\"b\" ~~~~");
    EXPECT_EQ(count, 4);
    // An unterminated literal ends at the line end unless multi-line strings are on.
    EXPECT_EQ(comments(d, "\"a\n// b"), "\"a\n~~~~");
    d.multiLineStrings = 1;
    EXPECT_EQ(comments(d, "\"a\n// b"), "\"a\n// b");
    // An escaped CR LF is one step: the line end after an escape never ends the literal.
    d.multiLineStrings = 0;
    EXPECT_EQ(comments(d, "\"a\\\r\n// b\"", 0), "\"a\\\r\n// b\"");
    // A literal that runs to the end of the buffer.
    EXPECT_EQ(comments(d, "x \"abc\\"), "x \"abc\\");
}

// Literals of one-unit ends and escapes take a reduced walk; it must end every literal where
// the general walk ends it, in both unit widths, every line-end mode and code number.
template <class U>
void compareLiteralWalks(std::mt19937& rng) {
    const char* const pieces[] = {"\"", "'", "\\", "a", "\r", "\n", "\r\n", "\x82", "\xA0", "#"};
    const std::vector<StringRule> ruleSets[] = {
        {StringRule{"\"", "\"", "\\"}, StringRule{"'", "'", "\\"}},
        {StringRule{"'", "'", ""}},        // no escape
        {StringRule{"#", "#", "#"}},       // the escape is the end unit
        {StringRule{"\"", "\"\"", "\\"}},  // a longer end: the general walk only
    };
    for (int round = 0; round < 3000; ++round) {
        ExtensionDefinition d = test::cLike();
        d.stringRules = ruleSets[rng() % 4];
        d.multiLineStrings = static_cast<int>(rng() % 2);
        std::basic_string<U> text;
        const int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) {
            for (const char* c = pieces[rng() % 10]; *c != 0; ++c) {
                text.push_back(static_cast<U>(static_cast<unsigned char>(*c)));
            }
        }
        const PassOptions opt{static_cast<int>(rng() % 4), 0, static_cast<int>(rng() % 4)};
        const auto len = static_cast<std::int32_t>(text.size());
        analysis::RuleCache<U> cache(&d, {});
        analysis::Scanner<U> quick(text.data(), len, opt, cache);
        analysis::Scanner<U> general(text.data(), len, opt, cache);
        general.setQuickLiterals(false);
        for (std::int32_t p = 0; p < len; ++p) {
            ASSERT_EQ(quick.scanStringLiteral(p), general.scanStringLiteral(p))
                << "round " << round << " at " << p;
        }
    }
}

TEST(StringLiterals, ReducedWalkEndsEveryLiteralWhereTheGeneralOneDoes) {
    std::mt19937 rng(5);
    compareLiteralWalks<unsigned char>(rng);
    compareLiteralWalks<char16_t>(rng);
}

TEST(StringLiterals, ShiftJisTrailBytesAreNotEscapes) {
    ExtensionDefinition d = test::cLike();
    // 0x95 0x5C is one double-byte character whose trail byte is a backslash.
    const std::string text = "\"\x95\x5C\" // c";
    EXPECT_EQ(comments(d, text, 2, 0, nullptr, 2), "\"\x95\x5C\" ~~~~");
    // Read as ANSI the backslash escapes the quote and the literal swallows the comment.
    EXPECT_EQ(comments(d, text, 2, 0, nullptr, 0), text);
}

TEST(StringLiterals, HereDocumentsEndAtALineThatStartsWithTheirWord) {
    ExtensionDefinition d;
    d.commentRules = {lineRule("#")};
    d.stringRules = {StringRule{"<<%s", "%s", ""}};
    EXPECT_EQ(comments(d, "x <<EOF\n# a XEOF\nEOF\n# c"), "x <<EOF\n# a XEOF\nEOF\n~~~");
    // Quotes and dashes around the word are stripped for the terminator, which may be
    // followed by a blank.
    EXPECT_EQ(comments(d, "x <<-'EOF'\n# a\nEOF # b\n# c"), "x <<-'EOF'\n# a\nEOF ~~~\n~~~");
    // "EOFX" is not the terminator.
    EXPECT_EQ(comments(d, "<<EOF\nEOFX\n# a"), "<<EOF\nEOFX\n# a");
}

TEST(Comments, LineAndBlockFormsAndNonCommentStrings) {
    ExtensionDefinition d = test::cLike();
    d.nonComments = {"://"};
    std::int32_t count = 0;
    EXPECT_EQ(comments(d, "a://b // c", 2, 0, &count), "a://b ~~~~");
    EXPECT_EQ(count, 3 + 4);
    EXPECT_EQ(comments(d, "a /* x\ny */ b"), "a ~~~~~~~~~ b");
    // An open block comment at the end stays but still counts.
    EXPECT_EQ(comments(d, "a /* x", 2, 0, &count), "a /* x");
    EXPECT_EQ(count, 4);
    // A line comment with [DELIMIT] 3 leaves the CR of CR LF in place.
    EXPECT_EQ(comments(d, "a // b\r\nc", 3), "a ~~~~\r\nc");
    // A line comment at the very end reaches the end.
    EXPECT_EQ(comments(d, "a //"), "a ~~");
}

TEST(Comments, NestingFollowsTheSettingAndTheNestingPair) {
    ExtensionDefinition d;
    d.commentRules = {blockRule("(*", "*)")};
    EXPECT_EQ(comments(d, "(* a (* b *) c *) d", 2, 1), "~~~~~~~~~~~~~~~~~ d");
    EXPECT_EQ(comments(d, "(* a (* b *) c *) d", 2, 0), "~~~~~~~~~~~~ c *) d");
    // A nesting pair equal to the rule's strings still ends at the first end string.
    d.commentRules = {blockRule("(*", "*)", 0, "(*", "*)")};
    EXPECT_EQ(comments(d, "(* a (* b *) c *) d", 2, 0), "~~~~~~~~~~~~ c *) d");
    d.commentRules = {blockRule("(*", "*)", 0, "{", "}")};
    EXPECT_EQ(comments(d, "(* a { b } c *) d"), "~~~~~~~~~~~~~~~ d");
    EXPECT_EQ(comments(d, "(* a { b *) c } *) d"), "~~~~~~~~~~~~~~~~~~ d");
}

TEST(Comments, SixteenLevelsAtMost) {
    ExtensionDefinition d;
    d.commentRules = {blockRule("(", ")")};
    const std::string deep = std::string(17, '(') + std::string(17, ')') + "x";
    // The 17th opener is ordinary text, so the comment ends one closer early.
    EXPECT_EQ(comments(d, deep, 2, 1), std::string(33, '~') + ")x");
}

TEST(Comments, PlacementCaseAndLineHead) {
    ExtensionDefinition d;
    d.commentRules = {lineRule("*", 2, 1)};
    EXPECT_EQ(comments(d, "* x\na * b\n*"), "~~~\na * b\n~");
    d.commentRules = {lineRule("rem", 1 | 4)};
    EXPECT_EQ(comments(d, "REM x\nremark\na REM"), "~~~~~\nremark\na ~~~");
    // Bit 3 clears the line from its start up to the comment too.
    d.commentRules = {lineRule(";", 8)};
    EXPECT_EQ(comments(d, "ab\ncd ; x\nef"), "ab\n~~~~~~\nef");
}

TEST(Comments, RulesWithEmptyOrOversizedStringsStayInsideTheBuffer) {
    ExtensionDefinition d;
    d.commentRules = {blockRule("", "")};
    std::int32_t count = 0;
    // An empty start and an empty end match one unit each: "ab" is a comment, and the one
    // that starts at 'c' is still open at the end.
    EXPECT_EQ(comments(d, "abc", 2, 0, &count), "~~c");
    EXPECT_EQ(count, 3);
    d.commentRules = {blockRule("/*", std::string(60, '*'))};
    EXPECT_EQ(comments(d, "/**"), "/**");
    d.commentRules = {lineRule(std::string(63, '#'))};
    EXPECT_EQ(comments(d, "##"), "##");
}

std::string noCount(const ExtensionDefinition& def, const std::string& text, int delimit = 2,
                    std::int32_t* count = nullptr) {
    auto t = bytes(text);
    const std::int32_t c = analysis::deleteNoCountAreas<unsigned char>(
        t, &def, PassOptions{delimit, 0, 0}, RuleEnvironment{});
    if (count != nullptr) {
        *count = c;
    }
    return show(t);
}

TEST(NoCountAreas, BlockAreaTakesTrailingBlanksAndCountsTheLineEnd) {
    ExtensionDefinition d = test::cLike();
    d.noCountRules = {blockRule("BEGIN", "END")};
    std::int32_t count = 0;
    EXPECT_EQ(noCount(d, "a\nBEGIN x\ny END  \t\nz", 2, &count), "a\n~~~~~~~~~~~~~~~~\nz");
    EXPECT_EQ(count, 16 + 1);
    EXPECT_EQ(noCount(d, "BEGIN x END q\nz", 2, &count), "~~~~~~~~~~~~q\nz");
    // Comments and literals inside the area are skipped whole.
    EXPECT_EQ(noCount(d, "BEGIN \"END\" /* END */ END\nz"), std::string(25, '~') + "\nz");
    // Left open at the end: nothing is deleted, the length still counts.
    EXPECT_EQ(noCount(d, "BEGIN x", 2, &count), "BEGIN x");
    EXPECT_EQ(count, 7);
}

TEST(NoCountAreas, LineFormsNestingAndStandAlone) {
    ExtensionDefinition d;
    d.noCountRules = {lineRule("NC", 1), blockRule("[", "]")};
    std::int32_t count = 0;
    EXPECT_EQ(noCount(d, "NC x\r\ny", 0, &count), "~~~~\r\ny");
    EXPECT_EQ(count, 4 + 2);
    EXPECT_EQ(noCount(d, "xNC x\ny"), "xNC x\ny");
    EXPECT_EQ(noCount(d, "a [ b [ c ] d ] e"), "a ~~~~~~~~~~~~~~e");
    d.noCountRules = {lineRule("NC", 8)};
    EXPECT_EQ(noCount(d, "ab NC x\ny"), "~~~~~~~\ny");
}

TEST(Regions, SwitchRulesInsideARegionAndBack) {
    ExtensionTable table;
    table.extensionCount = 2;
    ExtensionDefinition& html = table.definitions[0];
    html.name = "html";
    html.commentRules = {blockRule("<!--", "-->")};
    RegionRule r;
    r.caseInsensitive = 1;
    r.startPattern = "<script*>";
    r.endPattern = "</script>";
    r.extensionName = "js";
    html.regionRules = {r};
    ExtensionDefinition& js = table.definitions[1];
    js.name = "js";
    js.extensionNumber = 1;
    js.commentRules = {lineRule("//")};
    RuleEnvironment env;
    env.table = &table;
    auto t = bytes("// a <!-- b -->\n<SCRIPT language=x>// c\n<!-- d\n</script>// e <!--f-->");
    analysis::deleteComments<unsigned char>(t, &html, PassOptions{2, 0, 0}, env);
    EXPECT_EQ(show(t), "// a ~~~~~~~~~~\n<SCRIPT language=x>~~~~\n<!-- d\n</script>// e ~~~~~~~~");
    // Without the table the region cannot switch.
    auto u = bytes("<script>// c");
    analysis::deleteComments<unsigned char>(u, &html, PassOptions{2, 0, 0}, RuleEnvironment{});
    EXPECT_EQ(show(u), "<script>// c");
}

TEST(Regions, FifteenLevelsAreRemembered) {
    ExtensionTable table;
    table.extensionCount = 2;
    RegionRule r;
    r.startPattern = "<";
    r.endPattern = ">";
    r.extensionName = "inner";
    table.definitions[0].name = "outer";
    table.definitions[0].regionRules = {r};
    table.definitions[1].name = "inner";
    table.definitions[1].extensionNumber = 1;
    table.definitions[1].regionRules = {r};
    table.definitions[1].commentRules = {lineRule("#")};
    RuleEnvironment env;
    env.table = &table;
    auto run = [&](int opens, int closes) {
        auto t = bytes(std::string(static_cast<std::size_t>(opens), '<') +
                       std::string(static_cast<std::size_t>(closes), '>') + "# x");
        analysis::deleteComments<unsigned char>(t, &table.definitions[0], PassOptions{2, 0, 0},
                                                env);
        return show(t).substr(static_cast<std::size_t>(opens + closes));
    };
    EXPECT_EQ(run(15, 14), "~~~");  // one region still open: the inner rules apply
    EXPECT_EQ(run(15, 15), "# x");  // all closed: back to the outer rules
    // The 16th start switches without being remembered, so 15 ends close everything.
    EXPECT_EQ(run(16, 15), "# x");
}

TEST(ListedStrings, RemovedOutsideLiteralsOnly) {
    ExtensionDefinition d = test::cLike();
    d.deleteStrings = {"", "EXEC", "END-EXEC"};
    auto t = bytes("EXEC SQL \"EXEC\" END-EXEC.");
    analysis::deleteListedStrings<unsigned char>(t, &d, PassOptions{2, 0, 0}, RuleEnvironment{});
    EXPECT_EQ(show(t), "~~~~ SQL \"EXEC\" ~~~~~~~~.");
}

// Stands in for the system code page: the Shift-JIS bracket pair 81 75 / 81 76 and ASCII.
std::u16string widenSjisBrackets(std::string_view s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == 0x81 && i + 1 < s.size()) {
            const auto t = static_cast<unsigned char>(s[++i]);
            out.push_back(t == 0x75 ? u'\u300C' : t == 0x76 ? u'\u300D' : u'?');
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

TEST(Definitions, Utf16TextComparesWithConvertedDefinitionStrings) {
    ExtensionDefinition d;
    d.commentRules = {blockRule("\x81\x75", "\x81\x76")};
    std::u16string text = u"a \u300Cnote\u300D b \u010C";  // U+010C shares the low byte 0x0C
    RuleEnvironment env;
    env.widen = &widenSjisBrackets;
    EXPECT_EQ(analysis::deleteComments<char16_t>(std::span<char16_t>(text), &d,
                                                 PassOptions{2, 0, 0}, env),
              6);
    EXPECT_EQ(text, std::u16string(u"a ") + std::u16string(6, u'\0') + u" b \u010C");
}

TEST(Definitions, AMissingDefinitionHasNoRules) {
    auto t = bytes("/* a */ // b");
    EXPECT_EQ(analysis::deleteComments<unsigned char>(t, nullptr, PassOptions{}, RuleEnvironment{}),
              0);
    EXPECT_EQ(show(t), "/* a */ // b");
}

}  // namespace
}  // namespace tavelin
