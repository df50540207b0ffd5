#pragma once
// Tests over blocks of 16 units at once, for the quick skips, counts and copies of the passes:
// SSE2 where the target has it (every x86-64 target), plain loops elsewhere. Both forms give the
// same bit masks (bit k stands for unit k of the block), so a pass is written once over masks.

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "platform/simd.h"

// The block tests are a few instructions each and sit in the passes' innermost loops.
#if defined(__GNUC__) || defined(__clang__)
#define TAVELIN_BLOCK_INLINE inline __attribute__((always_inline))
#elif defined(_MSC_VER)
#define TAVELIN_BLOCK_INLINE __forceinline
#else
#define TAVELIN_BLOCK_INLINE inline
#endif

namespace tavelin::analysis {

constexpr std::int32_t kBlockUnits = 16;

#ifdef TAVELIN_SIMD_SSE2
constexpr bool kVectorBlocks = true;
#else
constexpr bool kVectorBlocks = false;
#endif

// A set of byte values as a few single values and closed ranges [lo, lo + width], so that the
// low bytes of a whole block can be tested at once. Sets that need more are not usable: callers
// then test unit by unit with the set's table.
struct ByteRanges {
    static constexpr int kMaxValues = 8;
    static constexpr int kMaxRanges = 4;  // runs of three values or more
    using Lanes = std::array<std::uint8_t, 16>;
    std::array<std::uint8_t, kMaxValues> value{};
    std::array<std::uint8_t, kMaxRanges> lo{};
    std::array<std::uint8_t, kMaxRanges> width{};
    int values = 0;
    int ranges = 0;
    bool usable = false;
    // The same repeated over 16 lanes for the block tests. Slots past the count repeat the first
    // entry, so that 2, 4 or 8 values and 2 or 4 ranges can always be tested.
    int valuesTested = 0;
    int rangesTested = 0;
    alignas(16) std::array<Lanes, kMaxValues> valueLanes{};
    alignas(16) std::array<Lanes, kMaxRanges> loLanes{};
    alignas(16) std::array<Lanes, kMaxRanges> widthLanes{};

    static ByteRanges of(const std::array<bool, 256>& bits) {
        ByteRanges r;
        unsigned v = 0;
        while (v < 256) {
            if (!bits[v]) {
                ++v;
                continue;
            }
            unsigned end = v;
            while (end + 1 < 256 && bits[end + 1]) {
                ++end;
            }
            if (end - v >= 2) {
                if (r.ranges == kMaxRanges) {
                    return ByteRanges{};
                }
                r.lo[static_cast<std::size_t>(r.ranges)] = static_cast<std::uint8_t>(v);
                r.width[static_cast<std::size_t>(r.ranges)] = static_cast<std::uint8_t>(end - v);
                ++r.ranges;
            } else {
                for (unsigned u = v; u <= end; ++u) {
                    if (r.values == kMaxValues) {
                        return ByteRanges{};
                    }
                    r.value[static_cast<std::size_t>(r.values)] = static_cast<std::uint8_t>(u);
                    ++r.values;
                }
            }
            v = end + 1;
        }
        r.usable = true;
        r.valuesTested = r.values == 0 ? 0 : (r.values <= 2 ? 2 : (r.values <= 4 ? 4 : 8));
        r.rangesTested = r.ranges == 0 ? 0 : (r.ranges <= 2 ? 2 : 4);
        for (std::size_t k = 0; k < static_cast<std::size_t>(r.valuesTested); ++k) {
            r.valueLanes[k].fill(r.value[k < static_cast<std::size_t>(r.values) ? k : 0]);
        }
        for (std::size_t k = 0; k < static_cast<std::size_t>(r.rangesTested); ++k) {
            const std::size_t from = k < static_cast<std::size_t>(r.ranges) ? k : 0;
            r.loLanes[k].fill(r.lo[from]);
            r.widthLanes[k].fill(r.width[from]);
        }
        return r;
    }

    bool has(unsigned byte) const {
        for (std::size_t k = 0; k < static_cast<std::size_t>(values); ++k) {
            if (byte == value[k]) {
                return true;
            }
        }
        for (std::size_t k = 0; k < static_cast<std::size_t>(ranges); ++k) {
            if (static_cast<std::uint8_t>(byte - lo[k]) <= width[k]) {
                return true;
            }
        }
        return false;
    }
};

// Asks for the memory at p to be brought into the cache; a hint only (never faults).
TAVELIN_BLOCK_INLINE void prefetchUnits(const void* p) {
#ifdef TAVELIN_SIMD_SSE2
    _mm_prefetch(static_cast<const char*>(p), _MM_HINT_T0);
#else
    (void)p;
#endif
}

// ---- Plain form -----------------------------------------------------------------------------

template <class U, bool Vector = kVectorBlocks>
class UnitBlock {
  public:
    explicit UnitBlock(const U* p) : p_(p) {}

