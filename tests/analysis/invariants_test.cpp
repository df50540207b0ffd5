// Randomised checks of properties every pass and the whole analysis must keep, whatever the
// text and settings: passes only clear units, compaction keeps the rest in order, the 8-bit and
// UTF-16 forms agree on ASCII text, and the counts add up.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "analysis/line_scanner.h"
#include "scan_fixtures.h"
#include "text/line_count.h"

namespace tavelin {
namespace {

using analysis::SpaceMode;

const char* const kPieces[] = {"/*",      "*/",       "//",    "\"",  "'",    "\\",    "\n",
                               "\r",      "\r\n",     " ",     "\t",  "#if ", "#else", "#endif",
                               "#ifdef ", "#include", "X",     "1",   "0",    "a",     "b",
                               "==",      "&&",       "BEGIN", "END", "EXEC", "<s>",   "</s>",
                               "://",     "\x01",     "{",     "}"};

std::string randomText(std::mt19937& rng) {
    std::string s;
    const int pieces = static_cast<int>(rng() % 60);
    for (int i = 0; i < pieces; ++i) {
        s += kPieces[rng() % (sizeof(kPieces) / sizeof(kPieces[0]))];
    }
    return s;
}

ExtensionDefinition randomDefinition(std::mt19937& rng) {
    ExtensionDefinition d = test::cLike();
    d.extensionNumber = 0;
    if (rng() % 2) {
        d.noCountRules = {test::blockRule("BEGIN", "END", static_cast<int>(rng() % 16))};
    }
    if (rng() % 2) {
        d.commentRules.push_back(test::blockRule("{", "}", static_cast<int>(rng() % 16), "{", "}"));
    }
    if (rng() % 3 == 0) {
        d.commentRules.push_back(test::lineRule("a", static_cast<int>(rng() % 16), 1));
    }
    if (rng() % 2) {
        d.nonComments = {"://"};
    }
    if (rng() % 2) {
        d.deleteStrings = {"EXEC"};
    }
    d.multiLineStrings = static_cast<std::int16_t>(rng() % 2);
    d.leadingNumbers = static_cast<std::int16_t>(rng() % 2);
    d.spaceCount = static_cast<std::int16_t>(rng() % 2);
    d.allCount = static_cast<std::int16_t>(rng() % 4 == 0);
    d.deleteLeadingBytes = static_cast<std::int16_t>(rng() % 4 == 0 ? rng() % 3 : 0);
    return d;
}

CounterSettings randomSettings(std::mt19937& rng) {
    CounterSettings s;
    s.delimit = static_cast<std::int32_t>(rng() % 5);
    s.cmtmlflg = static_cast<std::int32_t>(rng() % 2);
    s.noneflg = static_cast<std::int32_t>(rng() % 2);
    s.cmpnoflg = static_cast<std::int32_t>(rng() % 2);
    s.eofflg = static_cast<std::int32_t>(rng() % 2);
    return s;
}

// out may differ from in only by cleared units.
bool onlyCleared(const std::vector<unsigned char>& in, const std::vector<unsigned char>& out) {
    if (in.size() != out.size()) {
        return false;
    }
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (out[i] != in[i] && out[i] != 0) {
            return false;
        }
    }
    return true;
}

TEST(Invariants, EveryPassOnlyClearsUnits) {
    std::mt19937 rng(1);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = randomText(rng);
        const ExtensionDefinition d = randomDefinition(rng);
        const CounterSettings s = randomSettings(rng);
        const PassOptions opt{s.delimit, s.cmtmlflg, 0};
        FixedMacros macros({MacroEntry{"X", 1, 0}});
        RuleEnvironment env;
        env.macros = &macros;
        const auto in = test::bytes(text);
        std::vector<std::vector<unsigned char>> outs(8, in);
        analysis::deleteNoCountAreas<unsigned char>(outs[0], &d, opt, env);
        analysis::deleteComments<unsigned char>(outs[1], &d, opt, env);
        analysis::deleteListedStrings<unsigned char>(outs[2], &d, opt, env);
        analysis::deletePreprocessor<unsigned char>(static_cast<int>(round % 2), outs[3], &d, opt,
                                                    env);
        analysis::deleteSpaces<unsigned char>(outs[4], &d, opt, SpaceMode::Full, env);
        analysis::deleteSpaces<unsigned char>(outs[5], &d, opt, SpaceMode::Trailing, env);
        analysis::removeEmptyLines<unsigned char>(outs[6], s.delimit, nullptr);
        analysis::deleteLeadingNumbers<unsigned char>(outs[7], s.delimit);
        for (std::size_t k = 0; k < outs.size(); ++k) {
            ASSERT_TRUE(onlyCleared(in, outs[k])) << "pass " << k << " on '" << text << "'";
        }
        // A full-mode space deletion clears at least what the trailing mode clears.
        for (std::size_t i = 0; i < in.size(); ++i) {
            ASSERT_TRUE(outs[5][i] != 0 || outs[4][i] == 0 || in[i] == 0) << text;
        }
    }
}

