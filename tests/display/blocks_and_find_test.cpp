// Change blocks and finding text in the code lists, on small hand-made pairs.

#include <gtest/gtest.h>

#include <string>

#include "display/change_blocks.h"
#include "display/find_text.h"

namespace tavelin {
namespace {

constexpr LineStatus S = LineStatus::Same, D = LineStatus::Deleted, A = LineStatus::Added,
                     B = LineStatus::Blank;

CodeList listOf(int side, std::initializer_list<LineStatus> statuses) {
    CodeList list;
    list.side = side;
    std::int32_t i = 0;
    for (LineStatus s : statuses) {
        list.rows.push_back({0, 0, i++, s});
    }
    return list;
}

TEST(ChangeBlocks, RunsOfDifferingRowsWithTheStatusOfEachSide) {
    CodeListModels m;
    m.lists[0] = listOf(0, {S, A, A, S, B, S, A});
    m.lists[1] = listOf(1, {S, D, B, S, D, S, B, D});  // one row longer
    const auto blocks = changeBlocks(m);
    ASSERT_EQ(blocks.size(), 3U);
    EXPECT_EQ(blocks[0].first, 1);
    EXPECT_EQ(blocks[0].last, 2);
    EXPECT_EQ(blocks[0].left, A);
    EXPECT_EQ(blocks[0].right, D);
    EXPECT_EQ(blocks[1].first, 4);
    EXPECT_EQ(blocks[1].left, B);
    EXPECT_EQ(blocks[2].first, 6);
    EXPECT_EQ(blocks[2].last, 7);  // the longer list's last row belongs to it

    // Jumps: the next block starts after the row, the previous one before it.
    EXPECT_EQ(nextBlock(blocks, 0), 0U);
    EXPECT_EQ(nextBlock(blocks, 1), 1U);
    EXPECT_EQ(nextBlock(blocks, 6), std::nullopt);  // at the last block
    EXPECT_EQ(previousBlock(blocks, 6), 1U);
    EXPECT_EQ(previousBlock(blocks, 1), std::nullopt);  // at the first block
    EXPECT_EQ(previousBlock(blocks, 100), 2U);

    CodeListModels same;
    same.lists[0] = listOf(0, {S, S});
    same.lists[1] = listOf(1, {S, S});
    EXPECT_TRUE(changeBlocks(same).empty());
}

// Two panes of 8-bit text (UTF-8 on the left, Shift-JIS on the right) shown as plain lists.
struct Texts {
    ModulePanes panes;
    CodeListModels models;
    Texts(const std::string& left, int leftCode, const std::string& right, int rightCode) {
        const std::string* texts[2] = {&left, &right};
        const int codes[2] = {leftCode, rightCode};
        for (std::size_t s = 0; s < 2; ++s) {
            panes.present[s] = true;
            panes.hasBuffer[s] = true;
            panes.descriptors[s].codeNo = static_cast<std::uint8_t>(codes[s]);
            panes.moduleText[s].bytes.assign(texts[s]->begin(), texts[s]->end());
            panes.moduleText[s].bytes.push_back(0);
            panes.moduleLength[s] = static_cast<std::int32_t>(texts[s]->size());
            panes.lines[s].assign(16, LineRecord{});
        }
        panes.lineTableSize = 16;
        CounterSettings lf;
        lf.delimit = 2;
        refreshLists(models, panes, lf, DisplayOptions{}, StepCountRecord{});
    }
};

TEST(FindText, ForwardBackwardAcrossBothListsAndRound) {
    Texts t("alpha\nbeta\nGamma beta\n", 1, "beta\nalphabet\n", 2);
    FindOptions any;
    auto hit = findInLists(t.panes, t.models, u"beta", any, {0, -1}, true);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->place.row, 0);  // row 0: the right list's "beta"
    EXPECT_EQ(hit->place.list, 1);
    hit = findInLists(t.panes, t.models, u"beta", any, hit->place, true);
    EXPECT_EQ(hit->place.list, 0);
    EXPECT_EQ(hit->place.row, 1);
    hit = findInLists(t.panes, t.models, u"beta", any, hit->place, true);
    EXPECT_EQ(hit->place.list, 0);  // not "alphabet"
    EXPECT_EQ(hit->place.row, 2);
    EXPECT_FALSE(hit->wrapped);
    hit = findInLists(t.panes, t.models, u"beta", any, hit->place, true);
    EXPECT_TRUE(hit->wrapped);
    EXPECT_EQ(hit->place.row, 0);
    // Backward from the start goes round to the last.
    hit = findInLists(t.panes, t.models, u"beta", any, {0, 0}, false);
    EXPECT_TRUE(hit->wrapped);
    EXPECT_EQ(hit->place.row, 2);

    // Case and whole words.
    FindOptions exact{true, false};
    EXPECT_EQ(findInLists(t.panes, t.models, u"gamma", exact, {0, -1}, true), std::nullopt);
    EXPECT_EQ(findInLists(t.panes, t.models, u"gamma", any, {0, -1}, true)->place.row, 2);
    FindOptions word{false, true};
    hit = findInLists(t.panes, t.models, u"alpha", word, {0, -1}, true);
    EXPECT_EQ(hit->place.list, 0);
    hit = findInLists(t.panes, t.models, u"alpha", word, hit->place, true);
    EXPECT_TRUE(hit->wrapped);  // "alphabet" is not the word
    EXPECT_EQ(findInLists(t.panes, t.models, u"nowhere", any, {0, -1}, true), std::nullopt);
    EXPECT_EQ(findInLists(t.panes, t.models, u"", any, {0, -1}, true), std::nullopt);
}

TEST(FindText, EncodingsAndDoubleByteCharacters) {
    // Shift-JIS: U+30A2 is 83 41, whose trail byte is 'A'. Neither "A" nor "a" finds it.
    Texts t("caf\xC3\xA9\n", 1, "\x83\x41\nxA\n", 2);
    FindOptions any;
    auto hit = findInLists(t.panes, t.models, u"a", any, {0, -1}, true);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->place.list, 0);  // "café"
    hit = findInLists(t.panes, t.models, u"a", any, hit->place, true);
    EXPECT_EQ(hit->place.list, 1);
    EXPECT_EQ(hit->place.row, 1);  // "xA", not the katakana
    EXPECT_TRUE(rowHolds(t.panes, t.models.lists[1], 0, u"\u30A2", any));
    EXPECT_TRUE(rowHolds(t.panes, t.models.lists[0], 0, u"caf\u00E9", any));
    // "x[" is found where it stands, not where 'x' and '[' are the trail bytes of two
    // double-byte characters (83 78 and 83 5B).
    Texts u("a\n", 1, "\x83x\x83[\nyx[\n", 2);
    const auto bracket = findInLists(u.panes, u.models, u"x[", any, {0, -1}, true);
    ASSERT_TRUE(bracket);
    EXPECT_EQ(bracket->place.list, 1);
    EXPECT_EQ(bracket->place.row, 1);
    // A character the code page lacks is in no Shift-JIS text.
    EXPECT_FALSE(rowHolds(t.panes, t.models.lists[1], 1, u"x\u00E9", any));
}

}  // namespace
}  // namespace tavelin
