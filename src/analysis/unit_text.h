#pragma once
// Unit-level helpers shared by every pass. A unit is a byte of 8-bit text or a 16-bit unit of
// UTF-16 text; the passes are templates over the unit type.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "analysis/unit_blocks.h"
#include "text/text_rules.h"

namespace tavelin::analysis {

template <class U>
using UString = std::basic_string<U>;

constexpr unsigned kNul = 0x00;
constexpr unsigned kCr = 0x0D;
constexpr unsigned kLf = 0x0A;
constexpr unsigned kTab = 0x09;
constexpr unsigned kSpace = 0x20;
constexpr unsigned kEsc = 0x1B;

template <class U>
constexpr bool kWide = !std::is_same_v<U, unsigned char>;

template <class U>
inline unsigned val(U u) {
    return static_cast<unsigned>(u);
}

// The line-end modes of [DELIMIT].
using text::kDelimitCr;
using text::kDelimitCrLf;
using text::kDelimitLf;
using text::kDelimitMixed;

// Width of the line end that starts at i (0: none): the text layer's rule.
template <class U>
inline int lineEndAt(const U* b, std::int32_t n, std::int32_t i, int delimit) {
    return text::lineEndAt(b, n, i, delimit);
}

// The same, but a CR LF pair is one line end in mode 3 as well (text::lineEndWidth).
template <class U>
inline int lineEndWidth(const U* b, std::int32_t n, std::int32_t i, int delimit) {
    return text::lineEndWidth(b, n, i, delimit);
}

// Where the line end that lineEndAt finds at i starts (text::lineEndStart).
template <class U>
inline std::int32_t lineEndStart(const U* b, std::int32_t from, std::int32_t i, int delimit) {
    return static_cast<std::int32_t>(text::lineEndStart(b, from, i, delimit));
}

// Position of the first unit equal to u in [from, n), or n.
template <class U>
inline std::int32_t findUnit(const U* b, std::int32_t from, std::int32_t n, unsigned u) {
    if (from >= n) {
        return n;
    }
    if constexpr (!kWide<U>) {
        // Lines and literals are short: look at the next blocks in place before calling memchr.
        std::int32_t i = from;
        if constexpr (kVectorBlocks) {
            for (int k = 0; k < 4 && i + kBlockUnits <= n; ++k, i += kBlockUnits) {
                const std::uint32_t m = UnitBlock<U>(b + i).equal(u);
                if (m != 0) {
                    return i + std::countr_zero(m);
                }
            }
        }
        const void* hit = std::memchr(b + i, static_cast<int>(u), static_cast<std::size_t>(n - i));
        return hit == nullptr ? n : static_cast<std::int32_t>(static_cast<const U*>(hit) - b);
    } else {
        return findEqualUnit(b, from, n, u);
    }
}

// The unit a line end of this mode starts with (0 when the mode has none).
using text::lineEndLead;

// Walks the line ends of a text in order, as repeated nextLineEnd calls from the end of the
// previous line end would find them. Units before the line end last returned may be changed
// while walking (a pass may clear a line end it has seen), later ones may not.
template <class U>
class LineEndCursor {
  public:
    LineEndCursor(const U* b, std::int32_t n, int delimit)
        : b_(b),
          n_(n),
          pairs_(delimit == kDelimitCrLf),
          none_(lineEndLead(delimit) == 0),
          units_(b, 0, none_ ? 0 : n, lineEndLead(delimit)) {}

    // Start of the next line end (n when there is none) and its width (0 when there is none).
    std::int32_t next(int& width) {
        width = 0;
        if (none_) {
            return n_;
        }
        for (std::int32_t i = units_.next(); i < n_; i = units_.next()) {
            if (!pairs_) {
                width = 1;
                return i;
            }
            // CR LF pairs cannot overlap, so every CR that a LF follows starts one.
            if (i + 1 < n_ && static_cast<unsigned>(b_[i + 1]) == kLf) {
                width = 2;
                return i;
            }
        }
        width = 0;
        return n_;
    }

  private:
    const U* b_;
    std::int32_t n_;
    bool pairs_;
    bool none_;
    UnitCursor<U> units_;
};

// Starts of the line ends among the units of a chunk at i, as LineEndCursor finds them.
template <class U>
TAVELIN_BLOCK_INLINE std::uint64_t lineEndStarts(const UnitChunk<U>& c, const U* b, std::int32_t i,
                                                 std::int32_t n, int delimit) {
    return text::lineEndAtMask(b, i, c.size(), n, delimit, [&c](unsigned u) { return c.equal(u); });
}

// Start of the next line end at or after from (n when there is none) and its width: the text
// layer's rule, with this layer's quick unit search.
template <class U>
inline std::int32_t nextLineEnd(const U* b, std::int32_t from, std::int32_t n, int delimit,
                                int& width) {
    width = 0;
    const unsigned lead = lineEndLead(delimit);
    if (lead == 0) {
        return n;
    }
    for (std::int32_t i = findUnit(b, from, n, lead); i < n; i = findUnit(b, i + 1, n, lead)) {
        width = lineEndAt(b, n, i, delimit);
        if (width > 0) {
            return i;
        }
    }
    return n;
}

inline bool isSpaceOrTab(unsigned c) {
    return c == kSpace || c == kTab;
}

inline bool isIdentifierUnit(unsigned c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 0x5F && c <= 0x7A);
}

inline unsigned foldAscii(unsigned c) {
    return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
}

inline bool isSjisLead(unsigned c) {
    return text::isShiftJisLead(c);
}

// One character step: two units for a Shift-JIS lead byte with its trail byte, else one.
template <class U>
inline std::int32_t charStep(const U* b, std::int32_t n, std::int32_t i, int codeNo) {
    if constexpr (!kWide<U>) {
        if (codeNo == 2 && isSjisLead(val(b[i])) && i + 1 < n) {
            return 2;
        }
    }
    (void)b;
    (void)n;
    (void)i;
    (void)codeNo;
    return 1;
}

// Position after the last CR or LF before pos (0 when there is none).
template <class U>
inline std::int32_t lineStartBefore(const U* b, std::int32_t pos) {
    std::int32_t i = pos;
    while (i > 0) {
        const unsigned c = val(b[i - 1]);
        if (c == kCr || c == kLf) {
            break;
        }
        --i;
    }
    return i;
}

// Whether columnOf(pos) (1 + units since the last CR or LF) equals col; looks back at most col
// units.
template <class U>
inline bool columnIs(const U* b, std::int32_t pos, std::int32_t col) {
    if (col < 1 || pos - (col - 1) < 0) {
        return false;
    }
    const std::int32_t start = pos - (col - 1);
    for (std::int32_t i = start; i < pos; ++i) {
        const unsigned c = val(b[i]);
        if (c == kCr || c == kLf) {
            return false;
        }
    }
    if (start == 0) {
        return true;
    }
    const unsigned before = val(b[start - 1]);
    return before == kCr || before == kLf;
}

// Exact comparison of the pattern at i; false when it does not fit.
template <class U>
inline bool matchesExactly(const U* b, std::int32_t n, std::int32_t i, const UString<U>& pat) {
    const auto m = static_cast<std::int32_t>(pat.size());
    if (m > n - i) {
        return false;
    }
    for (std::int32_t k = 0; k < m; ++k) {
        if (b[i + k] != pat[static_cast<std::size_t>(k)]) {
            return false;
        }
    }
    return true;
}

template <class U>
inline void clearRange(U* b, std::int32_t from, std::int32_t to) {
    for (std::int32_t i = from; i < to; ++i) {
        b[i] = U(0);
    }
}

}  // namespace tavelin::analysis