// The block compaction writes whole blocks past the units it keeps; what it keeps must still be
// every non-NUL unit in order, and nothing at or after the end of the text may change.
template <class U, bool Vector>
void checkDropZeroUnits(std::mt19937& rng) {
    for (int round = 0; round < 400; ++round) {
        const auto n = static_cast<std::int32_t>(rng() % 300);
        const unsigned nulOneIn = 1 + rng() % 6;
        std::vector<U> text(static_cast<std::size_t>(n) + 40, U(0x5A));
        std::vector<U> expected;
        for (std::int32_t i = 0; i < n; ++i) {
            const U u = rng() % nulOneIn == 0 ? U(0) : U(1 + rng() % 0xFE);
            text[static_cast<std::size_t>(i)] = u;
            if (u != U(0)) {
                expected.push_back(u);
            }
        }
        const std::int32_t kept = analysis::dropZeroUnits<U, Vector>(text.data(), n);
        ASSERT_EQ(kept, static_cast<std::int32_t>(expected.size()));
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), text.begin()));
        for (std::size_t i = static_cast<std::size_t>(n); i < text.size(); ++i) {
            ASSERT_EQ(text[i], U(0x5A)) << "written past the text at " << i;
        }
    }
}

TEST(Invariants, BlockCompactionKeepsEveryUnitInOrderAndStaysInsideTheText) {
    std::mt19937 rng(11);
    checkDropZeroUnits<unsigned char, false>(rng);
    checkDropZeroUnits<unsigned char, analysis::kVectorBlocks>(rng);
    checkDropZeroUnits<char16_t, false>(rng);
    checkDropZeroUnits<char16_t, analysis::kVectorBlocks>(rng);
    for (int k = 0; k < 1000; ++k) {
        const std::uint64_t x = (std::uint64_t{rng()} << 32) | rng();
        ASSERT_EQ(analysis::countBits(x), std::popcount(x));
    }
}

struct Outcome {
    std::vector<unsigned char> text;
    ModuleDescriptor md;
    LineTable lines;
    std::vector<unsigned char> display;
    std::int32_t displayLength = 0;
};

template <class U>
Outcome analyseAs(const std::string& text, const ExtensionDefinition& d, const CounterSettings& s,
                  int presence, int codeNo = 0, bool reuseCommentWalk = true) {
    std::vector<U> buf(text.begin(), text.end());
    auto n = static_cast<std::int32_t>(buf.size());
    Outcome o;
    o.md.codeNo = codeNo;
    o.lines.resize(text.size() + 2);
    for (std::size_t k = 0; k < o.lines.size(); ++k) {
        o.lines[k].lineIndex = static_cast<std::int32_t>(k);
    }
    std::vector<U> display;
    FixedMacros macros({MacroEntry{"X", 1, 1}});
    RuleEnvironment env;
    env.macros = &macros;
    env.reuseCommentWalk = reuseCommentWalk;
    analysis::analyseUnits<U>(0, buf, n, s, &d, o.md, presence, &o.lines, &display,
                              &o.displayLength, env);
    for (std::int32_t i = 0; i < n; ++i) {
        o.text.push_back(static_cast<unsigned char>(buf[static_cast<std::size_t>(i)]));
    }
    for (std::int32_t i = 0; i < o.displayLength; ++i) {
        o.display.push_back(static_cast<unsigned char>(display[static_cast<std::size_t>(i)]));
    }
    return o;
}

