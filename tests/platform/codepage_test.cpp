#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cwctype>
#include <random>
#include <string>

#include <locale.h>

namespace tavelin {
namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s.push_back(static_cast<char>(v));
    }
    return s;
}

TEST(CodePage, Utf8ToAnsiKnownJapaneseAndWindowsSpecificMappings) {
    // a, hiragana a, kanji kan, em dash, full-width tilde, minus sign, half-width katakana.
    const std::string utf8 =
        "a\xE3\x81\x82\xE6\xBC\xA2\xE2\x80\x94\xEF\xBD\x9E\xE2\x88\x92\xEF\xBD\xA1";
    EXPECT_EQ(utf8ToAnsi(utf8),
              bytes({'a', 0x82, 0xA0, 0x8A, 0xBF, 0x81, 0x5C, 0x81, 0x60, 0x81, 0x7C, 0xA1}));
    EXPECT_EQ(utf8ToAnsi(std::string("x\0y", 3)), std::string("x\0y", 3));
    EXPECT_EQ(utf8ToAnsi(""), "");
}

TEST(CodePage, UnconvertibleCharactersBecomeOneQuestionMarkEach) {
    EXPECT_EQ(utf8ToAnsi("a\xF0\x9F\x98\x80"
                         "b"),
              "a?b");                                   // emoji: one '?' for the pair
    EXPECT_EQ(utf8ToAnsi("\xC3\xA9t\xC3\xA9"), "?t?");  // e acute is not in CP932
    EXPECT_EQ(utf8ToAnsi("a\xC0\xAF"
                         "b"),
              "a??b");                               // overlong form: two bad bytes
    EXPECT_EQ(utf8ToAnsi("\xED\xA0\x80z"), "???z");  // encoded surrogate
    EXPECT_EQ(utf8ToAnsi("ok\xE3\x81"), "ok??");     // cut at the end
    EXPECT_EQ(utf8ToAnsi("\xFF\xFE"), "??");
    EXPECT_EQ(utf16ToAnsi(u"a\xD800z"), "a?z");  // lone high surrogate
    EXPECT_EQ(utf16ToAnsi(u"a\xDC00"), "a?");    // lone low surrogate at the end
    EXPECT_EQ(utf16ToAnsi(u"\xD83D"), "?");      // high surrogate at the end
    EXPECT_EQ(utf16ToAnsi(u"\x3042\x00E9\x3042"), bytes({0x82, 0xA0, '?', 0x82, 0xA0}));
}

TEST(CodePage, AnsiToUtf16KnownValuesAndInvalidBytes) {
    EXPECT_EQ(ansiToUtf16(bytes({'A', 0x82, 0xA0, 0xB1, 0x81, 0x60})), u"A\x3042\xFF71\xFF5E");
    // An unassigned pair is one character; a lead byte with a bad trail byte spares the next.
    EXPECT_EQ(ansiToUtf16(bytes({0x85, 0x40, 'x'})), u"\xFFFDx");
    EXPECT_EQ(ansiToUtf16(bytes({0x81, ' ', 'x'})), u"\xFFFD x");
    EXPECT_EQ(ansiToUtf16(bytes({'x', 0x81})), u"x\xFFFD");
    EXPECT_EQ(ansiToUtf16(bytes({0x80, 0xA0, 0xFD, 0xFE, 0xFF})),
              u"\x0080\xF8F0\xF8F1\xF8F2\xF8F3");
    EXPECT_EQ(utf16ToAnsi(u"\x0080\xF8F0\xF8F1\xF8F2\xF8F3"),
              bytes({0x80, 0xA0, 0xFD, 0xFE, 0xFF}));
    EXPECT_EQ(ansiToUtf16(std::string("\0\0", 2)), std::u16string(2, u'\0'));
}

