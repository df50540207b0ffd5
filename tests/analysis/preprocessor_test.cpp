// Directive blocks, branch states, macro lookup by side and the expression evaluator.

#include "analysis/preprocessor.h"

#include <gtest/gtest.h>

#include "scan_fixtures.h"

namespace tavelin {
namespace {

using test::bytes;
using test::directive;
using test::kept;
using test::show;

struct PassResult {
    std::string shown;
    std::string kept;
    std::int32_t count = 0;
};

PassResult prepro(const ExtensionDefinition& def, const std::string& text,
                  std::vector<MacroEntry> macros = {}, int side = 0, int delimit = 2) {
    auto t = bytes(text);
    FixedMacros provider(std::move(macros));
    RuleEnvironment env;
    env.macros = &provider;
    PassResult r;
    r.count =
        analysis::deletePreprocessor<unsigned char>(side, t, &def, PassOptions{delimit, 0, 0}, env);
    r.shown = show(t);
    r.kept = kept(t);
    return r;
}

MacroEntry macro(const std::string& name, int value = 0, int kind = 0) {
    MacroEntry m;
    m.name = name;
    m.value = value;
    m.kind = static_cast<std::int16_t>(kind);
    return m;
}

ExtensionDefinition ifdefOnly() {
    ExtensionDefinition d;
    d.commentRules = {test::lineRule("//"), test::blockRule("/*", "*/")};
    d.stringRules = {StringRule{"\"", "\"", "\\"}};
    d.preprocessorRules = {directive({"#ifdef", "#else", "#endif"}, {1, 0, 0}),
                           directive({"#if", "#elif", "#else", "#endif"}, {2, 2, 0, 0}),
                           directive({"#include"}, {0})};
    return d;
}

TEST(Preprocessor, IfdefKeepsTheBranchOfADefinedMacro) {
    const ExtensionDefinition d = ifdefOnly();
    const std::string text = "#ifdef FOO\na\n#else\nb\n#endif\nc\n";
    // A removed branch takes its line ends with it, so its lines merge.
    EXPECT_EQ(prepro(d, text, {macro("FOO")}).shown, "~~~~~~~~~~\na\n~~~~~~~~~~~~~~\nc\n");
    EXPECT_EQ(prepro(d, text).kept, "\nb\n\nc\n");
    // "#ifdef(FOO)" and extra blanks are the same test.
    EXPECT_EQ(prepro(d, "#ifdef(FOO)\na\n#else\nb\n#endif\n", {macro("FOO")}).kept, "\na\n\n");
    EXPECT_EQ(prepro(d, "#ifdef \t FOO\na\n#else\nb\n#endif\n", {macro("FOO")}).kept, "\na\n\n");
    // FOOBAR is not FOO.
    EXPECT_EQ(prepro(d, "#ifdef FOOBAR\na\n#else\nb\n#endif\n", {macro("FOO")}).kept, "\nb\n\n");
}

TEST(Preprocessor, MacroKindsApplyBySide) {
    const ExtensionDefinition d = ifdefOnly();
    const std::string text = "#ifdef M\na\n#else\nb\n#endif\n";
    EXPECT_EQ(prepro(d, text, {macro("M", 0, 1)}, 0).kept, "\na\n\n");
    EXPECT_EQ(prepro(d, text, {macro("M", 0, 1)}, 1).kept, "\nb\n\n");
    EXPECT_EQ(prepro(d, text, {macro("M", 0, 2)}, 1).kept, "\na\n\n");
    EXPECT_EQ(prepro(d, text, {macro("M", 0, 3)}, 0).kept, "\nb\n\n");
}

TEST(Preprocessor, ElifAndElseFollowTheFirstKeptBranch) {
    const ExtensionDefinition d = ifdefOnly();
    const std::string text = "#if X\na\n#elif 1\nb\n#else\nc\n#endif\n";
    EXPECT_EQ(prepro(d, text, {macro("X", 0)}).kept, "\nb\n\n");
    EXPECT_EQ(prepro(d, text, {macro("X", 1)}).kept, "\na\n\n");
    EXPECT_EQ(prepro(d, "#if 2\na\n#else\nb\n#endif\n").kept, "\nb\n\n");
    EXPECT_EQ(prepro(d, "#if 0\na\n#elif 0\nb\n#else\nc\n#endif\n").kept, "\nc\n\n");
}

TEST(Preprocessor, OneLineDirectivesKeepAFollowingComment) {
    const ExtensionDefinition d = ifdefOnly();
    const PassResult r = prepro(d, "#include <a.h> // why\nx\n");
    EXPECT_EQ(r.kept, "// why\nx\n");
    EXPECT_EQ(r.count, 21);  // up to the line end, the comment included
    EXPECT_EQ(prepro(d, "#include \"a//b.h\"\nx").kept, "\nx");
    // A directive word needs to stand alone.
    EXPECT_EQ(prepro(d, "#includes x\n").kept, "#includes x\n");
}

TEST(Preprocessor, TextAfterTheOuterClosingWordStaysAfterAnInnerOneItGoes) {
    const ExtensionDefinition d = ifdefOnly();
    EXPECT_EQ(prepro(d, "#if 1\na\n#endif tail\n").kept, "\na\n tail\n");
    EXPECT_EQ(prepro(d, "#if 1\n#if 1\na\n#endif inner\n#endif outer\n").kept, "\n\na\n\n outer\n");
}

TEST(Preprocessor, NestedBlocksInRemovedBranchesAreRemovedWhole) {
    const ExtensionDefinition d = ifdefOnly();
    const std::string text = "#if 0\na\n#if 1\nb\n#else\nc\n#endif\nd\n#else\ne\n#endif\n";
    EXPECT_EQ(prepro(d, text).kept, "\ne\n\n");
}

TEST(Preprocessor, UnterminatedBlocksClearEveryRemovedBranchToTheEnd) {
    const ExtensionDefinition d = ifdefOnly();
    // The outer branch is removed; the inner block is still open at the end. The text of the
    // outer branch before the inner block must go too.
    const PassResult r = prepro(d, "x\n#if 0\na\n#if 1\nb\n");
    EXPECT_EQ(r.kept, "x\n");
    EXPECT_EQ(r.count, static_cast<std::int32_t>(std::string("#if 0\na\n#if 1\nb\n").size()));
    EXPECT_EQ(prepro(d, "#if 1\na\n#if 0\nb\n").kept, "\na\n");
    EXPECT_EQ(prepro(d, "#if 1\na\n#else\nb").kept, "\na\n");
}

TEST(Preprocessor, SixteenLevelsAtMost) {
    const ExtensionDefinition d = ifdefOnly();
    std::string text;
    for (int i = 0; i < 17; ++i) {
        text += "#if 1\n";
    }
    text += "a\n";
    // The 17th "#if 1" is ordinary text of the innermost branch, so the 16th "#endif" closes
    // the outermost block and the 17th is not a directive any more.
    for (int i = 0; i < 17; ++i) {
        text += "#endif\n";
    }
    const PassResult r = prepro(d, text);
    EXPECT_EQ(r.kept, std::string(16, '\n') + "#if 1\na\n" + std::string(16, '\n') + "#endif\n");
}

TEST(Preprocessor, CommentsAndLiteralsInsideBlocksAreSkipped) {
    const ExtensionDefinition d = ifdefOnly();
    EXPECT_EQ(prepro(d, "#if 1\n\"#endif\" /* #else */\n#else\nb\n#endif\n").kept,
              "\n\"#endif\" /* #else */\n\n");
    // A comment on a directive line ends its operand text and belongs to the branch.
    EXPECT_EQ(prepro(d, "#ifdef X /* c */\na\n#endif\n", {macro("X")}).kept, "/* c */\na\n\n");
    EXPECT_EQ(prepro(d, "#if 0 /* c */\na\n#endif\n").kept, "\n");
}

std::int32_t evaluate(const std::string& expr, std::vector<MacroEntry> macros = {},
                      std::int32_t* covered = nullptr, int side = 0) {
    const ExtensionDefinition d = ifdefOnly();
    auto t = bytes(expr);
    FixedMacros provider(std::move(macros));
    RuleEnvironment env;
    env.macros = &provider;
    analysis::RuleCache<unsigned char> cache(&d, env);
    analysis::Scanner<unsigned char> sc(t.data(), static_cast<std::int32_t>(t.size()),
                                        PassOptions{2, 0, 0}, cache);
    analysis::Preprocessor<unsigned char> pp(sc, side, &provider);
    std::int32_t c = 0;
    const std::int32_t v = pp.evaluateCondition(0, c);
    if (covered != nullptr) {
        *covered = c;
    }
    return v;
}

TEST(Expressions, OperatorOrderAndGrouping) {
    const std::vector<MacroEntry> m = {macro("A", 1), macro("B", 2), macro("FOO", 1)};
    // ((A == (1 && B)) == 2)
    EXPECT_EQ(evaluate("A == 1 && B == 2", m), 0);
    EXPECT_EQ(evaluate("FOO+1", m), 2);
    EXPECT_EQ(evaluate("0x10"), 0);
    EXPECT_EQ(evaluate("12abc"), 12);
    EXPECT_EQ(evaluate("B - 3", m), -1);
    EXPECT_EQ(evaluate("B & 3 | 4", m), 6);
    EXPECT_EQ(evaluate("1 < 2 == 1"), 1);
    EXPECT_EQ(evaluate("3 >= 2"), 1);
    EXPECT_EQ(evaluate("2 != 2"), 0);
    // Parentheses do not group: (1 + 2) * ... has no '*', and "(B)" is just B.
    EXPECT_EQ(evaluate("(B) == 2", m), 1);
    EXPECT_EQ(evaluate("1 == -1"), 0);
    // An expression that ends with an operator returns the left value as it stands.
    EXPECT_EQ(evaluate("B ==", m), 2);
    EXPECT_EQ(evaluate("2147483647 + 1"), INT32_MIN);
    EXPECT_EQ(evaluate("99999999999"), INT32_MAX);
}

TEST(Expressions, DefinedNegationAndTheEndOfTheExpression) {
    const std::vector<MacroEntry> m = {macro("A", 5), macro("AFTER", 1, 1)};
    EXPECT_EQ(evaluate("defined(A)", m), 1);
    EXPECT_EQ(evaluate("defined A && defined Z", m), 0);
    EXPECT_EQ(evaluate("!defined(Z)", m), 1);
    EXPECT_EQ(evaluate("!A", m), ~5);
    EXPECT_EQ(evaluate("!0"), 1);
    EXPECT_EQ(evaluate("!!1"), 1);
    EXPECT_EQ(evaluate("defined AFTER", m, nullptr, 0), 1);
    EXPECT_EQ(evaluate("defined AFTER", m, nullptr, 1), 0);
    std::int32_t covered = 0;
    EXPECT_EQ(evaluate("1 // 0\nnext", {}, &covered), 1);
    EXPECT_EQ(covered, 2);
    EXPECT_EQ(evaluate("1 == 1\r\n", {}, &covered), 1);
    EXPECT_EQ(covered, 6);
    // The same through the UTF-16 form.
    std::u16string wide = u"A + 1 == 6 // x";
    FixedMacros provider({macro("A", 5)});
    RuleEnvironment env;
    env.macros = &provider;
    const ExtensionDefinition d = ifdefOnly();
    EXPECT_EQ(analysis::evaluateCondition<char16_t>(0, std::span<char16_t>(wide), &d, env, covered),
              1);
    EXPECT_EQ(covered, 11);
    // A token longer than 127 units is cut, not overrun.
    EXPECT_EQ(evaluate(std::string(500, '7')), INT32_MAX);
}

}  // namespace
}  // namespace tavelin