TEST(Invariants, WholeAnalysisCountsAddUpAndBothUnitFormsAgree) {
    std::mt19937 rng(3);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = randomText(rng);
        const ExtensionDefinition d = randomDefinition(rng);
        const CounterSettings s = randomSettings(rng);
        const int presence = 1 + static_cast<int>(rng() % 2);
        const Outcome a = analyseAs<unsigned char>(text, d, s, presence);
        const Outcome w = analyseAs<char16_t>(text, d, s, presence);
        SCOPED_TRACE("text '" + text + "' delimit " + std::to_string(s.delimit));

        // The compacted text is the input's units in order, less some.
        std::size_t j = 0;
        for (const unsigned char c : a.text) {
            if (c == 0) {
                continue;
            }
            while (j < text.size() && static_cast<unsigned char>(text[j]) != c &&
                   !(c == '\n' && text[j] == '\r' && s.delimit == 3)) {
                ++j;
            }
            ASSERT_LT(j, text.size());
            ++j;
        }
        ASSERT_LE(a.text.size(), text.size() + 1);

        // Counts.
        auto normalised = test::bytes(text);
        if (s.delimit == 3) {
            analysis::normaliseLineEnds<unsigned char>(normalised);
        }
        const std::int32_t l0 = tavelin::countLines<unsigned char>(normalised, s.delimit, s.eofflg);
        EXPECT_EQ(a.md.totalSteps + a.md.noCountSteps, l0);
        EXPECT_EQ(a.md.totalBytes, static_cast<std::int32_t>(text.size()) - a.md.noCountBytes);
        const std::size_t kept = a.text.size() - ((a.text.empty() || a.text.back() != 0) ? 0 : 1);
        EXPECT_EQ(a.md.actualBytes, static_cast<std::int32_t>(kept));
        EXPECT_EQ(a.md.actualSteps,
                  tavelin::countLines<unsigned char>(
                      std::span<const unsigned char>(a.text.data(), kept), s.delimit, s.eofflg));

        // Line numbers rise and stay inside the loaded text.
        const std::int32_t loadedLines =
            tavelin::countLines<unsigned char>(normalised, s.delimit, 0);
        for (std::int32_t k = 0; k < a.md.actualSteps; ++k) {
            const auto idx = a.lines[static_cast<std::size_t>(k)].lineIndex;
            EXPECT_LE(idx, loadedLines);
            if (k > 0) {
                EXPECT_LE(a.lines[static_cast<std::size_t>(k) - 1].lineIndex, idx);
            }
        }

        // The UTF-16 form gives the same text and doubled byte counts.
        EXPECT_EQ(a.text, w.text);
        EXPECT_EQ(a.display, w.display);
        EXPECT_EQ(a.md.totalSteps, w.md.totalSteps);
        EXPECT_EQ(a.md.actualSteps, w.md.actualSteps);
        EXPECT_EQ(a.md.spaceSteps, w.md.spaceSteps);
        EXPECT_EQ(a.md.noCountSteps, w.md.noCountSteps);
        EXPECT_EQ(2 * a.md.noCountBytes, w.md.noCountBytes);
        EXPECT_EQ(2 * a.md.commentBytes, w.md.commentBytes);
        EXPECT_EQ(2 * a.md.preprocessorBytes, w.md.preprocessorBytes);
        EXPECT_EQ(2 * a.md.actualBytes, w.md.actualBytes);
        EXPECT_EQ(2 * a.md.totalBytes, w.md.totalBytes);
        for (std::int32_t k = 0; k < a.md.actualSteps; ++k) {
            EXPECT_EQ(a.lines[static_cast<std::size_t>(k)].lineIndex,
                      w.lines[static_cast<std::size_t>(k)].lineIndex);
        }
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
}