    // Units equal to u.
    TAVELIN_BLOCK_INLINE std::uint32_t equal(unsigned u) const {
        return collect([u](unsigned c) { return c == u; });
    }
    // Units at or below limit.
    TAVELIN_BLOCK_INLINE std::uint32_t atMost(unsigned limit) const {
        return collect([limit](unsigned c) { return c <= limit; });
    }
    // Units whose low byte is in the ranges.
    TAVELIN_BLOCK_INLINE std::uint32_t lowByteIn(const ByteRanges& r) const {
        return collect([&r](unsigned c) { return r.has(c & 0xFFu); });
    }
    // Writes the block's units to dst, which lies at or before the block.
    TAVELIN_BLOCK_INLINE void storeTo(U* dst) const {
        for (int k = 0; k < kBlockUnits; ++k) {
            dst[k] = p_[k];
        }
    }

  private:
    template <class F>
    TAVELIN_BLOCK_INLINE std::uint32_t collect(F f) const {
        std::uint32_t m = 0;
        for (int k = 0; k < kBlockUnits; ++k) {
            m |= f(static_cast<unsigned>(p_[k])) ? std::uint32_t{1} << k : 0u;
        }
        return m;
    }
    const U* p_;
};

// ---- SSE2 form ------------------------------------------------------------------------------

#ifdef TAVELIN_SIMD_SSE2

namespace sse2 {

TAVELIN_BLOCK_INLINE std::uint32_t mask(__m128i bytes) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(bytes));
}
TAVELIN_BLOCK_INLINE __m128i splat(unsigned byte) {
    return _mm_set1_epi8(static_cast<char>(static_cast<std::uint8_t>(byte)));
}
// 0xFF in every byte at or below limit.
TAVELIN_BLOCK_INLINE __m128i bytesAtMost(__m128i v, unsigned limit) {
    return _mm_cmpeq_epi8(_mm_subs_epu8(v, splat(limit)), _mm_setzero_si128());
}

// 0xFF in every byte of v that is in the set.
TAVELIN_BLOCK_INLINE __m128i bytesInRanges(__m128i v, const ByteRanges& r) {
    auto lanes = [](const ByteRanges::Lanes& l) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(l.data()));
    };
    auto isValue = [&](std::size_t k) { return _mm_cmpeq_epi8(v, lanes(r.valueLanes[k])); };
    auto inRange = [&](std::size_t k) {
        const __m128i off = _mm_sub_epi8(v, lanes(r.loLanes[k]));
        return _mm_cmpeq_epi8(_mm_subs_epu8(off, lanes(r.widthLanes[k])), _mm_setzero_si128());
    };
    __m128i acc = _mm_setzero_si128();
    if (r.valuesTested >= 2) {
        acc = _mm_or_si128(isValue(0), isValue(1));
        if (r.valuesTested >= 4) {
            acc = _mm_or_si128(acc, _mm_or_si128(isValue(2), isValue(3)));
            if (r.valuesTested == 8) {
                acc = _mm_or_si128(acc, _mm_or_si128(_mm_or_si128(isValue(4), isValue(5)),
                                                     _mm_or_si128(isValue(6), isValue(7))));
            }
        }
    }
    if (r.rangesTested >= 2) {
        acc = _mm_or_si128(acc, _mm_or_si128(inRange(0), inRange(1)));
        if (r.rangesTested == 4) {
            acc = _mm_or_si128(acc, _mm_or_si128(inRange(2), inRange(3)));
        }
    }
    return acc;
}

}  // namespace sse2

template <>
class UnitBlock<unsigned char, true> {
  public:
    TAVELIN_BLOCK_INLINE explicit UnitBlock(const unsigned char* p)
        : v_(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))) {}

    TAVELIN_BLOCK_INLINE std::uint32_t equal(unsigned u) const {
        return u > 0xFF ? 0u : sse2::mask(_mm_cmpeq_epi8(v_, sse2::splat(u)));
    }
    TAVELIN_BLOCK_INLINE std::uint32_t atMost(unsigned limit) const {
        return limit >= 0xFF ? 0xFFFFu : sse2::mask(sse2::bytesAtMost(v_, limit));
    }
    TAVELIN_BLOCK_INLINE std::uint32_t lowByteIn(const ByteRanges& r) const {
        return sse2::mask(sse2::bytesInRanges(v_, r));
    }
    TAVELIN_BLOCK_INLINE void storeTo(unsigned char* dst) const {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), v_);
    }

  private:
    __m128i v_;
};

