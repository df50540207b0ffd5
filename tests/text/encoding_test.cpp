#include "text/encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tavelin {
namespace {

DetectedEncoding detect(std::string_view s) {
    return detectEncoding({reinterpret_cast<const unsigned char*>(s.data()), s.size()});
}

EncodingScore score(EncodingScore (*scorer)(std::span<const unsigned char>), std::string_view s) {
    return scorer({reinterpret_cast<const unsigned char*>(s.data()), s.size()});
}

const DetectedEncoding kAnsi{0, kCodeAnsi};
const DetectedEncoding kUtf8{0, kCodeUtf8};
const DetectedEncoding kSjis{0, kCodeShiftJis};
const DetectedEncoding kEuc{0, kCodeEuc};
const DetectedEncoding kJis{0, kCodeJis};
const DetectedEncoding kUtf16Le{1, kUtf16LittleEndian};
const DetectedEncoding kUtf16Be{1, kUtf16BigEndian};

TEST(DetectEncoding, ByteOrderMarkWinsOverEverythingElse) {
    EXPECT_EQ(detect("\xFF\xFE"), kUtf16Le);
    EXPECT_EQ(detect(std::string("\xFF\xFE\0A\x1B$B", 7)), kUtf16Le);
    EXPECT_EQ(detect("\xFE\xFF\x82\xA0"), kUtf16Be);
    EXPECT_NE(detect("\xFF"), kUtf16Le);  // one byte is no mark
    EXPECT_EQ(detect(""), kAnsi);
}

TEST(DetectEncoding, ZeroByteOffsetGivesByteOrder) {
    EXPECT_EQ(detect(std::string("A\0\r\0\n\0", 6)), kUtf16Le);  // zeros at odd offsets
    EXPECT_EQ(detect(std::string("\0A\0\r\0\n", 6)), kUtf16Be);  // zeros at even offsets
    // The last zero met decides.
    EXPECT_EQ(detect(std::string("\0A\0\0", 4)), kUtf16Le);
    EXPECT_EQ(detect(std::string("A\0\0A", 4)), kUtf16Be);
}

TEST(DetectEncoding, ZeroBytesAfterSecondLineBreakAreNotSeen) {
    // CR LF is two breaks: the scan ends after the first line.
    EXPECT_EQ(detect(std::string("ab\r\n\0x", 6)), kAnsi);
    EXPECT_EQ(detect(std::string("ab\ncd\n\0x", 8)), kAnsi);
    EXPECT_EQ(detect(std::string("ab\ncd\0\n", 7)), kUtf16Le);  // before the second break
    // Once the zero-byte step is passed, the later steps judge the text.
    EXPECT_EQ(detect(std::string("a\nb\n\0\xA4\xA2", 7)), kEuc);
}

TEST(DetectEncoding, JisEscapesOnlyBeforeFirstHighByteAndOnlyWhenComplete) {
    EXPECT_EQ(detect("abc\x1B$B\x30\x21\x1B(B"), kJis);
    for (std::string_view esc :
         {"\x1B(B", "\x1B(J", "\x1B(I", "\x1B$@", "\x1B$B", "\x1B$(D", "\x1B&@\x1B$B"}) {
        EXPECT_EQ(detect(std::string("x") + std::string(esc)), kJis) << esc.size();
    }
    // A high byte before the escape ends the JIS step; the scorers take over.
    EXPECT_EQ(detect("\x82\xA0\x1B$B"), kSjis);
    // An escape sequence cut off by the end of the text does not count.
    EXPECT_EQ(detect("abc\x1B$"), kAnsi);
    EXPECT_EQ(detect("abc\x1B$("), kAnsi);
    EXPECT_EQ(detect("abc\x1B$A"), kAnsi);  // not one of the sequences
}

TEST(DetectEncoding, ScorersPickHighestCountAndTiesGiveAnsi) {
    EXPECT_EQ(detect("plain ascii\r\n"), kAnsi);
    EXPECT_EQ(detect("x\xA4\xA2\xA4\xA4"), kEuc);    // EUC hiragana
    EXPECT_EQ(detect("x\x82\xA0\x82\xA2y"), kSjis);  // Shift-JIS hiragana
    EXPECT_EQ(detect("\xE3\x81\x82 z"), kUtf8);      // one UTF-8 hiragana
    // EUC reads C3 A9 as one code as well: a tie, so ANSI.
    EXPECT_EQ(detect("caf\xC3\xA9\n"), kAnsi);
    // E0 A1 is a whole EUC code and a whole Shift-JIS pair, and a cut UTF-8 sequence: tie.
    EXPECT_EQ(detect("\xE0\xA1"), kAnsi);
    // No scorer well-formed: ANSI even though EUC counted bytes.
    EXPECT_EQ(detect("\xA4\xA2\x80\x80\x80\x80"), kAnsi);
    // The counts are compared even for a scorer that stopped on a malformed byte.
    EXPECT_EQ(detect("\xA4\xA2\xA4\xA2\x81\x40\x41\x41"), kEuc);
}

TEST(DetectEncoding, OnlyFirst30000BytesCount) {
    std::string text(kDetectionWindow, 'a');
    EXPECT_EQ(detect(text + "\xC3\xA9"), kAnsi);
    EXPECT_EQ(detect(text + std::string("\0\0", 2)), kAnsi);
    // A UTF-8 character that ends the window decides; the malformed bytes after it do not count.
    text.replace(kDetectionWindow - 3, 3, "\xE3\x81\x82");
    EXPECT_EQ(detect(text + "\x80\x80\x80\x80"), kUtf8);
    // An escape sequence that the window cuts is incomplete.
    std::string cut(kDetectionWindow - 2, 'a');
    EXPECT_EQ(detect(cut + "\x1B$B"), kAnsi);
    EXPECT_EQ(detect(cut.substr(1) + "\x1B$B"), kJis);
}

TEST(EncodingScorers, CutOffSequencesAtTheEnd) {
    // UTF-8: a malformed lead is tolerated when fewer than 4 bytes were left.
    EXPECT_TRUE(score(scoreUtf8, "ab\xE3\x81").wellFormed);
    EXPECT_FALSE(score(scoreUtf8, "\xE3\x81zzz").wellFormed);
    EXPECT_EQ(score(scoreUtf8, "\xF0\x9F\x98\x80").count, 4u);
    EXPECT_EQ(score(scoreUtf8, "\xEF\xBB\xBF").count, 3u);
    // Shift-JIS: only the very last byte may be a stray.
    EXPECT_TRUE(score(scoreShiftJis, "\x82\xA0\x82").wellFormed);
    EXPECT_FALSE(score(scoreShiftJis, "\x82\x20").wellFormed);
    EXPECT_EQ(score(scoreShiftJis, "\xB1\xB2\x82\xA0").count, 2u);  // half-width kana skipped
    // EUC: tolerated with fewer than 3 bytes left.
    EXPECT_TRUE(score(scoreEuc, "\xA4\xA2\x8F\xA1").wellFormed);
    EXPECT_FALSE(score(scoreEuc, "\x8F\xA1\x20").wellFormed);
    EXPECT_EQ(score(scoreEuc, "\x8E\xB1\x8F\xA1\xA1").count, 5u);
}

TEST(PaneEncoding, AccessorsAnswerMinusOneForEmptyPane) {
    ModulePanes panes;
    panes.descriptors[kBefore].codeNo = 3;
    EXPECT_EQ(moduleCodeNo(panes, kBefore), -1);
    EXPECT_EQ(moduleUtf16(panes, kBefore), -1);
    setModuleCodeNo(panes, kBefore, 2);
    EXPECT_EQ(panes.descriptors[kBefore].codeNo, 3);  // ignored while empty

    panes.present[kBefore] = true;
    panes.descriptors[kBefore].utf16 = 0;
    EXPECT_EQ(moduleCodeNo(panes, kBefore), 3);
    EXPECT_EQ(moduleUtf16(panes, kBefore), 0);
    setModuleCodeNo(panes, kBefore, 4);
    EXPECT_EQ(moduleCodeNo(panes, kBefore), 4);
    EXPECT_EQ(moduleCodeNo(panes, 5), -1);
    setModuleCodeNo(panes, 5, 1);  // no such side: nothing happens
}

}  // namespace
}  // namespace tavelin