// The comment pass takes its comments from the preprocessor's walk where the rules allow it; on
// any text, with rules that let '#' start both comments and directives, NUL units and every
// encoding, that must leave the same text, counts and line table as walking the text again.
TEST(Invariants, CommentsTakenFromThePreprocessorWalkEqualASecondWalk) {
    const std::string extra[] = {"#define ", "# if ",        "#elif ",  "defined(X)",
                                 "\\n",      "/* #endif */", "\"#if\"", std::string(1, '\0')};
    {
        // The comment at column 4 of the line the literal's escaped line end starts is no longer
        // there once the operand with that line end is removed: the second walk keeps it.
        ExtensionDefinition d = test::cLike();
        d.commentRules.push_back(test::lineRule("a", 2, 4));
        const std::string text = "#define X \"a\\\nb\" a\n";
        const Outcome once = analyseAs<unsigned char>(text, d, CounterSettings{}, 2, 0, true);
        const Outcome twice = analyseAs<unsigned char>(text, d, CounterSettings{}, 2, 0, false);
        EXPECT_EQ(once.text, twice.text);
        EXPECT_EQ(once.md.commentBytes, 0);
    }
    std::mt19937 rng(11);
    int reused = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = randomText(rng);
        for (int k = static_cast<int>(rng() % 6); k > 0; --k) {
            const std::size_t at = text.empty() ? 0 : rng() % text.size();
            text.insert(at, extra[rng() % (sizeof(extra) / sizeof(extra[0]))]);
        }
        ExtensionDefinition d = randomDefinition(rng);
        if (rng() % 3 == 0) {
            d.commentRules.push_back(test::lineRule("#"));
        }
        if (rng() % 4 == 0) {
            // A comment only at one column: the columns the walk saw move when a removed block
            // takes a line end with it.
            d.commentRules.insert(d.commentRules.begin(),
                                  test::lineRule("a", 2, 1 + static_cast<int>(rng() % 8)));
        }
        if (rng() % 3 == 0) {
            d.preprocessorRules.push_back(
                test::directive({"# if", "#elif", "#else", "#endif"}, {2, 2, 0, 0}, 1));
        }
        const CounterSettings s = randomSettings(rng);
        const int presence = 1 + static_cast<int>(rng() % 2);
        const int codeNo = static_cast<int>(rng() % 5);
        {
            RuleEnvironment env;
            analysis::RuleCache<unsigned char> cache(&d, env);
            reused += analysis::commentWalkReusable(*cache.own()) ? 1 : 0;
        }
        SCOPED_TRACE("round " + std::to_string(round) + " delimit " + std::to_string(s.delimit) +
                     " code " + std::to_string(codeNo) + " text '" + text + "'");
        const Outcome a = analyseAs<unsigned char>(text, d, s, presence, codeNo, true);
        const Outcome b = analyseAs<unsigned char>(text, d, s, presence, codeNo, false);
        const Outcome wa = analyseAs<char16_t>(text, d, s, presence, 0, true);
        const Outcome wb = analyseAs<char16_t>(text, d, s, presence, 0, false);
        for (const auto& [x, y] : {std::pair{&a, &b}, std::pair{&wa, &wb}}) {
            ASSERT_EQ(x->text, y->text);
            ASSERT_EQ(x->display, y->display);
            EXPECT_EQ(x->md.commentBytes, y->md.commentBytes);
            EXPECT_EQ(x->md.preprocessorBytes, y->md.preprocessorBytes);
            EXPECT_EQ(x->md.actualSteps, y->md.actualSteps);
            EXPECT_EQ(x->md.actualBytes, y->md.actualBytes);
            EXPECT_EQ(x->md.spaceSteps, y->md.spaceSteps);
            for (std::int32_t k = 0; k < x->md.actualSteps; ++k) {
                EXPECT_EQ(x->lines[static_cast<std::size_t>(k)].lineIndex,
                          y->lines[static_cast<std::size_t>(k)].lineIndex);
            }
        }
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
    // Most rounds must take the shorter way, or the comparison shows nothing.
    EXPECT_GT(reused, 500);
}

}  // namespace
}  // namespace tavelin
