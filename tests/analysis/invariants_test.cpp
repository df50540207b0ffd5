// Randomised checks of properties every pass and the whole analysis must keep, whatever the
// text and settings: passes only clear units, compaction keeps the rest in order, the 8-bit and
// UTF-16 forms agree on ASCII text, and the counts add up.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

// The white-space pass takes most units a block at a time; on any text, rules and code, and
// with line ends and full-width spaces cut by a block's end, that must clear exactly what the
// walk from token to token clears.
TEST(Invariants, SpaceBlocksClearWhatTheTokenWalkClears) {
    const std::string extra[] = {"      ",   "\t\t",   "\x81\x40", "\xE3\x80\x80", "\xA1\xA1",
                                 "\x1B$B!!", "\x1B(B", "\r\n\r\n", "\"a  b\"",     "\x82\r\n"};
    std::mt19937 rng(13);
    for (int round = 0; round < 3000; ++round) {
        std::string text = randomText(rng);
        for (int k = static_cast<int>(rng() % 8); k > 0; --k) {
            const std::size_t at = text.empty() ? 0 : rng() % text.size();
            text.insert(at, extra[rng() % (sizeof(extra) / sizeof(extra[0]))]);
        }
        const ExtensionDefinition d = randomDefinition(rng);
        const CounterSettings s = randomSettings(rng);
        const PassOptions opt{s.delimit, s.cmtmlflg, static_cast<int>(rng() % 5)};
        RuleEnvironment tokens;
        tokens.spaceBlocks = false;
        auto wide = test::widen(test::bytes(text));
        for (auto& u : wide) {
            u = u == 0x40 && rng() % 2 == 0 ? char16_t{0x3000} : u;
        }
        SCOPED_TRACE("round " + std::to_string(round) + " delimit " + std::to_string(s.delimit) +
                     " code " + std::to_string(opt.codeNo) + " text '" + text + "'");
        for (const SpaceMode mode : {SpaceMode::Full, SpaceMode::Trailing}) {
            auto byBlocks = test::bytes(text);
            auto byTokens = byBlocks;
            analysis::deleteSpaces<unsigned char>(byBlocks, &d, opt, mode, RuleEnvironment{});
            analysis::deleteSpaces<unsigned char>(byTokens, &d, opt, mode, tokens);
            ASSERT_EQ(test::show(byBlocks), test::show(byTokens));
            auto wideBlocks = wide;
            auto wideTokens = wide;
            analysis::deleteSpaces<char16_t>(wideBlocks, &d, opt, mode, RuleEnvironment{});
            analysis::deleteSpaces<char16_t>(wideTokens, &d, opt, mode, tokens);
            ASSERT_EQ(wideBlocks, wideTokens);
        }
    }
}

// Loaded line (0-based) of every first unit of a line of `cleared` once its NULs are dropped:
// the line ends of `loaded` whose last unit lies before it.
template <class U>
std::vector<std::int32_t> firstUnitLines(const std::vector<U>& loaded,
                                         const std::vector<U>& cleared, int delimit) {
    std::vector<std::size_t> from;  // position in the loaded text of each remaining unit
    std::vector<U> kept;
    for (std::size_t i = 0; i < cleared.size(); ++i) {
        if (cleared[i] != U(0)) {
            from.push_back(i);
            kept.push_back(cleared[i]);
        }
    }
    std::vector<std::int64_t> lastUnits;
    const auto n = static_cast<std::int64_t>(loaded.size());
    int w = 0;
    for (std::int64_t e = text::nextLineEnd(loaded.data(), 0, n, delimit, w); w > 0;
         e = text::nextLineEnd(loaded.data(), e + w, n, delimit, w)) {
        lastUnits.push_back(e + w - 1);
    }
    std::vector<std::int32_t> lines;
    const auto k = static_cast<std::int64_t>(kept.size());
    for (std::int64_t p = 0; p < k;) {
        const auto at = static_cast<std::int64_t>(from[static_cast<std::size_t>(p)]);
        lines.push_back(static_cast<std::int32_t>(
            std::lower_bound(lastUnits.begin(), lastUnits.end(), at) - lastUnits.begin()));
        const std::int64_t e = text::nextLineEnd(kept.data(), p, k, delimit, w);
        p = w > 0 ? e + w : k;
    }
    return lines;
}

template <class U>
void checkCompactingSweep(const std::vector<U>& loaded, const std::vector<U>& cleared, int delimit,
                          int eofflg, bool dropEmptyLines) {
    // One after the other.
    std::vector<U> steps = cleared;
    if (dropEmptyLines) {
        analysis::removeEmptyLines<U>(steps, delimit, nullptr);
    }
    const std::vector<std::int32_t> lines = firstUnitLines(loaded, steps, delimit);
    const std::int32_t length = analysis::compact<U>(steps);
    const std::int32_t count = tavelin::countLines<U>(
        std::span<const U>(steps.data(), static_cast<std::size_t>(length)), delimit, eofflg);
    // In one sweep.
    std::vector<U> swept = cleared;
    const analysis::LoadedLineEnds ends =
        analysis::loadedLineEnds<U>(std::span<const U>(loaded), delimit);
    LineTable table(loaded.size() + 2);
    std::int32_t sweptCount = 0;
    const std::int32_t sweptLength = analysis::compactCountingLines<U>(
        swept, delimit, dropEmptyLines, &ends, &table, eofflg, sweptCount);
    ASSERT_EQ(sweptLength, length);
    ASSERT_TRUE(std::equal(steps.begin(), steps.begin() + length, swept.begin()));
    ASSERT_EQ(sweptCount, count);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        ASSERT_EQ(table[k].lineIndex, lines[k]) << "line " << k;
    }
}

