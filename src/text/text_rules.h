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

// Number of units equal to u. Sixteen bytes at a time where the target has SSE2 (every x86-64
// machine), counted in byte or word lanes that are summed before they can overflow, so no
// population count is needed; a plain loop elsewhere.
template <class U>
inline std::int64_t countUnit(const U* b, std::int64_t n, unsigned u) {
    std::int64_t total = 0;
    std::int64_t i = 0;
#ifdef TAVELIN_SIMD_SSE2
    constexpr std::int64_t kLanes = 16 / static_cast<std::int64_t>(sizeof(U));
    // A lane counts at most 255 (bytes) or 65535 (words) before it is summed.
    constexpr std::int64_t kRounds = sizeof(U) == 1 ? 255 : 65535;
    const __m128i needle = sizeof(U) == 1 ? _mm_set1_epi8(static_cast<char>(u))
                                          : _mm_set1_epi16(static_cast<short>(u));
    while (n - i >= kLanes) {
        __m128i lanes = _mm_setzero_si128();
        const std::int64_t rounds = std::min<std::int64_t>((n - i) / kLanes, kRounds);
        for (std::int64_t r = 0; r < rounds; ++r, i += kLanes) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
            const __m128i hit =
                sizeof(U) == 1 ? _mm_cmpeq_epi8(v, needle) : _mm_cmpeq_epi16(v, needle);
            lanes = sizeof(U) == 1 ? _mm_sub_epi8(lanes, hit) : _mm_sub_epi16(lanes, hit);
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
#endif
    for (; i < n; ++i) {
        total += static_cast<unsigned>(b[i]) == u ? 1 : 0;
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