TEST(CodePage, EverySingleByteAndPairSurvivesARoundTripThroughUtf16) {
    for (int b = 0; b < 256; ++b) {
        const std::string one = bytes({b});
        const std::u16string u = ansiToUtf16(one);
        ASSERT_EQ(u.size(), 1U) << b;
        if (u[0] != 0xFFFD) {
            EXPECT_EQ(utf16ToAnsi(u), one) << b;
        }
    }
    int assigned = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const std::u16string u = ansiToUtf16(bytes({lead, trail}));
            if (u.size() != 1 || u[0] == 0xFFFD) {
                continue;
            }
            ++assigned;
            // CP932 has duplicate codes, so compare on the Unicode side.
            ASSERT_EQ(ansiToUtf16(utf16ToAnsi(u)), u) << lead << ' ' << trail;
        }
    }
    EXPECT_GT(assigned, 7000);
}

TEST(CodePage, LongInputsCrossTheConversionChunks) {
    std::u16string wide;
    std::string ansi;
    for (int i = 0; i < 100000; ++i) {
        wide += (i % 1000 == 0) ? u'\x00E9' : u'\x3042';
        ansi += (i % 1000 == 0) ? bytes({'?'}) : bytes({0x82, 0xA0});
    }
    EXPECT_EQ(utf16ToAnsi(wide), ansi);
    std::string clean = ansi;
    for (char& c : clean) {
        if (c == '?') {
            c = 'Q';
        }
    }
    const std::u16string back = ansiToUtf16(clean);
    ASSERT_EQ(back.size(), wide.size());
    EXPECT_EQ(back[0], u'Q');
    EXPECT_EQ(back[99999], u'\x3042');
}

TEST(CodePage, Utf8ToUtf16) {
    EXPECT_EQ(utf8ToUtf16("a\xE3\x81\x82\xF0\x9F\x98\x80"), u"a\x3042\xD83D\xDE00");
    EXPECT_EQ(utf8ToUtf16("\xF4\x90\x80\x80"), u"\xFFFD\xFFFD\xFFFD\xFFFD");  // above U+10FFFF
    EXPECT_EQ(utf8ToUtf16("\xE0\x80\x80"), u"\xFFFD\xFFFD\xFFFD");            // overlong
    EXPECT_TRUE(isWellFormedUtf8("a\xE3\x81\x82\xF0\x9F\x98\x80\xEF\xBF\xBD"));
    EXPECT_FALSE(isWellFormedUtf8("a\xE3\x81"));
    EXPECT_FALSE(isWellFormedUtf8("\x82\xA0"));  // CP932 hiragana a
}

TEST(UpperCase, Bytes) {
    for (int c = 0; c < 256; ++c) {
        const int expected = (c >= 'a' && c <= 'z') ? c - 32 : c;
        EXPECT_EQ(upperByte(static_cast<unsigned char>(c)), expected) << c;
    }
}

TEST(UpperCase, UnitsKnownValues) {
    EXPECT_EQ(upperUnit(u'a'), u'A');
    EXPECT_EQ(upperUnit(u'Z'), u'Z');
    EXPECT_EQ(upperUnit(u'{'), u'{');
    EXPECT_EQ(upperUnit(u'\xFF41'), u'\xFF21');  // full-width a
    EXPECT_EQ(upperUnit(u'\xFF5A'), u'\xFF3A');  // full-width z
    EXPECT_EQ(upperUnit(u'\xFF5B'), u'\xFF5B');
    EXPECT_EQ(upperUnit(u'\x00E9'), u'\x00C9');  // e acute
    EXPECT_EQ(upperUnit(u'\x00F7'), u'\x00F7');  // division sign
    EXPECT_EQ(upperUnit(u'\x00DF'), u'\x00DF');  // sharp s has no single capital
    EXPECT_EQ(upperUnit(u'\x00FF'), u'\x0178');
    EXPECT_EQ(upperUnit(u'\x03C2'), u'\x03A3');  // final sigma
    EXPECT_EQ(upperUnit(u'\x0436'), u'\x0416');
    EXPECT_EQ(upperUnit(u'\x2170'), u'\x2160');
    EXPECT_EQ(upperUnit(u'\x3042'), u'\x3042');
}

