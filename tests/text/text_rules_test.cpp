#include "text/text_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace tavelin {
namespace {

// What equal(u) gives a mask form: the units of [i, i + width) equal to u.
template <class U>
auto equalIn(const std::vector<U>& text, std::int64_t i, int width) {
    return [&text, i, width](unsigned u) {
        std::uint64_t m = 0;
        for (int k = 0; k < width; ++k) {
            m |= static_cast<unsigned>(text[static_cast<std::size_t>(i + k)]) == u
                     ? std::uint64_t{1} << k
                     : 0;
        }
        return m;
    };
}

template <class U>
void checkMasks(const std::vector<U>& text, int delimit, std::mt19937& rng) {
    const U* b = text.data();
    const auto n = static_cast<std::int64_t>(text.size());
    // The walk from unit to unit: where line ends start and which units they cover.
    std::vector<bool> starts(text.size());
    std::vector<bool> units(text.size());
    for (std::int64_t i = 0; i < n;) {
        const int w = text::lineEndWidth(b, n, i, delimit);
        if (w == 0) {
            ++i;
            continue;
        }
        starts[static_cast<std::size_t>(i)] = true;
        for (int k = 0; k < w; ++k) {
            units[static_cast<std::size_t>(i + k)] = true;
        }
        if (w == 2 && delimit == text::kDelimitMixed) {
            // lineEndAt finds the pair at its LF; the line end starts at the CR.
            EXPECT_EQ(text::lineEndStart(b, 0, i + 1, delimit), i);
        }
        i += w;
    }
    // The same block by block, in blocks of any width.
    bool lfFirst = false;
    for (std::int64_t i = 0; i < n;) {
        const int width = static_cast<int>(std::min<std::int64_t>(1 + rng() % 64, n - i));
        const auto equal = equalIn(text, i, width);
        const std::uint64_t at = text::lineEndAtMask(b, i, width, n, delimit, equal);
        const text::LineEndMasks walk =
            text::lineEndWidthMasks(b, i, width, n, delimit, lfFirst, equal);
        for (int k = 0; k < width; ++k) {
            const auto p = static_cast<std::size_t>(i + k);
            ASSERT_EQ((at >> k) & 1, text::lineEndAt(b, n, i + k, delimit) > 0 ? 1u : 0u)
                << "unit " << p;
            ASSERT_EQ((walk.starts >> k) & 1, starts[p] ? 1u : 0u) << "unit " << p;
            ASSERT_EQ((walk.units >> k) & 1, units[p] ? 1u : 0u) << "unit " << p;
        }
        lfFirst = walk.pairOpen;
        i += width;
    }
}

// The mask forms of the passes' block loops give, for blocks of every width and a pair cut by a
// block's end, the line ends the unit-at-a-time rules give.
TEST(LineEndRules, MaskFormsAgreeWithTheUnitForms) {
    std::mt19937 rng(21);
    const unsigned pool[] = {text::kCr, text::kLf, text::kCr, text::kLf, 'a', 0};
    for (int round = 0; round < 1500; ++round) {
        std::vector<unsigned char> bytes(rng() % 300);
        for (auto& c : bytes) {
            c = static_cast<unsigned char>(pool[rng() % (sizeof pool / sizeof pool[0])]);
        }
        std::vector<char16_t> wide(bytes.begin(), bytes.end());
        if (!wide.empty()) {
            wide[rng() % wide.size()] = 0x0D0A;  // neither CR nor LF
        }
        for (int delimit = -1; delimit <= 4; ++delimit) {
            SCOPED_TRACE("round " + std::to_string(round) + " delimit " + std::to_string(delimit));
            checkMasks(bytes, delimit, rng);
            checkMasks(wide, delimit, rng);
            if (::testing::Test::HasFatalFailure()) {
                return;
            }
        }
    }
}

TEST(LineEndRules, ModeThreeTakesCrLfAsOneLineEndOnceLoneCrsAreGone) {
    std::vector<unsigned char> t{'a', '\r', '\r', '\n', '\r'};
    text::normaliseLoneCrs(std::span<unsigned char>(t));
    EXPECT_EQ(t, (std::vector<unsigned char>{'a', '\n', '\r', '\n', '\n'}));
    const auto n = static_cast<std::int64_t>(t.size());
    EXPECT_EQ(text::lineEndWidth(t.data(), n, 1, text::kDelimitMixed), 1);
    EXPECT_EQ(text::lineEndWidth(t.data(), n, 2, text::kDelimitMixed), 2);
    EXPECT_EQ(text::lineEndAt(t.data(), n, 2, text::kDelimitMixed), 0);  // found at its LF
    EXPECT_EQ(text::lineEndStart(t.data(), 0, 3, text::kDelimitMixed), 2);
    EXPECT_EQ(text::lineEndStart(t.data(), 3, 3, text::kDelimitMixed), 3);  // not before `from`
    // Mode 2 never pairs: the CR is a unit of the line.
    EXPECT_EQ(text::lineEndWidth(t.data(), n, 2, text::kDelimitLf), 0);
    EXPECT_EQ(text::lineEndStart(t.data(), 0, 3, text::kDelimitLf), 3);
    EXPECT_FALSE(text::crLfPairAt(t.data(), n, 2, text::kDelimitCr));
    EXPECT_TRUE(text::crLfPairAt(t.data(), n, 2, text::kDelimitCrLf));
}

}  // namespace
}  // namespace tavelin