// The compaction sweep does in one pass what removing the empty lines, dropping the NULs and
// counting the lines do one after the other, and numbers each remaining line with the loaded
// line of its first remaining unit.
TEST(Invariants, CompactingSweepDoesWhatThePassesItJoinsDo) {
    std::mt19937 rng(17);
    const char pool[] = {'\r', '\n', '\r', '\n', 'a', ' ', 'b', '\t'};
    for (int round = 0; round < 2000; ++round) {
        const std::size_t n = round < 1500 ? rng() % 80 : rng() % 700;
        const int delimit = static_cast<int>(rng() % 5);
        std::vector<unsigned char> loaded(n);
        for (auto& c : loaded) {
            c = static_cast<unsigned char>(pool[rng() % sizeof pool]);
        }
        if (delimit == text::kDelimitMixed) {
            text::normaliseLoneCrs(std::span<unsigned char>(loaded));
        }
        // What the passes cleared: runs of units, line ends among them.
        std::vector<unsigned char> cleared = loaded;
        const unsigned density = rng() % 4;
        for (std::size_t i = 0; i < n; ++i) {
            if (rng() % 4 < density) {
                const std::size_t run = 1 + rng() % 12;
                std::fill(cleared.begin() + static_cast<std::ptrdiff_t>(i),
                          cleared.begin() + static_cast<std::ptrdiff_t>(std::min(n, i + run)), 0);
                i += run;
            }
        }
        const int eofflg = static_cast<int>(rng() % 2);
        const bool drop = rng() % 2 == 0;
        SCOPED_TRACE("round " + std::to_string(round) + " delimit " + std::to_string(delimit) +
                     " drop " + std::to_string(drop) + " text '" + test::show(cleared) + "'");
        checkCompactingSweep(loaded, cleared, delimit, eofflg, drop);
        checkCompactingSweep(test::widen(loaded), test::widen(cleared), delimit, eofflg, drop);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
    }
}

// The SSE2 block tests and whole-range helpers give what their plain forms give (in a build with
// TAVELIN_SCALAR both sides are the plain forms).
template <class U>
void checkVectorForms(std::mt19937& rng) {
    using analysis::kBlockUnits;
    constexpr bool V = analysis::kVectorBlocks;
    const unsigned pool[] = {0, '\r', '\n', ' ', 'a', 0x81, 0xFF, 0x10A, 0x3000, 0xFF0A};
    std::array<bool, 256> bits{};
    for (int k = 0; k < 5; ++k) {
        bits[rng() % 256] = true;
    }
    bits[rng() % 250 + 1] = bits[rng() % 250 + 2] = true;
    const analysis::ByteRanges ranges = analysis::ByteRanges::of(bits);
    for (int round = 0; round < 300; ++round) {
        const auto n = static_cast<std::int32_t>(rng() % 300);
        std::vector<U> t(static_cast<std::size_t>(n) + kBlockUnits);
        for (auto& u : t) {
            const unsigned v = pool[rng() % (sizeof pool / sizeof pool[0])];
            u = static_cast<U>(rng() % 3 == 0 ? rng() : v);
        }
        const U* b = t.data();
        const unsigned probe = static_cast<unsigned>(t[rng() % t.size()]);
        for (std::int32_t i = 0; i + kBlockUnits <= n; ++i) {
            const analysis::UnitBlock<U, V> fast(b + i);
            const analysis::UnitBlock<U, false> plain(b + i);
            ASSERT_EQ(fast.equal(probe), plain.equal(probe));
            ASSERT_EQ(fast.atMost(0x20), plain.atMost(0x20));
            ASSERT_EQ(fast.atMost(0xFF), plain.atMost(0xFF));
            if (ranges.usable) {
                ASSERT_EQ(fast.lowByteIn(ranges), plain.lowByteIn(ranges));
            }
        }
        for (std::int32_t i = 0; i < n; i += 64) {
            const analysis::UnitChunk<U, V> fast(b, i, n);
            const analysis::UnitChunk<U, false> plain(b, i, n);
            ASSERT_EQ(fast.equal(probe), plain.equal(probe));
            ASSERT_EQ(fast.atMost(0x20), plain.atMost(0x20));
        }
        const auto from = static_cast<std::int32_t>(n == 0 ? 0 : rng() % static_cast<unsigned>(n));
        ASSERT_EQ((analysis::countEqualUnits<U, V>(b, n, probe)),
                  (analysis::countEqualUnits<U, false>(b, n, probe)));
        ASSERT_EQ((analysis::findEqualUnit<U, V>(b, from, n, probe)),
                  (analysis::findEqualUnit<U, false>(b, from, n, probe)));
        ASSERT_EQ((analysis::findNonZeroUnit<U, V>(b, from, n)),
                  (analysis::findNonZeroUnit<U, false>(b, from, n)));
        ASSERT_EQ((analysis::findLowByteIn<U, V>(b, from, n, bits, ranges)),
                  (analysis::findLowByteIn<U, false>(b, from, n, bits, ranges)));
        analysis::UnitCursor<U, V> fastCursor(b, from, n, probe);
        analysis::UnitCursor<U, false> plainCursor(b, from, n, probe);
        for (std::int32_t at = plainCursor.next(); true; at = plainCursor.next()) {
            ASSERT_EQ(fastCursor.next(), at);
            if (at == n) {
                break;
            }
        }
    }
}

TEST(Invariants, VectorBlockFormsAgreeWithThePlainForms) {
    std::mt19937 rng(19);
    for (int k = 0; k < 8; ++k) {
        checkVectorForms<unsigned char>(rng);
        checkVectorForms<char16_t>(rng);
    }
}

}  // namespace
}  // namespace tavelin