template <>
class UnitBlock<char16_t, true> {
  public:
    TAVELIN_BLOCK_INLINE explicit UnitBlock(const char16_t* p)
        : a_(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
          b_(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8))) {}

    TAVELIN_BLOCK_INLINE std::uint32_t equal(unsigned u) const {
        if (u > 0xFFFF) {
            return 0;
        }
        const __m128i w = _mm_set1_epi16(static_cast<short>(static_cast<std::uint16_t>(u)));
        return sse2::mask(_mm_packs_epi16(_mm_cmpeq_epi16(a_, w), _mm_cmpeq_epi16(b_, w)));
    }
    TAVELIN_BLOCK_INLINE std::uint32_t atMost(unsigned limit) const {
        if (limit >= 0xFF) {
            return collectSlow(limit);
        }
        return sse2::mask(_mm_and_si128(sse2::bytesAtMost(lowBytes(), limit), small()));
    }
    TAVELIN_BLOCK_INLINE std::uint32_t lowByteIn(const ByteRanges& r) const {
        return sse2::mask(sse2::bytesInRanges(lowBytes(), r));
    }
    TAVELIN_BLOCK_INLINE void storeTo(char16_t* dst) const {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), a_);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8), b_);
    }

  private:
    // The low byte of every unit, in unit order.
    TAVELIN_BLOCK_INLINE __m128i lowBytes() const {
        const __m128i low = _mm_set1_epi16(0x00FF);
        return _mm_packus_epi16(_mm_and_si128(a_, low), _mm_and_si128(b_, low));
    }
    // 0xFF for every unit at or below 0xFF.
    TAVELIN_BLOCK_INLINE __m128i small() const {
        const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF00));
        const __m128i z = _mm_setzero_si128();
        return _mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(a_, high), z),
                               _mm_cmpeq_epi16(_mm_and_si128(b_, high), z));
    }
    std::uint32_t collectSlow(unsigned limit) const {
        alignas(16) std::array<std::uint16_t, 16> u{};
        _mm_store_si128(reinterpret_cast<__m128i*>(u.data()), a_);
        _mm_store_si128(reinterpret_cast<__m128i*>(u.data() + 8), b_);
        std::uint32_t m = 0;
        for (std::size_t k = 0; k < u.size(); ++k) {
            m |= u[k] <= limit ? std::uint32_t{1} << k : 0u;
        }
        return m;
    }
    __m128i a_;
    __m128i b_;
};

#endif  // TAVELIN_SIMD_SSE2

// ---- Whole-range helpers ------------------------------------------------------------------

// Number of units in [0, n) equal to u.
template <class U, bool Vector = kVectorBlocks>
std::int64_t countEqualUnits(const U* b, std::int32_t n, unsigned u) {
    if (u > (std::is_same_v<U, unsigned char> ? 0xFFu : 0xFFFFu)) {
        return 0;
    }
    std::int64_t count = 0;
    std::int32_t i = 0;
#ifdef TAVELIN_SIMD_SSE2
    if constexpr (Vector) {
        // Byte counters that take at most 255 blocks each, then summed with psadbw.
        const __m128i zero = _mm_setzero_si128();
        const __m128i byte = sse2::splat(u);
        const __m128i unit = _mm_set1_epi16(static_cast<short>(static_cast<std::uint16_t>(u)));
        while (i + kBlockUnits <= n) {
            __m128i acc = zero;
            for (int k = 0; k < 255 && i + kBlockUnits <= n; ++k, i += kBlockUnits) {
                const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
                __m128i hit;
                if constexpr (std::is_same_v<U, unsigned char>) {
                    hit = _mm_cmpeq_epi8(v0, byte);
                } else {
                    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i + 8));
                    hit = _mm_packs_epi16(_mm_cmpeq_epi16(v0, unit), _mm_cmpeq_epi16(v1, unit));
                }
                acc = _mm_sub_epi8(acc, hit);
            }
            const __m128i sums = _mm_sad_epu8(acc, zero);
            count += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
        }
    }
