#pragma once
// The rules of module text that every layer shares: what ends a line under [DELIMIT], which
// bytes lead and trail a Shift-JIS double-byte character, and the byte-order marks. A unit is a
// byte of 8-bit text or a 16-bit unit of UTF-16 text.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>

#include "platform/simd.h"

namespace tavelin::text {

inline constexpr unsigned kCr = 0x0D;
inline constexpr unsigned kLf = 0x0A;

// The line-end modes of [DELIMIT]: 0 CR LF, 1 CR, 2 LF, 3 LF once every CR that is not followed
// by LF has been turned into LF. Any other value recognises no line end.
inline constexpr int kDelimitCrLf = 0;
inline constexpr int kDelimitCr = 1;
inline constexpr int kDelimitLf = 2;
inline constexpr int kDelimitMixed = 3;

// A Shift-JIS lead byte (the first byte of a double-byte character).
constexpr bool isShiftJisLead(unsigned b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
// A byte that can follow a lead byte. '<', '>', '&', CR and LF never can.
constexpr bool isShiftJisTrail(unsigned b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// The unit a line end of this mode starts with (0 when the mode has none).
constexpr unsigned lineEndLead(int delimit) {
    switch (delimit) {
        case kDelimitCrLf:
        case kDelimitCr:
            return kCr;
        case kDelimitLf:
        case kDelimitMixed:
            return kLf;
        default:
            return 0;
    }
}

// Width of the line end that starts at i (0: none); a CR LF pair in mode 0 is two units wide.
template <class U>
inline int lineEndAt(const U* b, std::int64_t n, std::int64_t i, int delimit) {
    const auto c = static_cast<unsigned>(b[i]);
    switch (delimit) {
        case kDelimitCrLf:
            return (c == kCr && i + 1 < n && static_cast<unsigned>(b[i + 1]) == kLf) ? 2 : 0;
        case kDelimitCr:
            return c == kCr ? 1 : 0;
        case kDelimitLf:
        case kDelimitMixed:
            return c == kLf ? 1 : 0;
        default:
            return 0;
    }
}

// Units of a line end that lineEndAt finds: two for CR LF in mode 0, else one.
constexpr int lineEndUnits(int delimit) {
    return delimit == kDelimitCrLf ? 2 : 1;
}

// Whether CR LF is one line end of two units that starts at the CR. Always in mode 0; in mode 3
// too, once normaliseLoneCrs has run: LF alone ends a line there, and the CR before it goes with
// it (lineEndAt finds such a line end at its LF).
constexpr bool pairsCrLf(int delimit) {
    return delimit == kDelimitCrLf || delimit == kDelimitMixed;
}

// Whether a CR LF pair that the mode takes as one line end starts at i.
template <class U>
inline bool crLfPairAt(const U* b, std::int64_t n, std::int64_t i, int delimit) {
    return pairsCrLf(delimit) && static_cast<unsigned>(b[i]) == kCr && i + 1 < n &&
           static_cast<unsigned>(b[i + 1]) == kLf;
}

// Width of the line end that starts at i (0: none) for a walk from unit to unit: lineEndAt, but
// a CR LF pair is one line end in mode 3 as well.
template <class U>
inline int lineEndWidth(const U* b, std::int64_t n, std::int64_t i, int delimit) {
    return crLfPairAt(b, n, i, delimit) ? 2 : lineEndAt(b, n, i, delimit);
}

// Where the line end that lineEndAt finds at i starts: at the CR before it in mode 3 (never
// before `from`), else at i.
template <class U>
inline std::int64_t lineEndStart(const U* b, std::int64_t from, std::int64_t i, int delimit) {
    return delimit == kDelimitMixed && i > from && static_cast<unsigned>(b[i - 1]) == kCr ? i - 1
                                                                                          : i;
}

// The same rules over a block of `width` units (1 to 64) that starts at unit i of a text of n
// units, as bit masks: bit k stands for unit i + k. equal(u) gives the mask of the block's units
// equal to u; it is asked only for what the mode needs.

// The units at which lineEndAt finds a line end.
template <class U, class Equal>
inline std::uint64_t lineEndAtMask(const U* b, std::int64_t i, int width, std::int64_t n,
                                   int delimit, Equal equal) {
    switch (delimit) {
        case kDelimitCrLf: {
            const std::int64_t end = i + width;
            const std::uint64_t nextLf = end < n && static_cast<unsigned>(b[end]) == kLf
                                             ? std::uint64_t{1} << (width - 1)
                                             : 0;
            return equal(kCr) & ((equal(kLf) >> 1) | nextLf);
        }
        case kDelimitCr:
            return equal(kCr);
        case kDelimitLf:
        case kDelimitMixed:
            return equal(kLf);
        default:
            return 0;
    }
}

// The line ends of a walk with lineEndWidth through a block.
struct LineEndMasks {
    std::uint64_t starts = 0;  // first units of line ends
    std::uint64_t units = 0;   // every unit of a line end, the LF of a pair the block before began
    bool pairOpen = false;     // the last unit is the CR of a pair whose LF follows the block
};

// lfFirst: unit i is the LF of a pair that the block before opened.
template <class U, class Equal>
inline LineEndMasks lineEndWidthMasks(const U* b, std::int64_t i, int width, std::int64_t n,
                                      int delimit, bool lfFirst, Equal equal) {
    LineEndMasks m;
    if (pairsCrLf(delimit)) {
        const std::uint64_t top = std::uint64_t{1} << (width - 1);
        const std::uint64_t inBlock = top | (top - 1);
        const bool nextLf = i + width < n && static_cast<unsigned>(b[i + width]) == kLf;
        const std::uint64_t lf = equal(kLf);
        const std::uint64_t crs = equal(kCr) & ((lf >> 1) | (nextLf ? top : 0));
        const std::uint64_t pairLfs = ((crs << 1) & inBlock) | (lfFirst ? 1u : 0u);
        m.starts = crs;
        if (delimit == kDelimitMixed) {
            m.starts |= lf & ~pairLfs;
        }
        m.units = m.starts | pairLfs;
        m.pairOpen = (crs & top) != 0;
    } else if (const unsigned lead = lineEndLead(delimit); lead != 0) {
        m.starts = equal(lead);
        m.units = m.starts;
    }
    return m;
}

// Position of the first unit equal to u in [from, n), or n.
template <class U>
inline std::int64_t findUnit(const U* b, std::int64_t from, std::int64_t n, unsigned u) {
    if (from >= n) {
        return n;
    }
    if constexpr (sizeof(U) == 1) {
        const void* hit =
            std::memchr(b + from, static_cast<int>(u), static_cast<std::size_t>(n - from));
        return hit == nullptr ? n : static_cast<const U*>(hit) - b;
    } else {
        return std::find(b + from, b + n, static_cast<U>(u)) - b;
    }
}

#ifdef TAVELIN_SIMD_SSE2
namespace detail {

// Counts, for the blocks of 16 bytes from position i on that lie inside [0, n), the lanes that
// hit(position) sets to all ones; leaves i after the last block. Counted in byte or word lanes
// that are summed before they can overflow, so no population count is needed.
template <class U, class Hit>
inline std::int64_t countLaneHits(std::int64_t n, std::int64_t& i, Hit hit) {
    constexpr std::int64_t kLanes = 16 / static_cast<std::int64_t>(sizeof(U));
    // A lane counts at most 255 (bytes) or 65535 (words) before it is summed.
    constexpr std::int64_t kRounds = sizeof(U) == 1 ? 255 : 65535;
    std::int64_t total = 0;
    while (n - i >= kLanes) {
        __m128i lanes = _mm_setzero_si128();
        const std::int64_t rounds = std::min<std::int64_t>((n - i) / kLanes, kRounds);
        for (std::int64_t r = 0; r < rounds; ++r, i += kLanes) {
            lanes = sizeof(U) == 1 ? _mm_sub_epi8(lanes, hit(i)) : _mm_sub_epi16(lanes, hit(i));
        }
        if constexpr (sizeof(U) == 1) {
            const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
            total += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
        } else {
            alignas(16) std::uint16_t words[8];
            _mm_store_si128(reinterpret_cast<__m128i*>(words), lanes);
            for (const std::uint16_t w : words) {
                total += w;
            }
        }
    }
    return total;
}

template <class U>
inline __m128i equalLanes(const U* p, __m128i needle) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return sizeof(U) == 1 ? _mm_cmpeq_epi8(v, needle) : _mm_cmpeq_epi16(v, needle);
}

template <class U>
inline __m128i splatUnit(unsigned u) {
    return sizeof(U) == 1 ? _mm_set1_epi8(static_cast<char>(u))
                          : _mm_set1_epi16(static_cast<short>(u));
}

}  // namespace detail
#endif

// Number of units equal to u. Sixteen bytes at a time where the target has SSE2 (every x86-64
// machine), a plain loop elsewhere.
template <class U>
inline std::int64_t countUnit(const U* b, std::int64_t n, unsigned u) {
    std::int64_t total = 0;
    std::int64_t i = 0;
#ifdef TAVELIN_SIMD_SSE2
    const __m128i needle = detail::splatUnit<U>(u);
    total = detail::countLaneHits<U>(
        n, i, [&](std::int64_t at) { return detail::equalLanes(b + at, needle); });
#endif
    for (; i < n; ++i) {
        total += static_cast<unsigned>(b[i]) == u ? 1 : 0;
    }
    return total;
}

// Number of positions i with b[i] == first and b[i + 1] == second (both inside [0, n)), as
// countUnit counts.
template <class U>
inline std::int64_t countUnitPairs(const U* b, std::int64_t n, unsigned first, unsigned second) {
    std::int64_t total = 0;
    std::int64_t i = 0;
#ifdef TAVELIN_SIMD_SSE2
    const __m128i one = detail::splatUnit<U>(first);
    const __m128i two = detail::splatUnit<U>(second);
    // A block of pairs at i reads one unit past the block.
    total = detail::countLaneHits<U>(n - 1, i, [&](std::int64_t at) {
        return _mm_and_si128(detail::equalLanes(b + at, one), detail::equalLanes(b + at + 1, two));
    });
#endif
    for (; i + 1 < n; ++i) {
        total += static_cast<unsigned>(b[i]) == first && static_cast<unsigned>(b[i + 1]) == second
                     ? 1
                     : 0;
    }
    return total;
}

// Start of the next line end at or after `from` (n when there is none) and its width (0 when
// there is none).
template <class U>
inline std::int64_t nextLineEnd(const U* b, std::int64_t from, std::int64_t n, int delimit,
                                int& width) {
    width = 0;
    const unsigned lead = lineEndLead(delimit);
    if (lead == 0) {
        return n;
    }
    for (std::int64_t i = findUnit(b, from, n, lead); i < n; i = findUnit(b, i + 1, n, lead)) {
        width = lineEndAt(b, n, i, delimit);
        if (width > 0) {
            return i;
        }
    }
    return n;
}

// [DELIMIT] 3: every CR that is not directly followed by LF becomes LF, in place.
template <class U>
inline void normaliseLoneCrs(std::span<U> text) {
    const auto n = static_cast<std::int64_t>(text.size());
    U* b = text.data();
    for (std::int64_t i = findUnit(b, 0, n, kCr); i < n; i = findUnit(b, i + 1, n, kCr)) {
        if (!(i + 1 < n && static_cast<unsigned>(b[i + 1]) == kLf)) {
            b[i] = U(kLf);
        }
    }
}

// The units of a byte-order mark at the start of the text: EF BB BF in 8-bit text (3), U+FEFF
// or U+FFFE in UTF-16 text (1); 0 without one.
template <class U>
inline std::size_t byteOrderMarkLength(std::span<const U> text) {
    if constexpr (sizeof(U) == 1) {
        return text.size() >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF ? 3 : 0;
    } else {
        return !text.empty() && (text[0] == 0xFEFF || text[0] == 0xFFFE) ? 1 : 0;
    }
}

}  // namespace tavelin::text
