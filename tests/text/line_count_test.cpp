#include "text/line_count.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_rules.h"

namespace tavelin {
namespace {

std::int32_t count8(std::string_view s, int delimit, int eofflg) {
    return countLines<unsigned char>({reinterpret_cast<const unsigned char*>(s.data()), s.size()},
                                     delimit, eofflg);
}

std::int32_t count16(std::u16string_view s, int delimit, int eofflg) {
    return countLines<char16_t>({s.data(), s.size()}, delimit, eofflg);
}

TEST(CountLines, LineEndsPerDelimitMode) {
    const std::string text = "a\r\nb\rc\nd\r\n";
    EXPECT_EQ(count8(text, 0, 0), 2);  // only the CR LF pairs, each once
    EXPECT_EQ(count8(text, 1, 0), 3);  // every CR
    EXPECT_EQ(count8(text, 2, 0), 3);  // every LF
    EXPECT_EQ(count8(text, 3, 0), 3);
    EXPECT_EQ(count8(text, 7, 0), 0);  // unknown mode: no line ends
    EXPECT_EQ(count8(text, -1, 0), 0);
}

TEST(CountLines, LfOnlyTextInCrLfModeIsOneUnterminatedLine) {
    EXPECT_EQ(count8("a\nb\nc\n", 0, 0), 0);
    EXPECT_EQ(count8("a\nb\nc\n", 0, 1), 1);
}

TEST(CountLines, CrAtEndWithoutLfIsNoLineEndInCrLfMode) {
    EXPECT_EQ(count8("a\r\nb\r", 0, 0), 1);
    // The trailing "b\r" holds a printable byte, so it counts as a last line.
    EXPECT_EQ(count8("a\r\nb\r", 0, 1), 2);
    // A CR that pairs with an LF is not reused for a second pair.
    EXPECT_EQ(count8("\r\r\n\n", 0, 0), 1);
}

TEST(CountLines, UnterminatedTailCountsOnlyWithFlagAndVisibleByte) {
    EXPECT_EQ(count8("a\nb", 2, 0), 1);
    EXPECT_EQ(count8("a\nb", 2, 1), 2);
    EXPECT_EQ(count8("a\n \t\x01", 2, 1), 1);               // only white space and controls
    EXPECT_EQ(count8(std::string("a\n\0\0", 4), 2, 1), 1);  // NUL bytes left by passes
    EXPECT_EQ(count8(std::string("a\n\0x", 4), 2, 1), 2);   // NUL inside a line is ignored
    EXPECT_EQ(count8("a\n!", 2, 1), 2);                     // 0x21 is above 0x20
    EXPECT_EQ(count8("a\n\x80", 2, 1), 2);                  // high bytes are unsigned
    EXPECT_EQ(count8("a\n", 2, 1), 1);
    EXPECT_EQ(count8("", 2, 1), 0);
    EXPECT_EQ(count8("x", 2, 2), 0);  // only the value 1 enables the tail rule
}

TEST(CountLines, Utf16Units) {
    EXPECT_EQ(count16(u"a\r\nb\r\nc", 0, 0), 2);
    EXPECT_EQ(count16(u"a\r\nb\r\nc", 0, 1), 3);
    EXPECT_EQ(count16(u"a\nb", 2, 1), 2);
    // A unit whose low byte is LF is not a line end; U+3000 is above 0x20.
    EXPECT_EQ(count16(u"\u010A\u3000", 2, 1), 1);
    EXPECT_EQ(count16(u"\u010A\u3000", 2, 0), 0);
}

TEST(CountLines, SettingsOverloadUsesDelimitAndEofFlag) {
    CounterSettings settings;
    settings.delimit = 1;
    settings.eofflg = 1;
    const std::string s = "a\rb";
    EXPECT_EQ(countLines<unsigned char>(
                  {reinterpret_cast<const unsigned char*>(s.data()), s.size()}, settings),
              2);
}

// The wide counting must agree with a plain count at every length and offset, also past the
// point where a byte lane would overflow (255 rounds of 16 bytes) and for 16-bit units whose
// low or high byte alone equals the unit counted.
TEST(CountUnit, AgreesWithAPlainCountEverywhere) {
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        const std::size_t n = round < 100 ? rng() % 70 : 4000 + rng() % 6000;
        std::vector<unsigned char> bytes(n + 3);
        std::vector<char16_t> units(n + 3);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = rng() % 3 == 0 ? '\n' : static_cast<unsigned char>(rng());
            const unsigned r = rng() % 4;
            units[i] = static_cast<char16_t>(r == 0 ? u'\n' : r == 1 ? 0x0A0A : rng());
        }
        for (std::size_t offset = 0; offset < 3; ++offset) {
            const auto count = static_cast<std::int64_t>(n);
            ASSERT_EQ(text::countUnit(bytes.data() + offset, count, '\n'),
                      std::count(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                                 bytes.begin() + static_cast<std::ptrdiff_t>(offset + n), '\n'));
            ASSERT_EQ(text::countUnit(units.data() + offset, count, u'\n'),
                      std::count(units.begin() + static_cast<std::ptrdiff_t>(offset),
                                 units.begin() + static_cast<std::ptrdiff_t>(offset + n), u'\n'));
        }
    }
    const std::vector<unsigned char> all(100000, '\r');
    EXPECT_EQ(text::countUnit(all.data(), 100000, '\r'), 100000);
    const std::vector<char16_t> wide(70000, u'\r');
    EXPECT_EQ(text::countUnit(wide.data(), 70000, u'\r'), 70000);
}