#endif
    if constexpr (std::is_same_v<U, unsigned char>) {
        // Eight bytes at a time: a high bit for every matching byte, summed by a multiplication
        // (no population count instruction needed).
        constexpr std::uint64_t ones = 0x0101010101010101ULL;
        constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
        const std::uint64_t pattern = ones * u;
        for (; i + 8 <= n; i += 8) {
            std::uint64_t w = 0;
            std::memcpy(&w, b + i, 8);
            const std::uint64_t x = w ^ pattern;  // zero bytes where the unit is
            const std::uint64_t t = ((x & low7) + low7) | x;
            count += static_cast<std::int64_t>((((~t & ~low7) >> 7) * ones) >> 56);
        }
    }
    for (; i < n; ++i) {
        count += static_cast<unsigned>(b[i]) == u ? 1 : 0;
    }
    return count;
}

// First position in [from, n) whose unit equals u, or n.
template <class U, bool Vector = kVectorBlocks>
std::int32_t findEqualUnit(const U* b, std::int32_t from, std::int32_t n, unsigned u) {
    std::int32_t i = from;
    for (; i + kBlockUnits <= n; i += kBlockUnits) {
        const std::uint32_t m = UnitBlock<U, Vector>(b + i).equal(u);
        if (m != 0) {
            return i + std::countr_zero(m);
        }
    }
    for (; i < n; ++i) {
        if (static_cast<unsigned>(b[i]) == u) {
            return i;
        }
    }
    return n;
}

// First position in [from, n) whose unit is not NUL, or n.
template <class U, bool Vector = kVectorBlocks>
std::int32_t findNonZeroUnit(const U* b, std::int32_t from, std::int32_t n) {
    std::int32_t i = from;
    for (; i + kBlockUnits <= n; i += kBlockUnits) {
        const std::uint32_t m = UnitBlock<U, Vector>(b + i).equal(0) ^ 0xFFFFu;
        if (m != 0) {
            return i + std::countr_zero(m);
        }
    }
    while (i < n && b[i] == U(0)) {
        ++i;
    }
    return i;
}

// First position in [from, n) whose low byte is in the set (bits, with its ranges), or n.
template <class U, bool Vector = kVectorBlocks>
std::int32_t findLowByteIn(const U* b, std::int32_t from, std::int32_t n,
                           const std::array<bool, 256>& bits, const ByteRanges& ranges) {
    std::int32_t i = from;
    if (ranges.usable) {
        for (; i + kBlockUnits <= n; i += kBlockUnits) {
            const std::uint32_t m = UnitBlock<U, Vector>(b + i).lowByteIn(ranges);
            if (m != 0) {
                return i + std::countr_zero(m);
            }
        }
    }
    while (i < n && !bits[static_cast<unsigned>(b[i]) & 0xFFu]) {
        ++i;
    }
    return i;
}

// Number of set bits: the population count instruction when the build targets a processor that
// has it, otherwise a few shifts and one multiplication (never a library call).
TAVELIN_BLOCK_INLINE int countBits(std::uint64_t x) {
#ifdef TAVELIN_SIMD_POPCNT
    return std::popcount(x);
#else
    x = x - ((x >> 1) & 0x5555555555555555ULL);
    x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<int>((x * 0x0101010101010101ULL) >> 56);
#endif
}

// The 64 units at b + i (fewer at the end of the text) tested at once; bit k stands for unit
// i + k, and no bit is set past the end of the text.
template <class U, bool Vector = kVectorBlocks>
class UnitChunk {
  public:
    static constexpr std::int32_t kUnits = 64;

    UnitChunk(const U* b, std::int32_t i, std::int32_t n)
        : p_(b + i), count_(n - i < kUnits ? n - i : kUnits) {}

    std::int32_t size() const { return count_; }
    TAVELIN_BLOCK_INLINE std::uint64_t all() const {
        return count_ == kUnits ? ~std::uint64_t{0} : (std::uint64_t{1} << count_) - 1;
    }
    TAVELIN_BLOCK_INLINE std::uint64_t equal(unsigned u) const {
        return collect([u](const UnitBlock<U, Vector>& k) { return k.equal(u); },
                       [u](unsigned c) { return c == u; });
    }
    TAVELIN_BLOCK_INLINE std::uint64_t atMost(unsigned limit) const {
        return collect([limit](const UnitBlock<U, Vector>& k) { return k.atMost(limit); },
                       [limit](unsigned c) { return c <= limit; });
    }

