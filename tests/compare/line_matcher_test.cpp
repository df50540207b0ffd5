#include "compare/line_matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compare/match_oracle.h"

namespace tavelin {
namespace {

constexpr auto kUnset = static_cast<LineStatus>(0xEE);

std::string joinLines(const std::vector<std::string>& lines,
                      const std::string& delimiter = "\r\n") {
    std::string s;
    for (const auto& l : lines) {
        s += l;
        s += delimiter;
    }
    return s;
}

std::span<const unsigned char> bytes(const std::string& s) {
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

// Runs the matcher (and the oracle, which must agree) and returns the statuses as a string of
// '=', '-', '+' per line of each side.
struct Outcome {
    MatchResult result;
    std::string after;
    std::string before;
};

std::string statusString(const LineTable& t) {
    std::string s;
    for (const auto& r : t) {
        if (r.status == kUnset) {
            break;
        }
        s += r.status == LineStatus::Same      ? '='
             : r.status == LineStatus::Deleted ? '-'
             : r.status == LineStatus::Added   ? '+'
                                               : '?';
    }
    return s;
}

Outcome match(const std::string& after, const std::string& before, const MatchOptions& opt) {
    const std::size_t size = after.size() + before.size() + 2;
    LineTable ta(size, LineRecord{kUnset, 0});
    LineTable tb(size, LineRecord{kUnset, 0});
    LineTable oa = ta;
    LineTable ob = tb;
    Outcome o;
    o.result = matchModules(bytes(after), bytes(before), opt, ta, tb);
    const MatchResult expected = testing::oracleMatch(bytes(after), bytes(before), opt, oa, ob);
    EXPECT_EQ(o.result, expected) << "fast and literal matchers disagree";
    o.after = statusString(ta);
    o.before = statusString(tb);
    EXPECT_EQ(o.after, statusString(oa));
    EXPECT_EQ(o.before, statusString(ob));
    return o;
}

MatchOptions withCount(int resync) {
    MatchOptions o;
    o.resyncCount = resync;
    return o;
}

TEST(LineMatcher, IdenticalTextsAreAllSame) {
    const std::string t = joinLines({"int a;", "int b;", "return a + b;"});
    for (bool reused : {false, true}) {
        MatchOptions opt;
        opt.useReused = reused;
        const Outcome o = match(t, t, opt);
        EXPECT_EQ(o.after, "===");
        EXPECT_EQ(o.before, "===");
        EXPECT_EQ(o.result, (MatchResult{0, reused ? 3 : 0, 0}));
    }
}

TEST(LineMatcher, ChangedLineIsAddedAndDeletedWithSurplusCounting) {
    const std::string after = joinLines({"a", "b", "c"});
    const std::string before = joinLines({"a", "x", "c"});
    MatchOptions opt;
    Outcome o = match(after, before, opt);
    EXPECT_EQ(o.after, "=+=");
    EXPECT_EQ(o.before, "=-=");
    // Without re-used steps a changed module counts its equal lines as changed too.
    EXPECT_EQ(o.result, (MatchResult{3, 0, 0}));
    opt.useReused = true;
    EXPECT_EQ(match(after, before, opt).result, (MatchResult{1, 2, 0}));
    opt.countAllDeleted = true;
    EXPECT_EQ(match(after, before, opt).result, (MatchResult{1, 2, 1}));
    opt.countDeletedAsChanged = true;
    EXPECT_EQ(match(after, before, opt).result, (MatchResult{2, 2, 1}));
}

TEST(LineMatcher, InsertionAndRemovalTouchOnlyTheirLine) {
    MatchOptions opt;
    opt.useReused = true;
    Outcome ins = match(joinLines({"a", "new", "b", "c"}), joinLines({"a", "b", "c"}), opt);
    EXPECT_EQ(ins.after, "=+==");
    EXPECT_EQ(ins.before, "===");
    EXPECT_EQ(ins.result, (MatchResult{1, 3, 0}));

    Outcome del = match(joinLines({"a", "b", "c"}), joinLines({"a", "old", "b", "c"}), opt);
    EXPECT_EQ(del.after, "===");
    EXPECT_EQ(del.before, "=-==");
    EXPECT_EQ(del.result, (MatchResult{0, 3, 1}));
}

TEST(LineMatcher, LeftoverBeforeLinesAlwaysCountAsDeleted) {
    MatchOptions opt;
    opt.useReused = true;
    const Outcome o = match(joinLines({"a", "b"}), joinLines({"a", "b", "x", "y"}), opt);
    EXPECT_EQ(o.before, "==--");
    EXPECT_EQ(o.result, (MatchResult{0, 2, 2}));
    // Leftover after lines are added.
    const Outcome p = match(joinLines({"a", "b", "x"}), joinLines({"a", "b"}), opt);
    EXPECT_EQ(p.after, "==+");
    EXPECT_EQ(p.result, (MatchResult{1, 2, 0}));
}

TEST(LineMatcher, AutoOptionsDifferOnARepeatedRun) {
    const std::string after = joinLines({"a", "X", "b", "Q", "b"});
    const std::string before = joinLines({"a", "b", "R"});
    MatchOptions opt;
    opt.useReused = true;

    opt.resyncCount = 11;  // AUTO 2 takes the first b
    Outcome o = match(after, before, opt);
    EXPECT_EQ(o.after, "=+=++");
    EXPECT_EQ(o.before, "==-");
    EXPECT_EQ(o.result.deleted, 0);
    opt.countAllDeleted = true;
    EXPECT_EQ(match(after, before, opt).result.deleted, 1);

    opt.countAllDeleted = false;
    opt.resyncCount = 10;  // AUTO 1 rejects it: the run of b occurs again as long
    o = match(after, before, opt);
    EXPECT_EQ(o.after, "=+++=");
    EXPECT_EQ(o.before, "==-");
    EXPECT_EQ(o.result.deleted, 1);  // counted by the main pass
}

TEST(LineMatcher, AutoThreeToleratesARepeatInAnotherContext) {
    // Candidate "Z" (after 2, before 2; predecessors X and Y): the run "Z b" breaks on Q, and
    // "Z b c" occurs again later. AUTO 2 rejects the candidate. AUTO 3 keeps it while the repeat
    // follows a line other than the before candidate's predecessor Y.
    const std::string before = joinLines({"p", "Y", "Z", "b", "c"});
    const std::string otherContext = joinLines({"p", "X", "Z", "b", "Q", "W", "Z", "b", "c"});
    const std::string sameContext = joinLines({"p", "X", "Z", "b", "Q", "Y", "Z", "b", "c"});
    MatchOptions opt;
    opt.resyncCount = 11;
    EXPECT_EQ(match(otherContext, before, opt).after, "=+++++===");
    EXPECT_EQ(match(sameContext, before, opt).after, "=++++====");
    opt.resyncCount = 12;
    EXPECT_EQ(match(otherContext, before, opt).after, "=+==++++=");
    EXPECT_EQ(match(sameContext, before, opt).after, "=++++====");
}

TEST(LineMatcher, CountCheckNeedsTheFollowingPairs) {
    // "b" matches a lone copy first; with "2" the pair after it must be equal as well.
    const std::string after = joinLines({"a", "X", "b", "c", "d"});
    const std::string before = joinLines({"a", "b", "Y", "b", "c", "d"});
    EXPECT_EQ(match(after, before, withCount(0)).before, "==--==");
    const Outcome o = match(after, before, withCount(1));
    EXPECT_EQ(o.after, "=+===");
    EXPECT_EQ(o.before, "=--===");
    // A negative option (selector without a selection) and an out-of-range one behave like "1".
    EXPECT_EQ(match(after, before, withCount(-1)).before,
              match(after, before, withCount(0)).before);
    EXPECT_EQ(match(after, before, withCount(99)).before,
              match(after, before, withCount(0)).before);
}

TEST(LineMatcher, CountCheckAcceptsAtTheCommonEnd) {
    // The candidate "c" is the last line of both: any count is satisfied by both ends.
    const Outcome o = match(joinLines({"a", "X", "c"}), joinLines({"a", "Y", "c"}), withCount(9));
    EXPECT_EQ(o.after, "=+=");
    EXPECT_EQ(o.before, "=-=");
}

TEST(LineMatcher, IgnoreCaseUsesUpperCaseMapping) {
    MatchOptions opt;
    opt.useReused = true;
    EXPECT_EQ(match(joinLines({"Begin"}), joinLines({"BEGIN"}), opt).after, "+");
    opt.ignoreCase = true;
    EXPECT_EQ(match(joinLines({"Begin"}), joinLines({"BEGIN"}), opt).after, "=");
    EXPECT_TRUE(linesEqual(std::string_view("Begin"), "bEGIN", true));
    EXPECT_FALSE(linesEqual(std::string_view("Begin"), "bEGIN", false));
    EXPECT_FALSE(linesEqual(std::string_view("Begin"), "Begins", true));
}

TEST(LineMatcher, FinalCarriageReturnIsIgnored) {
    EXPECT_TRUE(linesEqual(std::string_view("abc\r"), "abc", false));
    EXPECT_FALSE(linesEqual(std::string_view("abc\r\r"), "abc", false));
    EXPECT_TRUE(linesEqual(std::u16string_view(u"x\r"), u"X", true));
    // [DELIMIT] 3: a line ended by CR LF equals the same line ended by LF.
    MatchOptions opt;
    opt.delimiter = 3;
    const Outcome o = match("abc\r\nd\n", "abc\nd\r\n", opt);
    EXPECT_EQ(o.after, "==");
    EXPECT_EQ(o.before, "==");
}

TEST(LineMatcher, DelimitersSplitAsConfigured) {
    MatchOptions opt;
    opt.useReused = true;
    opt.delimiter = 1;  // CR only: LF stays inside the line
    Outcome o = match("a\rb\n\rc\r", "a\rb\rc\r", opt);
    EXPECT_EQ(o.after, "=+=");
    opt.delimiter = 2;
    o = match("a\nb\nc", "a\nb\nc\n", opt);  // a last line without delimiter
    EXPECT_EQ(o.after, "===");
    EXPECT_EQ(o.before, "===");
    opt.delimiter = 0;
    o = match("a\r\nb\nc\r\n", "a\r\nb\r\nc\r\n", opt);  // a lone LF is no delimiter
    EXPECT_EQ(o.after, "=+");
    EXPECT_EQ(o.before, "=--");
}

TEST(LineMatcher, TrailingNulEndsTheLastLine) {
    MatchOptions opt;
    opt.useReused = true;
    const std::string after = std::string("a\r\nb") + '\0';
    const Outcome o = match(after, joinLines({"a", "b"}), opt);
    EXPECT_EQ(o.after, "==");
    EXPECT_EQ(o.result, (MatchResult{0, 2, 0}));
}

TEST(LineMatcher, UsedUpSideReadsAsEmptyLine) {
    // The after text ends; the before text goes on with an empty line. "1" pairs the empty line
    // with the used-up after side, the uniqueness checks never do.
    const std::string after = joinLines({"a", "x"});
    const std::string before = joinLines({"a", "y", "", "z"});
    for (int v : {0, 1, 10, 11, 12}) {
        MatchOptions opt = withCount(v);
        opt.useReused = true;
        const Outcome o = match(after, before, opt);
        EXPECT_EQ(o.after, "=+") << v;
        EXPECT_EQ(o.before, "=---") << v;
    }
}

TEST(LineMatcher, TextsWithNothingInCommon) {
    const std::string after = joinLines({"a", "b", "c"});
    const std::string before = joinLines({"x", "y"});
    for (int v = 0; v <= 12; ++v) {
        MatchOptions opt = withCount(v);
        opt.countAllDeleted = v % 2 == 0;
        const Outcome o = match(after, before, opt);
        EXPECT_EQ(o.after, "+++");
        EXPECT_EQ(o.before, "--");
        EXPECT_EQ(o.result.deleted, opt.countAllDeleted ? 2 : 0);
    }
}

TEST(LineMatcher, EmptyTexts) {
    MatchOptions opt;
    EXPECT_EQ(match("", "", opt).result, (MatchResult{0, 0, 0}));
    const Outcome o = match("", joinLines({"a", "b"}), opt);
    EXPECT_EQ(o.before, "--");
    EXPECT_EQ(o.result, (MatchResult{0, 0, 2}));
}

TEST(LineMatcher, NeverWritesPastTheLineTables) {
    const std::string after = joinLines({"a", "b", "c", "d"});
    const std::string before = joinLines({"x", "b", "c"});
    LineTable ta(2, LineRecord{kUnset, 7});
    LineTable tb(1, LineRecord{kUnset, 7});
    const MatchResult r = matchModules(bytes(after), bytes(before), MatchOptions{}, ta, tb);
    EXPECT_EQ(ta.size(), 2u);
    EXPECT_EQ(tb.size(), 1u);
    EXPECT_EQ(ta[0].lineIndex, 7);  // lineIndex is never touched
    EXPECT_EQ(r.changed, 4);
}

TEST(LineMatcher, WideTextsMatchLikeBytes) {
    const std::u16string after = u"\u03b1\u03b2\r\nsame\r\nnew\r\n";
    const std::u16string before = u"\u0391\u0392\r\nsame\r\n";
    LineTable ta(8, LineRecord{kUnset, 0});
    LineTable tb(8, LineRecord{kUnset, 0});
    MatchOptions opt;
    opt.useReused = true;
    opt.ignoreCase = true;
    const MatchResult r = matchModules(std::span<const char16_t>(after),
                                       std::span<const char16_t>(before), opt, ta, tb);
    EXPECT_EQ(statusString(ta), "==+");
    EXPECT_EQ(statusString(tb), "==");
    EXPECT_EQ(r, (MatchResult{1, 2, 0}));
    opt.ignoreCase = false;
    EXPECT_EQ(matchModules(std::span<const char16_t>(after), std::span<const char16_t>(before), opt,
                           ta, tb),
              (MatchResult{2, 1, 0}));
}

TEST(LineMatcher, ManyDistinctLinesAgreeWithLiteralMatcher) {
    // Enough distinct lines for the intern table to grow several times.
    std::string after;
    std::string before;
    for (int i = 0; i < 6000; ++i) {
        const std::string line = "line " + std::to_string(i) + "\r\n";
        before += line;
        if (i % 97 == 0) {
            after += "inserted " + std::to_string(i) + "\r\n";
        }
        if (i % 89 != 0) {
            after += i % 83 == 0 ? "changed\r\n" : line;
        }
    }
    for (int v : {0, 3, 10, 12}) {
        MatchOptions opt = withCount(v);
        opt.useReused = true;
        const Outcome o = match(after, before, opt);
        EXPECT_GT(o.result.reused, 5800);
    }
}

TEST(LineMatcher, ProgressText) {
    EXPECT_EQ(progressText(7), "   7%");
    EXPECT_EQ(progressText(100), " 100%");
}

class CountingProgress : public MatchProgress {
  public:
    void onProgress(int percent) override {
        ++calls;
        if (percent > 100 || percent < -1) {
            ++bad;
        }
    }
    int calls = 0;
    int bad = 0;
};

TEST(LineMatcher, ProgressIsTimeSlicedAndInRange) {
    std::string after;
    std::string before;
    for (int i = 0; i < 60000; ++i) {
        after += "line " + std::to_string(i) + "\r\n";
        before += "line " + std::to_string(i % 7 == 0 ? -i : i) + "\r\n";
    }
    LineTable ta(70000);
    LineTable tb(70000);
    CountingProgress p;
    matchModules(bytes(after), bytes(before), withCount(1), ta, tb, &p);
    EXPECT_EQ(p.bad, 0);
    EXPECT_LT(p.calls, 100);  // a few per second, never per line
}

}  // namespace
}  // namespace tavelin
