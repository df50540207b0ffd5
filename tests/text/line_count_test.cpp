#include "text/line_count.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

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

}  // namespace
}  // namespace tavelin