template <class U>
std::int64_t plainPairs(const std::vector<U>& v, std::size_t offset, std::size_t n) {
    std::int64_t pairs = 0;
    for (std::size_t i = offset; i + 1 < offset + n; ++i) {
        pairs += v[i] == U('\r') && v[i + 1] == U('\n') ? 1 : 0;
    }
    return pairs;
}

// The same for CR LF pairs: a pair across two blocks counts, a LF just past the range does not.
TEST(CountUnit, PairsAgreeWithAPlainCountEverywhere) {
    std::mt19937 rng(6);
    for (int round = 0; round < 200; ++round) {
        const std::size_t n = round < 100 ? rng() % 70 : 4000 + rng() % 6000;
        std::vector<unsigned char> bytes(n + 3);
        std::vector<char16_t> units(n + 3);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const unsigned r = rng() % 5;
            bytes[i] = r == 0 ? '\r' : r == 1 ? '\n' : static_cast<unsigned char>(rng());
            units[i] = static_cast<char16_t>(r == 0   ? u'\r'
                                             : r == 1 ? u'\n'
                                             : r == 2 ? 0x0D0A
                                                      : rng());
        }
        for (std::size_t offset = 0; offset < 3; ++offset) {
            const auto count = static_cast<std::int64_t>(n);
            ASSERT_EQ(text::countUnitPairs(bytes.data() + offset, count, '\r', '\n'),
                      plainPairs(bytes, offset, n));
            ASSERT_EQ(text::countUnitPairs(units.data() + offset, count, u'\r', u'\n'),
                      plainPairs(units, offset, n));
        }
    }
    std::vector<unsigned char> all(200000, '\r');
    for (std::size_t i = 1; i < all.size(); i += 2) {
        all[i] = '\n';
    }
    EXPECT_EQ(text::countUnitPairs(all.data(), 200000, '\r', '\n'), 100000);
}

// Line ends found one after the other with nextLineEnd, the tail rule applied to what follows
// the last.
template <class U>
std::int32_t walkedLines(const std::vector<U>& v, int delimit, int eofflg) {
    const auto n = static_cast<std::int64_t>(v.size());
    std::int64_t lines = 0;
    std::int64_t tail = 0;
    int width = 0;
    for (std::int64_t i = text::nextLineEnd(v.data(), 0, n, delimit, width); width > 0;
         i = text::nextLineEnd(v.data(), tail, n, delimit, width)) {
        ++lines;
        tail = i + width;
    }
    const bool shows = std::any_of(v.begin() + tail, v.end(), [](U u) { return u > U(0x20); });
    return static_cast<std::int32_t>(lines + (eofflg == 1 && shows ? 1 : 0));
}

TEST(CountLines, AgreesWithAWalkFromLineEndToLineEnd) {
    std::mt19937 rng(12);
    const char pool[] = {'\r', '\n', '\r', '\n', 'a', ' ', '\0'};
    for (int round = 0; round < 3000; ++round) {
        const std::size_t n = round < 2500 ? rng() % 40 : rng() % 400;
        std::vector<unsigned char> bytes(n);
        for (auto& b : bytes) {
            b = static_cast<unsigned char>(pool[rng() % sizeof pool]);
        }
        const std::vector<char16_t> units(bytes.begin(), bytes.end());
        const int delimit = static_cast<int>(rng() % 6) - 1;
        const int eofflg = static_cast<int>(rng() % 2);
        ASSERT_EQ(countLines<unsigned char>(bytes, delimit, eofflg),
                  walkedLines(bytes, delimit, eofflg));
        ASSERT_EQ(countLines<char16_t>(units, delimit, eofflg),
                  walkedLines(units, delimit, eofflg));
    }
}

// [DELIMIT] 3 turns every CR that no LF follows into LF, also a CR at the end and one before
// another CR.
TEST(NormaliseLoneCrs, EveryLoneCrAndOnlyThoseBecomeLf) {
    std::mt19937 rng(9);
    const char pool[] = {'\r', '\n', 'a', '\0'};
    for (int round = 0; round < 300; ++round) {
        std::string text(rng() % 40, ' ');
        for (char& c : text) {
            c = pool[rng() % 4];
        }
        std::string expected = text;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) {
                expected[i] = '\n';
            }
        }
        std::vector<unsigned char> bytes(text.begin(), text.end());
        text::normaliseLoneCrs(std::span<unsigned char>(bytes));
        ASSERT_EQ(std::string(bytes.begin(), bytes.end()), expected);
        std::vector<char16_t> units(text.begin(), text.end());
        text::normaliseLoneCrs(std::span<char16_t>(units));
        ASSERT_EQ(std::u16string(units.begin(), units.end()),
                  std::u16string(expected.begin(), expected.end()));
    }
}

}  // namespace
}  // namespace tavelin