// The C library's Unicode case table is an independent oracle for the ranges mapped here.
TEST(UpperCase, UnitsAgreeWithTheCLibraryAndAreIdempotent) {
    locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) {
        GTEST_SKIP() << "C.UTF-8 locale not available";
    }
    const std::pair<unsigned, unsigned> ranges[] = {
        {0x0000, 0x00FF}, {0x0100, 0x017F}, {0x0386, 0x03CE}, {0x0400, 0x045F}, {0x0561, 0x0586},
        {0x1E00, 0x1EFF}, {0x2160, 0x217F}, {0x24B6, 0x24E9}, {0xFF00, 0xFFEF}};
    int differences = 0;
    for (const auto& [first, last] : ranges) {
        for (unsigned c = first; c <= last; ++c) {
            const auto expected = static_cast<unsigned>(towupper_l(static_cast<wint_t>(c), loc));
            if (expected > 0xFFFF) {
                continue;
            }
            if (upperUnit(static_cast<char16_t>(c)) != expected) {
                ++differences;
                ADD_FAILURE() << std::hex << "U+" << c << " gives U+"
                              << static_cast<unsigned>(upperUnit(static_cast<char16_t>(c)))
                              << ", C library U+" << expected;
            }
        }
    }
    freelocale(loc);
    EXPECT_EQ(differences, 0);
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        const char16_t u = upperUnit(static_cast<char16_t>(c));
        ASSERT_EQ(upperUnit(u), u) << std::hex << c;
    }
}

#ifndef _WIN32
// iconv of the C library drops the Unicode tag characters (U+E0000..U+E007F) instead of
// refusing them; the tables make them one '?' like every other character the code page lacks.
bool holdsTagCharacter(std::u16string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == 0xDB40 && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDC7F) {
            return true;
        }
    }
    return false;
}

// The table conversions must give exactly what iconv gives, also for the bytes and units it
// refuses: every single byte, every lead and trail pair, every BMP unit, and random mixtures
// (cut pairs, lone surrogates, undefined bytes, UTF-8 with ill-formed sequences).
TEST(CodePage, TablesAgreeWithIconvEverywhere) {
    EXPECT_EQ(utf16ToAnsi(u"a\xDB40\xDC12z"), "a?z");
    for (unsigned lead = 0; lead < 256; ++lead) {
        for (unsigned trail = 0; trail < 256; ++trail) {
            const std::string two = bytes({static_cast<int>(lead), static_cast<int>(trail)});
            ASSERT_EQ(ansiToUtf16(two), codepage_reference::ansiToUtf16(two))
                << lead << " " << trail;
        }
    }
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const std::u16string one(1, static_cast<char16_t>(u));
        const std::string expected = codepage_reference::utf16ToAnsi(one);
        ASSERT_EQ(utf16ToAnsi(one), expected) << std::hex << u;
        if (u < 0xD800 || u > 0xDFFF) {
            ASSERT_EQ(ansiWidth(static_cast<char16_t>(u)), static_cast<int>(expected.size()));
        }
    }
    std::mt19937 rng(7);
    const int interesting[] = {0x00, 0x0A, 0x0D, 0x3C, 0x40, 0x5C, 0x7E, 0x7F, 0x80, 0x81,
                               0x82, 0x9F, 0xA0, 0xA1, 0xDF, 0xE0, 0xEF, 0xF0, 0xFC, 0xFF};
    for (int round = 0; round < 3000; ++round) {
        std::string ansi;
        std::u16string wide;
        const int n = static_cast<int>(rng() % 24);
        for (int i = 0; i < n; ++i) {
            ansi.push_back(static_cast<char>(rng() % 2 != 0 ? interesting[rng() % 20] : rng()));
            const unsigned r = rng() % 4;
            wide.push_back(static_cast<char16_t>(r == 0   ? 0xD800 + rng() % 0x800
                                                 : r == 1 ? rng() % 0x100
                                                          : rng() % 0x10000));
        }
        ASSERT_EQ(ansiToUtf16(ansi), codepage_reference::ansiToUtf16(ansi));
        if (!holdsTagCharacter(wide)) {
            ASSERT_EQ(utf16ToAnsi(wide), codepage_reference::utf16ToAnsi(wide));
        }
        const std::string utf8 = "a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80" + ansi;
        if (!holdsTagCharacter(utf8ToUtf16(utf8))) {
            ASSERT_EQ(utf8ToAnsi(utf8), codepage_reference::utf16ToAnsi(utf8ToUtf16(utf8)));
        }
    }
}
#endif

}  // namespace
}  // namespace tavelin