  private:
    template <class B, class F>
    TAVELIN_BLOCK_INLINE std::uint64_t collect(B block, F unit) const {
        std::uint64_t m = 0;
        if (count_ == kUnits) {
            for (int k = 0; k < kUnits / kBlockUnits; ++k) {
                m |= std::uint64_t{block(UnitBlock<U, Vector>(p_ + k * kBlockUnits))}
                     << (k * kBlockUnits);
            }
            return m;
        }
        for (std::int32_t k = 0; k < count_; ++k) {
            m |= unit(static_cast<unsigned>(p_[k])) ? std::uint64_t{1} << k : 0;
        }
        return m;
    }
    const U* p_;
    std::int32_t count_;
};

// Walks the positions of one unit value in [from, n) in rising order, 64 units at a time, so
// that a pass going from line end to line end does not start a new search for every line.
// Units before the position last returned may be changed while walking; later ones may not.
template <class U, bool Vector = kVectorBlocks>
class UnitCursor {
  public:
    UnitCursor(const U* b, std::int32_t from, std::int32_t n, unsigned u)
        : b_(b), n_(n), u_(u), base_(from) {
        load();
    }

    // The next position, or n when there is none.
    std::int32_t next() {
        while (hits_ == 0) {
            if (base_ + kChunk >= n_) {
                base_ = n_;
                return n_;
            }
            base_ += kChunk;
            load();
        }
        const std::int32_t at = base_ + std::countr_zero(hits_);
        hits_ &= hits_ - 1;
        return at;
    }

  private:
    static constexpr std::int32_t kChunk = 64;

    void load() {
        hits_ = 0;
        if (base_ + kChunk <= n_) {
            for (int k = 0; k < kChunk / kBlockUnits; ++k) {
                const std::uint64_t m =
                    UnitBlock<U, Vector>(b_ + base_ + k * kBlockUnits).equal(u_);
                hits_ |= m << (k * kBlockUnits);
            }
            return;
        }
        for (std::int32_t i = base_; i < n_; ++i) {
            if (static_cast<unsigned>(b_[i]) == u_) {
                hits_ |= std::uint64_t{1} << (i - base_);
            }
        }
    }

    const U* b_;
    std::int32_t n_;
    unsigned u_;
    std::int32_t base_;
    std::uint64_t hits_ = 0;
};

// Moves the units of a block that the mask keeps to b + out (at or before the block), in order;
// returns the position after them. A mixed block is packed in scratch (room for 64 units) with
// copies of a whole block's width, then stored at out with one more: the units written past the
// kept ones lie inside the block just read.
template <class U, bool Vector>
TAVELIN_BLOCK_INLINE std::int32_t keepUnits(U* b, std::int32_t out,
                                            const UnitBlock<U, Vector>& block, std::uint32_t keep,
                                            U* scratch) {
    if (keep == 0xFFFFu) {
        block.storeTo(b + out);
        return out + kBlockUnits;
    }
    if (keep == 0) {
        return out;
    }
    constexpr std::size_t width = sizeof(U) * kBlockUnits;
    U* const packed = scratch + 2 * kBlockUnits;
    block.storeTo(scratch);
    int kept = 0;
    for (std::uint32_t m = keep; m != 0;) {
        const int from = std::countr_zero(m);
        const int run = std::countr_zero(~(m >> from));
        std::memcpy(packed + kept, scratch + from, width);
        kept += run;
        m &= ~(((std::uint32_t{1} << run) - 1) << from);
    }
    std::memcpy(b + out, packed, width);
    return out + kept;
}

// Drops every NUL unit of [0, n), keeping the others in order; returns how many remain. Units
// from that count on are written only at the count itself (with a NUL).
template <class U, bool Vector = kVectorBlocks>
std::int32_t dropZeroUnits(U* b, std::int32_t n) {
    std::int32_t i = 0;
    // Up to the first NUL nothing moves.
    for (; i + kBlockUnits <= n; i += kBlockUnits) {
        if (UnitBlock<U, Vector>(b + i).equal(0) != 0) {
            break;
        }
    }
    while (i < n && b[i] != U(0)) {
        ++i;
    }
    std::int32_t out = i;
    std::array<U, 4 * kBlockUnits> scratch{};
    for (; i + kBlockUnits <= n; i += kBlockUnits) {
        const UnitBlock<U, Vector> block(b + i);
        out = keepUnits(b, out, block, block.equal(0) ^ 0xFFFFu, scratch.data());
    }
    for (; i < n; ++i) {
        const U c = b[i];
        b[out] = c;
        out += c != U(0) ? 1 : 0;
    }
    return out;
}

}  // namespace tavelin::analysis
