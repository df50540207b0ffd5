// The fast matcher against the literal one on many random text pairs built from a small
// vocabulary, so that repeated lines, runs and near-repeats are common.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compare/line_matcher.h"
#include "compare/match_oracle.h"

namespace tavelin {
namespace {

constexpr auto kUnset = static_cast<LineStatus>(0xEE);

struct Case {
    std::u16string after;
    std::u16string before;
    MatchOptions options;
};

class Generator {
  public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int percent) { return below(100) < percent; }

    // A pair of texts; wide adds lines outside the 8-bit range (Greek letters in both cases).
    Case make(bool wide, int maxLines) {
        static const std::vector<std::u16string> pool = {
            u"a", u"b", u"c", u"A", u"B", u"", u"x y", u"a\r", u"}", u"B\r", u"\r", u"b\n"};
        static const std::vector<std::u16string> widePool = {u"\u03b1", u"\u0391", u"\u0430b"};
        std::vector<std::u16string> vocab;
        const int vocabSize = 1 + below(6);
        for (int k = 0; k < vocabSize; ++k) {
            vocab.push_back(
                wide && chance(30)
                    ? widePool[static_cast<std::size_t>(below(3))]
                    : pool[static_cast<std::size_t>(below(static_cast<int>(pool.size())))]);
        }
        auto word = [&] { return vocab[static_cast<std::size_t>(below(vocabSize))]; };

        std::vector<std::u16string> before;
        const int n = below(maxLines + 1);
        for (int k = 0; k < n; ++k) {
            before.push_back(word());
        }
        std::vector<std::u16string> after;
        if (chance(15)) {
            const int m = below(maxLines + 1);
            for (int k = 0; k < m; ++k) {
                after.push_back(word());
            }
        } else {
            for (const auto& line : before) {
                const int r = below(100);
                if (r < 12) {
                    continue;  // deleted
                }
                if (r < 24) {
                    after.push_back(word());  // changed
                    continue;
                }
                if (r < 34) {
                    after.push_back(word());  // inserted
                }
                after.push_back(line);
            }
        }

        Case c;
        c.options.delimiter = below(4);
        c.options.ignoreCase = chance(40);
        c.options.countAllDeleted = chance(50);
        c.options.countDeletedAsChanged = chance(50);
        c.options.useReused = chance(50);
        c.after = join(after, c.options.delimiter);
        c.before = join(before, c.options.delimiter);
        return c;
    }

  private:
    std::u16string join(const std::vector<std::u16string>& lines, int delimiter) {
        std::u16string s;
        for (const auto& l : lines) {
            s += l;
            switch (delimiter) {
                case 0:
                    s += u"\r\n";
                    break;
                case 1:
                    s += u"\r";
                    break;
                case 2:
                    s += u"\n";
                    break;
                default:
                    s += chance(50) ? u"\r\n" : u"\n";
                    break;
            }
        }
        if (!s.empty() && chance(10)) {
            s.pop_back();  // last line without (all of) its delimiter
        }
        if (chance(8)) {
            s += u'\0';
        }
        if (!s.empty() && chance(5)) {
            s[static_cast<std::size_t>(below(static_cast<int>(s.size())))] = u'\0';
        }
        return s;
    }

    std::mt19937 rng_;
};

std::string narrow(const std::u16string& s) {
    std::string out;
    for (char16_t u : s) {
        out += static_cast<char>(u & 0xFF);
    }
    return out;
}

std::string describe(const std::u16string& s) {
    std::string out;
    for (char16_t u : s) {
        if (u == u'\r') {
            out += "\\r";
        } else if (u == u'\n') {
            out += "\\n";
        } else if (u == 0) {
            out += "\\0";
        } else if (u < 128) {
            out += static_cast<char>(u);
        } else {
            out += "\\u" + std::to_string(static_cast<int>(u));
        }
    }
    return out;
}

template <class Unit>
void expectSame(std::span<const Unit> after, std::span<const Unit> before, const Case& c,
                const std::string& what) {
    const std::size_t size = after.size() + before.size() + 3;
    LineTable fa(size, LineRecord{kUnset, 0});
    LineTable fb(size, LineRecord{kUnset, 0});
    LineTable oa = fa;
    LineTable ob = fb;
    const MatchResult fast = matchModules(after, before, c.options, fa, fb);
    const MatchResult slow = testing::oracleMatch(after, before, c.options, oa, ob);
    bool tablesEqual = true;
    for (std::size_t k = 0; k < size; ++k) {
        tablesEqual = tablesEqual && fa[k].status == oa[k].status && fb[k].status == ob[k].status;
    }
    ASSERT_TRUE(fast == slow && tablesEqual)
        << what << " option " << c.options.resyncCount << " delimiter " << c.options.delimiter
        << " ignoreCase " << c.options.ignoreCase << " countAll " << c.options.countAllDeleted
        << "\nafter  \"" << describe(c.after) << "\"\nbefore \"" << describe(c.before)
        << "\"\nfast " << fast.changed << "/" << fast.reused << "/" << fast.deleted << " literal "
        << slow.changed << "/" << slow.reused << "/" << slow.deleted;
}

// Each match starts three short-lived threads; under wine a thread takes milliseconds to start,
// so the Windows build checks a twentieth of the cases (the same seeds, the first cases of each);
// the Linux builds check them all.
#ifdef _WIN32
constexpr int kCaseDivisor = 20;
#else
constexpr int kCaseDivisor = 1;
#endif

void runCases(unsigned seed, int cases, int maxLines) {
    cases = (cases + kCaseDivisor - 1) / kCaseDivisor;
    Generator gen(seed);
    for (int n = 0; n < cases; ++n) {
        const bool wide = gen.chance(35);
        Case c = gen.make(wide, maxLines);
        for (int v = 0; v <= 12; ++v) {
            c.options.resyncCount = v;
            if (wide) {
                expectSame<char16_t>(std::span<const char16_t>(c.after),
                                     std::span<const char16_t>(c.before), c, "wide");
            } else {
                const std::string a = narrow(c.after);
                const std::string b = narrow(c.before);
                expectSame<unsigned char>(
                    {reinterpret_cast<const unsigned char*>(a.data()), a.size()},
                    {reinterpret_cast<const unsigned char*>(b.data()), b.size()}, c, "bytes");
            }
            if (::testing::Test::HasFatalFailure()) {
                return;
            }
        }
    }
}

TEST(LineMatcherRandom, SmallTextsAgreeWithLiteralMatcher) {
    runCases(1, 3000, 14);
}

TEST(LineMatcherRandom, MediumTextsAgreeWithLiteralMatcher) {
    runCases(2, 600, 60);
}

TEST(LineMatcherRandom, LongerTextsAgreeWithLiteralMatcher) {
    runCases(3, 60, 300);
}

}  // namespace
}  // namespace tavelin
