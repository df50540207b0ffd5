#include "text/pz_conv.h"

#include <gtest/gtest.h>

#include <string>

namespace tavelin {
namespace {

TEST(JisPair, RowArithmetic) {
    EXPECT_EQ(jisPairToShiftJis(0x30, 0x21), "\x88\x9F");  // even row
    EXPECT_EQ(jisPairToShiftJis(0x24, 0x22), "\x82\xA0");
    EXPECT_EQ(jisPairToShiftJis(0x21, 0x21), "\x81\x40");  // odd row, low cell
    EXPECT_EQ(jisPairToShiftJis(0x21, 0x5F), "\x81\x7E");
    EXPECT_EQ(jisPairToShiftJis(0x21, 0x60), "\x81\x80");  // skips 0x7F
    EXPECT_EQ(jisPairToShiftJis(0x5E, 0x7E), "\x9F\xFC");  // last row below the gap
    EXPECT_EQ(jisPairToShiftJis(0x5F, 0x21), "\xE0\x40");  // first row above it
    EXPECT_EQ(jisPairToShiftJis(0x7E, 0x7E), "\xEF\xFC");
    EXPECT_EQ(jisPairToShiftJis(0x20, 0x21), "");
    EXPECT_EQ(jisPairToShiftJis(0x7F, 0x21), "");
    EXPECT_EQ(jisPairToShiftJis(0x00, 0x00), "");
    // The cell byte wraps at 8 bits.
    EXPECT_EQ(jisPairToShiftJis(0x30, 0xC1), std::string("\x88\x3F"));
}

TEST(JisToSJis, EscapesSwitchTwoByteMode) {
    const TPzConv conv;
    EXPECT_EQ(conv.JisToSJis("\x1B$B\x30\x21\x1B(B"), "\x88\x9F");
    EXPECT_EQ(conv.JisToSJis("a\x1B$B\x24\x22\x24\x24\x1B(Jb\r\n"),
              "a\x82\xA0\x82\xA2"
              "b\r\n");
    // Other escapes are copied outside a two-byte run and leave the mode alone; inside one
    // they are converted as pairs like any other bytes (ESC is no valid row, so it vanishes).
    EXPECT_EQ(conv.JisToSJis("\x1B$@ab"), "\x1B$@ab");
    EXPECT_EQ(conv.JisToSJis("\x1B$B\x1B(I\x21\x21"), "\x95\x40");
    // A lone byte at the end of a two-byte run is dropped; an invalid row gives nothing.
    EXPECT_EQ(conv.JisToSJis("\x1B$B\x30\x21\x30"), "\x88\x9F");
    EXPECT_EQ(conv.JisToSJis("\x1B$B\x0D\x0A"), "");
    // A cut-off escape is plain text.
    EXPECT_EQ(conv.JisToSJis("ab\x1B$"), "ab\x1B$");
    EXPECT_EQ(conv.JisToSJis(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(EucToSJis, TwoByteCodesAndHalfWidthKana) {
    const TPzConv conv;
    EXPECT_EQ(conv.EucToSJis("\xA4\xA2x\xB0\xA1"), "\x82\xA0x\x88\x9F");
    EXPECT_EQ(conv.EucToSJis("\x8E\xB1\x8E\xDF"), "\xB1\xDF");
    // 8E before a byte that is no half-width kana is copied, and so is that byte.
    EXPECT_EQ(conv.EucToSJis("\x8E"
                             "A"),
              "\x8E"
              "A");
    // A lead byte cut off by the end of the text is kept as it is.
    EXPECT_EQ(conv.EucToSJis("ab\xA4"), "ab\xA4");
    EXPECT_EQ(conv.EucToSJis("\x8E"), "\x8E");
    EXPECT_EQ(conv.EucToSJis("\x80\xFF"), "\x80\xFF");
}

TEST(TPzConv, ByteClasses) {
    const TPzConv conv;
    EXPECT_FALSE(conv.IsEuc(0xA0));
    EXPECT_TRUE(conv.IsEuc(0xA1));
    EXPECT_TRUE(conv.IsEuc(0xFE));
    EXPECT_FALSE(conv.IsEuc(0xFF));
    EXPECT_TRUE(conv.IsHanKana(0xDF));
    EXPECT_FALSE(conv.IsHanKana(0xE0));
    EXPECT_EQ(conv.Jis_SJis(0x30, 0x21), "\x88\x9F");
}

}  // namespace
}  // namespace tavelin
