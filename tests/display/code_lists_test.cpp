#include "display/code_lists.h"

#include <gtest/gtest.h>

#include <string>

namespace tavelin {
namespace {

constexpr std::uint8_t S = 0, D = 1, A = 2, B = 3;

// A pane holding an 8-bit text with the given line statuses, lines numbered from 0.
void setPane(ModulePanes& panes, int side, const std::string& text,
             std::vector<std::uint8_t> statuses, std::int32_t tableSize = 32) {
    const auto s = static_cast<std::size_t>(side);
    panes.present[s] = true;
    panes.descriptors[s].path = side == kAfter ? "a.c" : "b.c";
    panes.moduleText[s].assign(text.begin(), text.end());
    panes.moduleText[s].push_back(0);
    panes.hasBuffer[s] = true;
    panes.moduleLength[s] = static_cast<std::int32_t>(text.size());
    panes.lines[s].assign(static_cast<std::size_t>(tableSize), LineRecord{});
    panes.rows[s].assign(static_cast<std::size_t>(tableSize), LineRecord{});
    for (std::size_t i = 0; i < panes.lines[s].size(); ++i) {
        panes.lines[s][i] = {i < statuses.size() ? statuses[i] : S, static_cast<std::int32_t>(i)};
    }
    panes.lineTableSize = tableSize;
}

std::string rowDump(const CodeList& list, const ModulePanes& panes) {
    std::string out;
    for (std::size_t r = 0; r < list.captions.size(); ++r) {
        const LineRecord rec = panes.rows[static_cast<std::size_t>(list.side)][r];
        out += std::to_string(rec.status) + ":" + std::to_string(rec.lineIndex) + ":" +
               list.captions[r] + "|";
    }
    return out;
}

TEST(CodeLists, ChangedPairAndFillerRows) {
    ModulePanes panes;
    CounterSettings settings;
    settings.delimit = 2;
    setPane(panes, kAfter, "a\nb\nc\n", {S, A, S});
    setPane(panes, kBefore, "a\nx\ny\nc\n", {S, D, D, S});
    CodeListModels models;
    refreshLists(models, panes, settings, DisplayOptions{0, 8, 3}, StepCountRecord{});
    // b stands opposite x as a changed pair, the filler opposite y.
    EXPECT_EQ(rowDump(models.lists[0], panes), "0:0:a|2:1:b|3:2:|0:2:c|");
    EXPECT_EQ(rowDump(models.lists[1], panes), "0:0:a|1:1:x|1:2:y|0:3:c|");
    EXPECT_EQ(models.lists[0].heading, "After change<ANSI>[a.c]");
    EXPECT_EQ(models.lists[1].heading, "Before change<ANSI>[b.c]");
}

TEST(CodeLists, AddedLinesOppositeFillersAndPadding) {
    ModulePanes panes;
    CounterSettings settings;
    settings.delimit = 0;
    // Added lines before a paired line get fillers in the before list; trailing added lines
    // are evened out by padding rows with the view state.
    setPane(panes, kAfter, "n\r\na\r\nt1\r\nt2\r\n", {A, S, A, A});
    setPane(panes, kBefore, "a\r\n", {S});
    CodeListModels models;
    refreshLists(models, panes, settings, DisplayOptions{0, 8, 3}, StepCountRecord{});
    EXPECT_EQ(rowDump(models.lists[0], panes), "2:0:n|0:1:a|2:2:t1|2:3:t2|");
    EXPECT_EQ(rowDump(models.lists[1], panes), "3:0:|0:0:a|3:-1:|3:-1:|");

    // After another processing the padding is uncoloured.
    refreshLists(models, panes, settings, DisplayOptions{0, 8, 0}, StepCountRecord{});
    EXPECT_EQ(panes.rows[kBefore][2].status, 0);
}

TEST(CodeLists, ListPositionSwapsSides) {
    ModulePanes panes;
    CounterSettings settings;
    settings.delimit = 2;
    setPane(panes, kAfter, "a\n", {S});
    setPane(panes, kBefore, "a\n", {S});
    CodeListModels models;
    refreshLists(models, panes, settings, DisplayOptions{1, 8, 3}, StepCountRecord{});
    EXPECT_EQ(models.lists[0].side, kBefore);
    EXPECT_EQ(models.lists[0].heading.rfind("Before change", 0), 0u);
    EXPECT_EQ(models.lists[1].side, kAfter);
}

TEST(CodeLists, SideWithoutTextShowsOnlyItsHeading) {
    ModulePanes panes;
    CounterSettings settings;
    settings.delimit = 2;
    setPane(panes, kAfter, "\n", {S});  // one unit: no text
    CodeListModels models;
    refreshLists(models, panes, settings, DisplayOptions{0, 8, 3}, StepCountRecord{});
    EXPECT_TRUE(models.lists[0].captions.empty());
    EXPECT_EQ(models.lists[1].heading, "Before change");
    EXPECT_TRUE(models.lists[1].captions.empty());
}

TEST(CodeLists, CaptionsExpandTabsAndBlankDeletedCharacters) {
    const std::string line = std::string("a\tb\0c\0", 6);
    std::span<const unsigned char> bytes(reinterpret_cast<const unsigned char*>(line.data()),
                                         line.size());
    EXPECT_EQ(formatLineCaption(bytes, 0, 4), "a   b c");
    EXPECT_EQ(formatLineCaption(bytes, 0, 8), "a       b c");
    const std::string tabFirst = std::string("\tx\0", 3);
    EXPECT_EQ(formatLineCaption({reinterpret_cast<const unsigned char*>(tabFirst.data()), 3}, 0, 2),
              "  x");
    // A double-byte character takes two columns before a TAB.
    const std::string sjis = std::string("\x82\xa0\tz\0", 5);
    EXPECT_EQ(formatLineCaption({reinterpret_cast<const unsigned char*>(sjis.data()), 5}, 2, 4),
              std::string("\x82\xa0  z"));
    // UTF-16: a unit above 255 takes two columns.
    const std::u16string wide = u"\u3042\tz";
    EXPECT_EQ(formatLineCaption16({wide.data(), wide.size()}, 4), std::string("\x82\xa0  z"));
}

TEST(CodeLists, ByteOrderMarksAndLoneCarriageReturns) {
    ModulePanes panes;
    CounterSettings settings;
    settings.delimit = 3;
    setPane(panes, kAfter, "\xEF\xBB\xBFone\rtwo\r\n", {S, S});
    CodeListModels models;
    refreshLists(models, panes, settings, DisplayOptions{0, 8, 0}, StepCountRecord{});
    ASSERT_EQ(models.lists[0].captions.size(), 2u);
    EXPECT_EQ(models.lists[0].captions[0], "one");
    EXPECT_EQ(models.lists[0].captions[1], "two");
    EXPECT_EQ(panes.moduleText[kAfter][0], 0);  // the mark was overwritten in the text
}

TEST(CodeLists, Utf16TextIsWalkedByUnits) {
    ModulePanes panes;
    CounterSettings settings;
    settings.delimit = 2;
    const std::u16string text = u"\uFEFFab\ncd\n";
    std::string bytes;
    for (char16_t u : text) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    setPane(panes, kAfter, bytes, {S, S});
    panes.descriptors[kAfter].utf16 = 1;
    panes.moduleLength[kAfter] = static_cast<std::int32_t>(text.size());
    CodeListModels models;
    refreshLists(models, panes, settings, DisplayOptions{0, 8, 0}, StepCountRecord{});
    ASSERT_EQ(models.lists[0].captions.size(), 2u);
    EXPECT_EQ(models.lists[0].captions[0], "ab");
    EXPECT_EQ(models.lists[0].captions[1], "cd");
    EXPECT_EQ(models.lists[0].heading, "After change<UTF-16>[a.c]");
}

TEST(CodeLists, MoreLinesThanTheTablesHoldStayInBounds) {
    ModulePanes panes;
    CounterSettings settings;
    settings.delimit = 2;
    setPane(panes, kAfter, "1\n2\n3\n4\n5\n", {}, 2);
    CodeListModels models;
    refreshLists(models, panes, settings, DisplayOptions{0, 8, 0}, StepCountRecord{});
    EXPECT_EQ(models.lists[0].captions.size(), 5u);
    EXPECT_GE(panes.rows[kAfter].size(), 5u);
}

TEST(Navigation, FindsEachDifferingRowInTurn) {
    ModulePanes panes;
    panes.lineTableSize = 20;
    panes.rows[kAfter].assign(20, LineRecord{});
    panes.rows[kBefore].assign(20, LineRecord{});
    for (int r = 10; r <= 15; ++r) {
        panes.rows[kBefore][static_cast<std::size_t>(r)].status = B;
    }
    EXPECT_EQ(findNextDifference(panes, 10), 11);
    EXPECT_EQ(findNextDifference(panes, 15), std::nullopt);
    EXPECT_EQ(findPreviousDifference(panes, 10), std::nullopt);
    EXPECT_EQ(findPreviousDifference(panes, 19), 15);
    panes.rows[kAfter][3].status = 7;  // any status other than Same differs
    EXPECT_EQ(findNextDifference(panes, 0), 3);
}

TEST(StepCounts, StatusBarFormat) {
    StepCountRecord counts{0, 12, 3, 4, 0, 123456};
    EXPECT_EQ(formatStepCounts(counts),
              "New        12 Original      3 Changed      4 Re-used      0 Deleted 123456");
}

}  // namespace
}  // namespace tavelin
