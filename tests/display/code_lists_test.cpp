#include "display/code_lists.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <random>
#include <string>

#include "display/captions.h"
#include "platform/codepage.h"
#include "text/pz_conv.h"

namespace tavelin {
namespace {

constexpr LineStatus S = LineStatus::Same, D = LineStatus::Deleted, A = LineStatus::Added,
                     B = LineStatus::Blank;

void setLines(ModulePanes& panes, int side, std::vector<LineStatus> statuses,
              std::int32_t tableSize) {
    const auto s = static_cast<std::size_t>(side);
    panes.lines[s].assign(static_cast<std::size_t>(tableSize), LineRecord{});
    for (std::size_t i = 0; i < panes.lines[s].size(); ++i) {
        panes.lines[s][i] = {i < statuses.size() ? statuses[i] : S, static_cast<std::int32_t>(i)};
    }
    panes.lineTableSize = tableSize;
}

// A pane holding an 8-bit text with the given line statuses, lines numbered from 0.
void setPane(ModulePanes& panes, int side, const std::string& text,
             std::vector<LineStatus> statuses, std::int32_t tableSize = 32) {
    const auto s = static_cast<std::size_t>(side);
    panes.present[s] = true;
    panes.descriptors[s].path = side == kAfter ? "a.c" : "b.c";
    panes.moduleText[s].bytes.assign(text.begin(), text.end());
    panes.moduleText[s].bytes.push_back(0);
    panes.hasBuffer[s] = true;
    panes.moduleLength[s] = static_cast<std::int32_t>(text.size());
    setLines(panes, side, std::move(statuses), tableSize);
}

void setWidePane(ModulePanes& panes, int side, const std::u16string& text,
                 std::vector<LineStatus> statuses) {
    const auto s = static_cast<std::size_t>(side);
    panes.present[s] = true;
    panes.descriptors[s].path = "w.c";
    panes.descriptors[s].utf16 = 1;
    panes.moduleText[s].units.assign(text.begin(), text.end());
    panes.moduleText[s].units.push_back(0);
    panes.hasBuffer[s] = true;
    panes.moduleLength[s] = static_cast<std::int32_t>(text.size());
    setLines(panes, side, std::move(statuses), 32);
}

std::string rowDump(const CodeListModels& models, int list, const ModulePanes& panes) {
    const CodeList& l = models.lists[static_cast<std::size_t>(list)];
    std::string out;
    for (std::int32_t r = 0; r < l.rowCount(); ++r) {
        const CodeRow row = l.row(r);
        out += std::to_string(static_cast<int>(row.status)) + ":" + std::to_string(row.lineIndex) +
               ":" + captionAnsi(panes, l, r, models.tabWidth) + "|";
    }
    return out;
}

TEST(CodeLists, ChangedPairFillerAndPaddingRows) {
    ModulePanes panes;
    CounterSettings settings;
    settings.delimit = 2;
    setPane(panes, kAfter, "a\nb\nc\n", {S, A, S});
    setPane(panes, kBefore, "a\nx\ny\nc\n", {S, D, D, S});
    CodeListModels models;
    refreshLists(models, panes, settings, DisplayOptions{0, 8, ViewState::Comparison}, {});
    // b stands opposite x as a changed pair, the filler opposite y.
    EXPECT_EQ(rowDump(models, 0, panes), "0:0:a|2:1:b|3:2:|0:2:c|");
    EXPECT_EQ(rowDump(models, 1, panes), "0:0:a|1:1:x|1:2:y|0:3:c|");
    EXPECT_EQ(models.lists[0].headingAnsi(), "After change<ANSI>[a.c]");
    EXPECT_EQ(models.lists[1].headingAnsi(), "Before change<ANSI>[b.c]");

    // Added lines before a paired line get fillers in the before list; trailing added lines are
    // evened out by padding rows with the view state (uncoloured after another processing).
    settings.delimit = 0;
    setPane(panes, kAfter, "n\r\na\r\nt1\r\nt2\r\n", {A, S, A, A});
    setPane(panes, kBefore, "a\r\n", {S});
    refreshLists(models, panes, settings, DisplayOptions{0, 8, ViewState::Comparison}, {});
    EXPECT_EQ(rowDump(models, 0, panes), "2:0:n|0:1:a|2:2:t1|2:3:t2|");
    EXPECT_EQ(rowDump(models, 1, panes), "3:0:|0:0:a|3:-1:|3:-1:|");
    refreshLists(models, panes, settings, DisplayOptions{0, 8, ViewState::Plain}, {});
    EXPECT_EQ(models.lists[1].row(2).status, S);

    // List position 1 swaps the sides; a side without text shows only its heading.
    setPane(panes, kAfter, "\n", {S});  // one unit: no text
    refreshLists(models, panes, settings, DisplayOptions{1, 8, ViewState::Comparison}, {});
    EXPECT_EQ(models.lists[0].side, kBefore);
    EXPECT_EQ(models.lists[0].headingAnsi(), "Before change<ANSI>[b.c]");
    EXPECT_EQ(models.lists[1].rowCount(), 0);
    panes.present[kBefore] = false;
    refreshLists(models, panes, settings, DisplayOptions{1, 8, ViewState::Comparison}, {});
    EXPECT_EQ(models.lists[0].headingAnsi(), "Before change");
    EXPECT_EQ(models.lists[0].rowCount(), 0);
}

// A refresh changes nothing a second refresh would see: the byte-order mark stays in the text
// and out of the first row, however often the lists are rebuilt (a tab-width change).
TEST(CodeLists, ByteOrderMarksStayOutOfTheFirstRowOnEveryRefresh) {
    ModulePanes panes;
    CounterSettings settings;
    settings.delimit = 3;
    setPane(panes, kAfter, "\xEF\xBB\xBFone\rtwo\r\n", {S, S});
    setWidePane(panes, kBefore, u"\uFEFFab\ncd\n", {S, S});
    CodeListModels models;
    for (int pass = 0; pass < 3; ++pass) {
        refreshLists(models, panes, settings, DisplayOptions{0, 2 + 2 * pass, ViewState::Plain},
                     {});
        EXPECT_EQ(rowDump(models, 0, panes), "0:0:one|0:1:two|") << pass;
        EXPECT_EQ(rowDump(models, 1, panes), "0:0:ab|0:1:cd|") << pass;
        EXPECT_EQ(captionUnicode(panes, models.lists[0], 0, 8), u"one");
        EXPECT_EQ(captionUnicode(panes, models.lists[1], 0, 8), u"ab");
    }
    EXPECT_EQ(panes.moduleText[kAfter].bytes[0], 0xEF);  // the mark is still in the text
    EXPECT_EQ(panes.moduleText[kAfter].bytes[6], '\n');  // the lone CR became LF
    EXPECT_EQ(models.lists[1].headingAnsi(), "Before change<UTF-16>[w.c]");
}

TEST(CodeLists, MoreLinesThanTheTablesHoldStayInBounds) {
    ModulePanes panes;
    CounterSettings settings;
    settings.delimit = 2;
    setPane(panes, kAfter, "1\n2\n3\n4\n5\n", {}, 2);
    CodeListModels models;
    refreshLists(models, panes, settings, DisplayOptions{0, 8, ViewState::Plain}, {});
    EXPECT_EQ(rowDump(models, 0, panes), "0:0:1|0:1:2|0:2:3|0:3:4|0:4:5|");
}

TEST(CodeLists, HeadingsConvertTheFileSystemPath) {
    ModulePanes panes;
    CounterSettings settings;
    settings.delimit = 2;
    setPane(panes, kAfter, "a\n", {S});
#ifdef _WIN32
    // On Windows a path is in the machine's ANSI code page: with 1252 (wine's) e acute and the
    // bullet are one byte each, shown as themselves and as '?' in the heading of code page 932;
    // with 932 the bytes are a double-byte character of the heading's own.
    panes.descriptors[kAfter].path = "C:\\src\\\xE9\x95\\x.c";
    panes.descriptors[kAfter].codeNo = 1;
    CodeListModels models;
    refreshLists(models, panes, settings, DisplayOptions{0, 8, ViewState::Plain}, {});
    if (GetACP() == 1252) {
        EXPECT_EQ(models.lists[0].headingAnsi(), "After change<UTF-8>[C:\\src\\??\\x.c]");
        EXPECT_EQ(models.lists[0].headingUnicode(),
                  u"After change<UTF-8>[C:\\src\\\u00E9\u2022\\x.c]");
    } else if (GetACP() == 932) {
        EXPECT_EQ(models.lists[0].headingAnsi(), "After change<UTF-8>[C:\\src\\\xE9\x95\\x.c]");
        EXPECT_EQ(models.lists[0].headingUnicode(), u"After change<UTF-8>[C:\\src\\\u9ADF\\x.c]");
    } else {
        GTEST_SKIP() << "the expectations are written for the ANSI code pages 1252 and 932";
    }
#else
    // A UTF-8 path (hiragana a, e acute) enters the code-page heading converted.
    panes.descriptors[kAfter].path = "/src/\xE3\x81\x82\xC3\xA9.c";
    panes.descriptors[kAfter].codeNo = 1;
    CodeListModels models;
    refreshLists(models, panes, settings, DisplayOptions{0, 8, ViewState::Plain}, {});
    EXPECT_EQ(models.lists[0].headingAnsi(), "After change<UTF-8>[/src/\x82\xA0?.c]");
    EXPECT_EQ(models.lists[0].headingUnicode(), u"After change<UTF-8>[/src/\u3042\u00E9.c]");
    // A path that is not UTF-8 is taken to be in the code page already.
    panes.descriptors[kAfter].path = "C:\\\x95\\\\x.c";
    refreshHeadings(models, panes);
    EXPECT_EQ(models.lists[0].headingAnsi(), "After change<UTF-8>[C:\\\x95\\\\x.c]");
#endif
}

// The captions as they were made when every row held its caption: copied with NULs made
// blanks, converted through iconv by codeNo, then tabs expanded.
std::string referenceCaption(const std::string& line, int codeNo, int tabWidth) {
    std::string copy = line;
    for (char& c : copy) {
        c = c == '\0' ? ' ' : c;
    }
    if (codeNo == 1) {
        copy = codepage_reference::utf16ToAnsi(utf8ToUtf16(copy));
    } else if (codeNo == 3) {
        copy = eucToShiftJis(copy);
    } else if (codeNo == 4) {
        copy = jisToShiftJis(copy);
    }
    std::string out;
    int column = 0;
    for (char c : copy) {
        if (c == '\t') {
            const int blanks = tabWidth - column % tabWidth;
            out.append(static_cast<std::size_t>(blanks), ' ');
            column += blanks;
        } else if (c == '\r' || c == '\n') {
            ++column;
        } else {
            out.push_back(c);
            ++column;
        }
    }
    return out;
}

std::span<const unsigned char> bytesOf(const std::string& s) {
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

TEST(Captions, BothFormsAgreeWithTheWholeListCaptionsForEveryEncodingAndTabWidth) {
    // Pieces of each encoding: ASCII, tabs, CR, NUL, and double-byte characters.
    const std::vector<std::vector<std::string>> pieces = {
        {"a", "\t", "\r", std::string(1, '\0'), "\xB1", "\x80"},                 // ANSI
        {"a", "\t", "\xE3\x81\x82", "\xE6\xBC\xA2", "\xEF\xBD\xB1", "\xC3\xA9",  // UTF-8
         std::string(1, '\0'), "\xF0\x9F\x98\x80", "\xE3\x81"},
        {"a", "\t", "\x82\xA0", "\x8A\xBF", "\xB1", "\x81<", std::string(1, '\0')},  // S-JIS
        {"a", "\t", "\xA4\xA2", "\x8E\xB1", std::string(1, '\0')},                   // EUC
        {"a", "\t", "\x1B$B$\"\x1B(B", "\x1B$B", "\x1B(B", std::string(1, '\0')}};   // JIS
    std::mt19937 rng(11);
    for (int codeNo = 0; codeNo <= 4; ++codeNo) {
        const auto& set = pieces[static_cast<std::size_t>(codeNo)];
        for (int round = 0; round < 300; ++round) {
            std::string line;
            const int n = static_cast<int>(rng() % 9);
            for (int i = 0; i < n; ++i) {
                line += set[rng() % set.size()];
            }
            for (int tab : {2, 4, 8}) {
                CaptionFormatter f(tab);
                std::string ansi;
                f.appendAnsi(bytesOf(line), codeNo, ansi);
                ASSERT_EQ(ansi, referenceCaption(line, codeNo, tab)) << codeNo << " " << line;
                std::u16string unicode;
                f.appendUnicode(bytesOf(line), codeNo, unicode);
                if (codeNo != 1) {
                    ASSERT_EQ(unicode, ansiToUtf16(ansi));
                } else {
                    // Characters the code page lacks are shown; every other one is the same.
                    ASSERT_EQ(utf16ToAnsi(unicode), ansi) << line;
                }
            }
        }
    }
}

TEST(Captions, UnicodeFormShowsWhatTheCodePageLacks) {
    CaptionFormatter f(4);
    // e acute and u diaeresis are not in the code page: '?' in the report, themselves on screen,
    // and a TAB after them lands in the same column in both forms.
    const std::string utf8 = "\xC3\xA9\xC3\xBC\tx \xE6\xBC\xA2\ty";
    std::string ansi;
    f.appendAnsi(bytesOf(utf8), 1, ansi);
    EXPECT_EQ(ansi, "??  x \x8A\xBF    y");
    std::u16string unicode;
    f.appendUnicode(bytesOf(utf8), 1, unicode);
    EXPECT_EQ(unicode, u"\u00E9\u00FC  x \u6F22    y");
    // UTF-16: a unit above 255 takes two columns; the report form is converted afterwards.
    const std::u16string wide = u"\u3042\tz\u00E9";
    unicode.clear();
    f.appendUnicode(std::span<const char16_t>(wide), unicode);
    EXPECT_EQ(unicode, u"\u3042  z\u00E9");
    ansi.clear();
    f.appendAnsi(std::span<const char16_t>(wide), ansi);
    EXPECT_EQ(ansi, "\x82\xA0  z?");
}

TEST(Captions, TheWindowsFormIsCutAtTheColumnLimitAndTheReportsIsNot) {
    ModulePanes panes;
    // Row 0 short; row 1 ten thousand columns of 8-bit text; row 2 a line of double-width UTF-8
    // characters; all cut at 100 columns.
    std::string text = "short\n" + std::string(10000, 'x') + "\n";
    for (int i = 0; i < 300; ++i) {
        text += "\xE6\xBC\xA2";
    }
    text += "\n";
    setPane(panes, kAfter, text, {S, A, A});
    panes.descriptors[kAfter].codeNo = 1;
    CounterSettings lf;
    lf.delimit = 2;
    CodeListModels models;
    refreshLists(models, panes, lf, DisplayOptions{}, StepCountRecord{});
    const CodeList& list = models.lists[0];
    CaptionFormatter f(8);
    std::u16string shown;
    EXPECT_FALSE(f.appendShown(panes, list, 0, 100, shown));
    EXPECT_EQ(shown, u"short");
    shown.clear();
    EXPECT_TRUE(f.appendShown(panes, list, 1, 100, shown));
    EXPECT_EQ(shown, std::u16string(100, u'x') + std::u16string(kCutMark));
    shown.clear();
    EXPECT_TRUE(f.appendShown(panes, list, 2, 100, shown));
    EXPECT_EQ(shown, std::u16string(50, u'\u6F22') + std::u16string(kCutMark));
    // The report and the copies take the whole line.
    EXPECT_EQ(captionAnsi(panes, list, 1, 8).size(), 10000U);

    // UTF-16: a surrogate pair at the limit stays whole or goes whole.
    ModulePanes wide;
    std::u16string units(99, u'a');
    units += u"\U0001F600\U0001F600tail\n";
    setWidePane(wide, kAfter, units, {A});
    refreshLists(models, wide, lf, DisplayOptions{}, StepCountRecord{});
    shown.clear();
    EXPECT_TRUE(f.appendShown(wide, models.lists[0], 0, 100, shown));
    EXPECT_EQ(shown, std::u16string(99, u'a') + u"\U0001F600" + std::u16string(kCutMark));
}

TEST(Navigation, FindsEachDifferingRowInTurn) {
    CodeListModels models;
    models.lists[0].rows.assign(20, CodeRow{});
    models.lists[1].rows.assign(18, CodeRow{});
    for (int r = 10; r <= 15; ++r) {
        models.lists[1].rows[static_cast<std::size_t>(r)].status = B;
    }
    EXPECT_EQ(findNextDifference(models, 20, 10), 11);
    EXPECT_EQ(findNextDifference(models, 20, 15), std::nullopt);
    EXPECT_EQ(findPreviousDifference(models, 20, 10), std::nullopt);
    EXPECT_EQ(findPreviousDifference(models, 20, 19), 15);
    EXPECT_EQ(findPreviousDifference(models, 20, 1000), 15);
    models.lists[0].rows[3].status = static_cast<LineStatus>(7);  // any status but Same differs
    EXPECT_EQ(findNextDifference(models, 20, 0), 3);
    EXPECT_EQ(findNextDifference(models, 3, 0), std::nullopt);  // bounded by lineTableSize
}

TEST(StepCounts, StatusBarFormat) {
    StepCountRecord counts{0, 12, 3, 4, 0, 123456};
    EXPECT_EQ(formatStepCounts(counts),
              "New        12 Original      3 Changed      4 Re-used      0 Deleted 123456");
}

}  // namespace
}  // namespace tavelin
