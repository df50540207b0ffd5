#pragma once
// The line-level passes of the line scanner. Each works in place on n units; removed units
// become NUL and only compact() moves anything.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "analysis/recognisers.h"
#include "analysis/unit_text.h"
#include "datafiles/records.h"
#include "text/text_rules.h"

namespace tavelin::analysis {

// Clears a leading byte order mark (EF BB BF in 8-bit text, U+FEFF or U+FFFE in UTF-16).
template <class U>
void removeByteOrderMark(std::span<U> units) {
    const std::size_t mark = text::byteOrderMarkLength(std::span<const U>(units));
    std::fill_n(units.begin(), mark, U(0));
}

// [DELIMIT] 3: every CR not directly followed by LF becomes LF.
template <class U>
void normaliseLineEnds(std::span<U> units) {
    text::normaliseLoneCrs(units);
}

// Length of a full-width space sequence at i for the code number (0: none). jisRun tells
// whether a JIS two-byte run is open.
template <class U>
inline std::int32_t fullWidthSpaceAt(const U* b, std::int32_t n, std::int32_t i, int codeNo,
                                     bool jisRun) {
    if constexpr (kWide<U>) {
        (void)n;
        (void)codeNo;
        (void)jisRun;
        return val(b[i]) == 0x3000 ? 1 : 0;
    } else {
        switch (codeNo) {
            case 1:
                return (i + 2 < n && b[i] == 0xE3 && b[i + 1] == 0x80 && b[i + 2] == 0x80) ? 3 : 0;
            case 2:
                return (i + 1 < n && b[i] == 0x81 && b[i + 1] == 0x40) ? 2 : 0;
            case 3:
                return (i + 1 < n && b[i] == 0xA1 && b[i + 1] == 0xA1) ? 2 : 0;
            case 4:
                return (jisRun && i + 1 < n && b[i] == 0x21 && b[i + 1] == 0x21) ? 2 : 0;
            default:
                return 0;
        }
    }
}

// A JIS escape sequence (ESC and the two units after it) at i.
template <class U>
inline bool jisEscapeAt(const U* b, std::int32_t n, std::int32_t i, int codeNo) {
    return !kWide<U> && codeNo == 4 && val(b[i]) == kEsc && i + 2 < n;
}
template <class U>
inline bool jisKanjiInAt(const U* b, std::int32_t i) {
    return val(b[i + 1]) == '$' && val(b[i + 2]) == 'B';
}

// Whether the line [i, e) shows nothing that disqualifies it (see countBlankLines); not for
// JIS text with whiteIsBlank.
template <class U>
bool lineIsBlank(const U* b, std::int32_t i, std::int32_t e, int codeNo, bool whiteIsBlank) {
    if (e == i) {
        return true;
    }
    if (!whiteIsBlank) {
        return false;
    }
    std::int32_t j = i;
    while (j < e) {
        const std::int32_t fw = fullWidthSpaceAt(b, e, j, codeNo, false);
        if (fw > 0) {
            j += fw;
        } else if (val(b[j]) <= 0x20) {
            ++j;
        } else {
            return false;
        }
    }
    return true;
}

// Bits of the line end starts that have no unit of `units` between them and the line end start
// before (or the chunk start, when openHasUnits is false). A borrow of the subtraction never
// passes a line end start, as the units between two starts weigh less than the upper one.
inline std::uint64_t linesWithout(std::uint64_t starts, std::uint64_t units, bool openHasUnits) {
    std::uint64_t m = (starts - units) & starts;
    if (openHasUnits) {
        m &= ~(starts & (0 - starts));
    }
    return m;
}

// Whether units after the last line end start of a chunk (or, without one, anywhere in the
// chunk or before it) keep the running line from being blank or empty.
inline bool openLineHasUnits(std::uint64_t starts, std::uint64_t units, bool openHasUnits) {
    if (starts == 0) {
        return openHasUnits || units != 0;
    }
    const int top = 63 - std::countl_zero(starts);
    return top < 63 && (units >> (top + 1)) != 0;
}

// The line ends of a text as loaded: for every chunk of 64 units a mask of the units that end a
// line end (bit k of entry c stands for unit 64c + k), their number, and the position after the
// last one (0 without one).
struct LoadedLineEnds {
    std::vector<std::uint64_t> lastUnits;
    std::int64_t count = 0;
    std::int32_t tail = 0;
};

// Numbers of loaded lines for rising positions: the line ends of a LoadedLineEnds that end
// before a position. Every line end is counted once on its own, so the walk costs what the
// lines cost.
class LoadedLineCounter {
  public:
    LoadedLineCounter() = default;
    explicit LoadedLineCounter(const LoadedLineEnds& ends) : masks_(ends.lastUnits.data()) {
        if (!ends.lastUnits.empty()) {
            rest_ = masks_[0];
        }
    }

    // Positions must not fall; each lies inside the text the line ends were taken from.
    std::int64_t endsBefore(std::int32_t i) {
        const auto chunk = static_cast<std::size_t>(i) / 64;
        while (chunk_ < chunk) {
            count_ += countBits(rest_);
            rest_ = masks_[++chunk_];
        }
        const std::uint64_t below = (std::uint64_t{1} << (static_cast<unsigned>(i) % 64)) - 1;
        count_ += countBits(rest_ & below);
        rest_ &= ~below;
        return count_;
    }

  private:
    const std::uint64_t* masks_ = nullptr;
    std::size_t chunk_ = 0;
    std::uint64_t rest_ = 0;  // line ends of the chunk not counted yet
    std::int64_t count_ = 0;
};

// Walks the line ends a chunk of units at a time: records them in loaded (when given) and, with
// countBlanks, returns the number of lines countBlankLines() counts.
template <class U>
std::int32_t walkLineEnds(std::span<const U> text, int delimit, int codeNo, bool whiteIsBlank,
                          bool countBlanks, LoadedLineEnds* loaded) {
    const U* b = text.data();
    const auto n = static_cast<std::int32_t>(text.size());
    if constexpr (kWide<U>) {
        codeNo = -1;
    }
    const std::int32_t w = text::lineEndUnits(delimit);
    const bool crLf = delimit == kDelimitCrLf;
    if (loaded != nullptr) {
        *loaded = LoadedLineEnds{};
        loaded->lastUnits.reserve(static_cast<std::size_t>(n / UnitChunk<U>::kUnits) + 1);
    }
    // Without full-width spaces of several units, masks decide whether a line is blank.
    const bool byMasks = !whiteIsBlank || codeNo <= 0;
    std::int64_t blanks = 0;
    bool openHasUnits = false;
    bool pairCarry = false;  // mode 0: the chunk starts with the LF of a CR LF pair
    std::int32_t lineStart = 0;
    for (std::int32_t i = 0; i < n; i += UnitChunk<U>::kUnits) {
        prefetchUnits(b + i + 16 * UnitChunk<U>::kUnits);
        const UnitChunk<U> c(b, i, n);
        const std::uint64_t starts = lineEndStarts(c, b, i, n, delimit);
        const std::uint64_t carried = pairCarry ? 1u : 0u;
        if (loaded != nullptr) {
            loaded->lastUnits.push_back(crLf ? (starts << 1) | carried : starts);
            loaded->count += countBits(starts);
            if (starts != 0) {
                loaded->tail = i + 63 - std::countl_zero(starts) + w;
            }
        }
        if (countBlanks && byMasks) {
            std::uint64_t units = 0;  // units that keep their line from being blank
            if (whiteIsBlank) {
                units = c.all() & ~c.atMost(0x20);
                if constexpr (kWide<U>) {
                    units &= ~c.equal(0x3000);
                }
            } else {
                units = c.all() & ~starts;
                if (crLf) {
                    units &= ~(starts << 1) & ~carried;
                }
            }
            blanks += countBits(linesWithout(starts, units, openHasUnits));
            openHasUnits = openLineHasUnits(starts, units, openHasUnits);
        } else if (countBlanks) {
            for (std::uint64_t m = starts; m != 0; m &= m - 1) {
                const std::int32_t e = i + std::countr_zero(m);
                blanks += lineIsBlank(b, lineStart, e, codeNo, whiteIsBlank) ? 1 : 0;
                lineStart = e + w;
            }
        }
        pairCarry = crLf && (starts >> 63) != 0;
    }
    return clampCount(blanks);
}

// Lines that end with a line end and show nothing that disqualifies them. Without
// whiteIsBlank, any unit disqualifies a line; with it, only units that are not white space.
template <class U>
std::int32_t countBlankLines(std::span<const U> text, int delimit, int codeNo, bool whiteIsBlank) {
    const U* b = text.data();
    const auto n = static_cast<std::int32_t>(text.size());
    if constexpr (kWide<U>) {
        codeNo = -1;
    }
    if (codeNo != 4 || !whiteIsBlank) {
        return walkLineEnds(text, delimit, codeNo, whiteIsBlank, true, nullptr);
    }
    // JIS: escape sequences switch the two-byte run on and off across lines.
    std::int64_t count = 0;
    bool blank = true;
    bool jisRun = false;
    std::int32_t i = 0;
    while (i < n) {
        const int w = lineEndAt(b, n, i, delimit);
        if (w > 0) {
            count += blank ? 1 : 0;
            blank = true;
            i += w;
            continue;
        }
        if (jisEscapeAt(b, n, i, codeNo)) {
            jisRun = jisKanjiInAt(b, i);
            i += 3;
            continue;
        }
        const std::int32_t fw = fullWidthSpaceAt(b, n, i, codeNo, jisRun);
        if (fw > 0) {
            i += fw;
            continue;
        }
        const unsigned c = val(b[i]);
        if (jisRun && c > 0x20) {
            // A two-byte character of the run.
            blank = false;
            i += (i + 1 < n && lineEndAt(b, n, i + 1, delimit) == 0) ? 2 : 1;
            continue;
        }
        if (c > 0x20) {
            blank = false;
        }
        ++i;
    }
    return clampCount(count);
}

// At the start of every line: digits become NUL; a space becomes NUL and ends the number;
// another unit above 0x20 ends it and stays; TAB and other control units stay.
template <class U>
void deleteLeadingNumbers(std::span<U> text, int delimit) {
    U* b = text.data();
    const auto n = static_cast<std::int32_t>(text.size());
    bool inNumber = true;
    std::int32_t i = 0;
    while (i < n) {
        const int w = lineEndAt(b, n, i, delimit);
        if (w > 0) {
            inNumber = true;
            i += w;
            continue;
        }
        if (inNumber) {
            const unsigned c = val(b[i]);
            if (c >= '0' && c <= '9') {
                b[i] = U(0);
            } else if (c == kSpace) {
                b[i] = U(0);
                inNumber = false;
            } else if (c > 0x20) {
                inNumber = false;
            }
        }
        ++i;
    }
}

// The first k positions of every line become NUL (the line end is never touched).
template <class U>
void deleteLeadingBytes(std::span<U> text, int delimit, std::int32_t k) {
    if (k <= 0) {
        return;
    }
    U* b = text.data();
    const auto n = static_cast<std::int32_t>(text.size());
    std::int32_t col = 0;
    std::int32_t i = 0;
    while (i < n) {
        const int w = lineEndAt(b, n, i, delimit);
        if (w > 0) {
            col = 0;
            i += w;
            continue;
        }
        if (col < k) {
            b[i] = U(0);
            ++col;
        }
        ++i;
    }
}

enum class SpaceMode { Full, Trailing };

// Removes white space outside string literals: every run in full mode, only the run at the end
// of each line in trailing mode.
template <class U>
void deleteSpaces(Scanner<U>& sc, SpaceMode mode) {
    U* b = sc.data();
    const std::int32_t n = sc.size();
    const int delimit = sc.delimit();
    const int codeNo = kWide<U> ? -1 : sc.codeNo();
    const CompiledRules<U>& rs = sc.rules();
    const bool jis = codeNo == 4;
    bool jisRun = false;
    std::int32_t segStart = 0;
    std::int32_t runStart = -1;  // start of the white run that reaches the current position

    // Tidies a processed JIS segment: shift sequences left around removed full-width spaces.
    auto tidyJis = [&](std::int32_t from, std::int32_t to) {
        for (std::int32_t p = from; p + 2 < to; ++p) {
            if (val(b[p]) != kEsc || p == from || val(b[p - 1]) != kNul || jisKanjiInAt(b, p)) {
                continue;
            }
            std::int32_t r = p;
            while (r > from && val(b[r - 1]) == kNul) {
                --r;
            }
            clearRange(b, p, p + 3);
            if (r - 3 >= from && val(b[r - 3]) == kEsc && jisKanjiInAt(b, r - 3)) {
                clearRange(b, r - 3, r);
            }
            p += 2;
        }
        for (std::int32_t p = from; p + 2 < to; ++p) {
            if (val(b[p]) == kEsc && jisKanjiInAt(b, p)) {
                std::int32_t z = p + 3;
                while (z < to && val(b[z]) == kNul) {
                    ++z;
                }
                if (z >= to) {
                    clearRange(b, p, p + 3);
                }
            }
        }
    };
    auto closeSegment = [&](std::int32_t end, bool atLineEnd) {
        if (atLineEnd && runStart >= 0) {
            clearRange(b, runStart, end);
        }
        if (jis) {
            tidyJis(segStart, end);
        }
        runStart = -1;
    };

    // Units that need a closer look; any other unit is code that ends a white run.
    std::array<bool, 256> special{};
    for (unsigned u = 0; u <= 0x20; ++u) {
        special[u] = true;
    }
    for (unsigned u = 0; u < 256; ++u) {
        special[u] = special[u] || rs.stringSet.bits[u] || rs.stringSet.always ||
                     (codeNo == 1 && u == 0xE3) || (codeNo == 2 && isSjisLead(u)) ||
                     (codeNo == 3 && u == 0xA1);
    }

    // One token at i, a unit that needs a closer look; returns the position after it.
    auto token = [&](std::int32_t i) -> std::int32_t {
        const unsigned c = val(b[i]);
        if (c <= 0x20 && c != kCr && c != kLf && c != kEsc && !(jis && jisRun) &&
            !rs.stringSet.test(c)) {
            // A plain blank: the common case.
            if (runStart < 0) {
                runStart = i;
            }
            if (mode == SpaceMode::Full) {
                b[i] = U(0);
            }
            return i + 1;
        }
        if (rs.stringSet.test(c)) {
            const std::int32_t k = sc.scanStringLiteral(i);
            if (k > 0) {
                closeSegment(i, false);
                segStart = i + k;
                return i + k;
            }
        }
        const int w = lineEndWidth(b, n, i, delimit);
        if (w > 0) {
            closeSegment(i, true);
            segStart = i + w;
            return i + w;
        }
        if (jisEscapeAt(b, n, i, codeNo)) {
            // After code an escape is code; after white space it joins that run.
            jisRun = jisKanjiInAt(b, i);
            return i + 3;
        }
        const std::int32_t fw = fullWidthSpaceAt(b, n, i, codeNo, jisRun);
        const bool white = fw > 0 || (!(jis && jisRun) && c <= 0x20);
        if (white) {
            const std::int32_t len = fw > 0 ? fw : 1;
            if (runStart < 0) {
                runStart = i;
            }
            if (mode == SpaceMode::Full) {
                clearRange(b, i, i + len);
            }
            return i + len;
        }
        runStart = -1;
        // A two-byte character, unless the text or the line ends after its first unit.
        std::int32_t step = (jis && jisRun) ? 2 : charStep(b, n, i, codeNo);
        if (step == 2 && (i + 1 >= n || lineEndAt(b, n, i + 1, delimit) > 0)) {
            step = 1;
        }
        return i + step;
    };

    // Outside JIS text, and unless a literal can start with CR or LF, the units other than
    // literal starts and full-width space leads are tokens of one unit each (a line end of CR LF
    // excepted): blanks (at most 0x20), code, and line ends. Those are handled a block at a time
    // with masks; the other units stop the block and go through token().
    std::array<bool, 256> stopBits{};
    for (unsigned u = 0; u < 256; ++u) {
        stopBits[u] = rs.stringSet.bits[u] || (codeNo == 1 && u == 0xE3) ||
                      (codeNo == 2 && isSjisLead(u)) || (codeNo == 3 && u == 0xA1);
    }
    const ByteRanges stops = (jis || rs.stringSet.always || stopBits[kCr] || stopBits[kLf])
                                 ? ByteRanges{}
                                 : ByteRanges::of(stopBits);

    std::int32_t i = 0;
    if (stops.usable && sc.cache().environment().spaceBlocks) {
        bool pairEnd = false;  // the unit at i is the LF of a CR LF pair that the last block ended
        // runStart in a local: the lambdas see it only around token(), and a unit store could
        // otherwise change it.
        std::int32_t run = runStart;
        for (; i + kBlockUnits <= n; i += kBlockUnits) {
            prefetchUnits(b + i + 512);
            const UnitBlock<U> block(b + i);
            const std::uint32_t stopMask = block.lowByteIn(stops);
            const std::uint32_t valid = stopMask == 0 ? 0xFFFFu : (stopMask & (0u - stopMask)) - 1;
            const text::LineEndMasks ends =
                text::lineEndWidthMasks(b, i, kBlockUnits, n, delimit, pairEnd,
                                        [&block](unsigned u) { return block.equal(u); });
            auto starts = static_cast<std::uint32_t>(ends.starts);
            const auto endUnits = static_cast<std::uint32_t>(ends.units);
            std::uint32_t white = block.atMost(0x20);
            if constexpr (kWide<U>) {
                white |= block.equal(0x3000);  // a full-width space is one white unit
            }
            white &= valid & ~endUnits;
            const std::uint32_t other = valid & ~white;  // code and line ends
            starts &= valid;
            if (mode == SpaceMode::Full) {
                for (std::uint32_t m = white; m != 0; m &= m - 1) {
                    b[i + std::countr_zero(m)] = U(0);
                }
            } else {
                // Line ends that white space reaches.
                for (std::uint32_t m = starts & ((white << 1) | (run >= 0 ? 1u : 0u)); m != 0;
                     m &= m - 1) {
                    const int e = std::countr_zero(m);
                    const std::uint32_t before = other & ((1u << e) - 1);
                    const std::int32_t from =
                        before != 0 ? i + static_cast<std::int32_t>(std::bit_width(before))
                                    : (run >= 0 ? run : i);
                    clearRange(b, from, i + e);
                }
            }
            if (valid != 0) {
                // The white run that reaches the end of the units passed, if any.
                const int top = static_cast<int>(std::bit_width(valid)) - 1;
                const std::int32_t from = other != 0
                                              ? i + static_cast<std::int32_t>(std::bit_width(other))
                                              : (run >= 0 ? run : i);
                run = ((white >> top) & 1u) != 0 ? from : -1;
            }
            if (stopMask != 0) {
                runStart = run;
                i = token(i + std::countr_zero(stopMask)) - kBlockUnits;
                run = runStart;
                pairEnd = false;
            } else {
                pairEnd = ends.pairOpen;
            }
        }
        runStart = run;
        if (pairEnd) {
            ++i;
        }
    }
    if (jis) {
        while (i < n) {
            if (!jisRun) {
                const std::int32_t from = i;
                while (i < n && !special[val(b[i])]) {
                    ++i;
                }
                if (i != from) {
                    runStart = -1;
                }
                if (i >= n) {
                    break;
                }
            }
            i = token(i);
        }
    } else {
        // Short tails and rule sets the blocks cannot take, one token at a time.
        while (i < n) {
            i = token(i);
        }
    }
    closeSegment(n, true);
}

// Clears the line ends of the lines that hold nothing but NUL, CR and LF, one chunk of 64 units
// after the other from the start. Clearing a line end touches nothing after it, so a chunk's
// masks stay true while its lines are cleared; in mode 3 it may clear the last unit of the chunk
// before (a CR).
template <class U>
class EmptyLineClearer {
  public:
    EmptyLineClearer(U* b, std::int32_t n, int delimit) : b_(b), n_(n), delimit_(delimit) {}

    TAVELIN_BLOCK_INLINE void clearChunk(std::int32_t i) {
        const UnitChunk<U> c(b_, i, n_);
        const std::uint64_t starts = lineEndStarts(c, b_, i, n_, delimit_);
        const std::uint64_t units = c.all() & ~(c.equal(kNul) | c.equal(kCr) | c.equal(kLf));
        const std::uint64_t empty = linesWithout(starts, units, openHasUnits_);
        openHasUnits_ = openLineHasUnits(starts, units, openHasUnits_);
        for (std::uint64_t m = empty; m != 0; m &= m - 1) {
            clearLineEnd(i + std::countr_zero(m), text::lineEndUnits(delimit_));
        }
    }
    void clearLineEnd(std::int32_t e, std::int32_t w) {
        const std::int32_t from = lineEndStart(b_, 0, e, delimit_);
        clearRange(b_, from, e + w);
        removed_ += e + w - from;
    }
    std::int64_t removed() const { return removed_; }

  private:
    U* b_;
    std::int32_t n_;
    int delimit_;
    bool openHasUnits_ = false;
    std::int64_t removed_ = 0;
};

// Clears the line end of every line that holds nothing but NUL, CR and LF; returns the units
// cleared. With a table, entry k afterwards holds the lineIndex of the k-th remaining line (the
// last line, without a line end, is neither removed nor mapped).
template <class U>
std::int32_t removeEmptyLines(std::span<U> text, int delimit, LineTable* table) {
    U* b = text.data();
    const auto n = static_cast<std::int32_t>(text.size());
    EmptyLineClearer<U> clearer(b, n, delimit);
    if (table == nullptr) {
        for (std::int32_t i = 0; i < n; i += UnitChunk<U>::kUnits) {
            clearer.clearChunk(i);
        }
        return clampCount(clearer.removed());
    }
    std::size_t lineNo = 0;  // line of the text as it stands
    std::size_t next = 0;    // next free table entry
    LineEndCursor<U> cursor(b, n, delimit);
    std::int32_t i = 0;
    int w = 0;
    for (std::int32_t e = cursor.next(w); w > 0; e = cursor.next(w)) {
        bool empty = true;
        for (std::int32_t j = i; j < e; ++j) {
            const unsigned c = val(b[j]);
            if (c != kNul && c != kCr && c != kLf) {
                empty = false;
                break;
            }
        }
        if (empty) {
            clearer.clearLineEnd(e, w);
        } else {
            if (lineNo < table->size() && next < table->size()) {
                (*table)[next].lineIndex = (*table)[lineNo].lineIndex;
            }
            ++next;
        }
        ++lineNo;
        i = e + w;
    }
    return clampCount(clearer.removed());
}

// Drops the NUL units of a text front to back, a block at a time; also counts the remaining
// lines as countLines() counts them in the compacted text and, with a table, gives every
// remaining line, in table entry order, the number of the loaded line on which its first
// remaining unit stands. Everything a block needs is read before the block moves.
template <class U>
class CompactingSweep {
  public:
    CompactingSweep(U* b, std::int32_t n, int delimit, const LoadedLineEnds* loaded,
                    LineTable* table)
        : b_(b),
          n_(n),
          delimit_(delimit),
          lead_(lineEndLead(delimit)),
          closing_(delimit == kDelimitCrLf ? kLf : lineEndLead(delimit)),
          loaded_(loaded),
          table_(table),
          mapping_(loaded != nullptr && table != nullptr) {}

    // Takes every unit; before the units of each chunk of 64, calls beforeChunk(chunk start),
    // which may change units of that chunk and after it. Writes a NUL after the remaining units
    // when anything was dropped and returns their number; lines receives countLines(remaining
    // units, delimit, eofflg).
    template <class BeforeChunk>
    std::int32_t run(BeforeChunk beforeChunk, int eofflg, std::int32_t& lines) {
        // The state lives in a local while units are written: a store through an unsigned char
        // pointer could otherwise change any member.
        State st;
        if (mapping_) {
            st.loadedLines = LoadedLineCounter(*loaded_);
        }
        U* const b = b_;
        constexpr std::int32_t chunk = UnitChunk<U>::kUnits;
        for (std::int32_t c = 0; c < n_; c += chunk) {
            prefetchUnits(b + c + 16 * chunk);
            beforeChunk(c);
            const std::int32_t to = c + chunk < n_ ? c + chunk : n_;
            for (; st.i + kBlockUnits <= to; st.i += kBlockUnits) {
                takeBlock(b, st);
            }
            for (; st.i < to; ++st.i) {
                takeUnit(b, st);
            }
        }
        std::int64_t count = st.lineEnds;
        if (eofflg == 1) {
            for (std::int32_t k = st.afterLastEnd; k < st.out; ++k) {
                if (val(b[k]) > 0x20) {
                    ++count;
                    break;
                }
            }
        }
        lines = clampCount(count);
        if (st.out < n_) {
            b[st.out] = U(0);
        }
        return st.out;
    }

  private:
    struct State {
        std::int32_t i = 0;
        std::int32_t out = 0;
        LoadedLineCounter loadedLines;
        std::size_t entry = 0;
        bool lineStart = true;
        bool lastIsCr = false;  // mode 0: the last remaining unit is a CR
        std::int64_t lineEnds = 0;
        std::int32_t afterLastEnd = 0;  // in the remaining units
    };

    TAVELIN_BLOCK_INLINE void mapLine(State& st, std::int32_t i) const {
        if (!mapping_) {
            return;
        }
        const std::int64_t line = st.loadedLines.endsBefore(i);
        if (st.entry < table_->size()) {
            (*table_)[st.entry].lineIndex = static_cast<std::int32_t>(line);
        }
        ++st.entry;
    }

    // A remaining line starts at the first remaining unit and at the first remaining unit after
    // every remaining line end: a lead unit, or in mode 0 a LF whose remaining predecessor is a
    // CR.
    TAVELIN_BLOCK_INLINE void takeBlock(U* b, State& st) {
        const std::int32_t i = st.i;
        const UnitBlock<U> block(b + i);
        const std::uint32_t keep = block.equal(0) ^ 0xFFFFu;
        if (keep == 0) {
            return;
        }
        if (st.lineStart) {
            mapLine(st, i + std::countr_zero(keep));
            st.lineStart = false;
        }
        int lastEnd = -1;
        for (std::uint32_t m = lead_ != 0 ? block.equal(closing_) : 0u; m != 0; m &= m - 1) {
            const int t = std::countr_zero(m);
            if (delimit_ == kDelimitCrLf) {
                const std::uint32_t before = keep & ((1u << t) - 1);
                const bool afterCr =
                    before != 0
                        ? val(b[i + static_cast<std::int32_t>(std::bit_width(before)) - 1]) == kCr
                        : st.lastIsCr;
                if (!afterCr) {
                    continue;
                }
            }
            ++st.lineEnds;
            lastEnd = t;
            const std::uint32_t after = keep & ~((2u << t) - 1);
            if (after == 0) {
                st.lineStart = true;
                break;
            }
            mapLine(st, i + std::countr_zero(after));
        }
        if (lastEnd >= 0) {
            st.afterLastEnd = st.out + countBits(keep & ((2u << lastEnd) - 1));
        }
        if (delimit_ == kDelimitCrLf) {
            st.lastIsCr = val(b[i + static_cast<std::int32_t>(std::bit_width(keep)) - 1]) == kCr;
        }
        st.out = keepUnits(b, st.out, block, keep, scratch_.data());
    }

    TAVELIN_BLOCK_INLINE void takeUnit(U* b, State& st) {
        const U c = b[st.i];
        if (c == U(0)) {
            return;
        }
        if (st.lineStart) {
            mapLine(st, st.i);
        }
        const unsigned v = val(c);
        const bool end =
            delimit_ == kDelimitCrLf ? (v == kLf && st.lastIsCr) : (lead_ != 0 && v == lead_);
        st.lastIsCr = v == kCr;
        b[st.out++] = c;
        st.lineStart = end;
        if (end) {
            ++st.lineEnds;
            st.afterLastEnd = st.out;
        }
    }

    U* b_;
    std::int32_t n_;
    int delimit_;
    unsigned lead_;
    unsigned closing_;
    const LoadedLineEnds* loaded_;
    LineTable* table_;
    bool mapping_;  // a table to fill
    std::array<U, 4 * kBlockUnits> scratch_{};
};

// What removeEmptyLines() (with dropEmptyLines), then compactMappingLines() (with a table) or
// compact(), then countLines() on the result give, in one sweep: empty lines are cleared one
// chunk ahead of the compaction. Returns the new length; lines receives the line count.
template <class U>
std::int32_t compactCountingLines(std::span<U> text, int delimit, bool dropEmptyLines,
                                  const LoadedLineEnds* loaded, LineTable* table, int eofflg,
                                  std::int32_t& lines) {
    U* b = text.data();
    const auto n = static_cast<std::int32_t>(text.size());
    CompactingSweep<U> sweep(b, n, delimit, loaded, table);
    if (!dropEmptyLines) {
        return sweep.run([](std::int32_t) {}, eofflg, lines);
    }
    // Empty lines are cleared a chunk ahead of the compaction: in mode 3 a line end at the
    // start of a chunk also clears a CR at the end of the chunk before.
    constexpr std::int32_t chunk = UnitChunk<U>::kUnits;
    EmptyLineClearer<U> clearer(b, n, delimit);
    auto clearAhead = [&](std::int32_t c) {
        if (c == 0) {
            clearer.clearChunk(0);
        }
        if (c + chunk < n) {
            clearer.clearChunk(c + chunk);
        }
    };
    return sweep.run(clearAhead, eofflg, lines);
}

// Drops every NUL; when anything was dropped a NUL is written after the new end. Returns the
// new length. Units after that NUL may hold anything.
template <class U>
std::int32_t compact(std::span<U> text) {
    const auto n = static_cast<std::int32_t>(text.size());
    const std::int32_t len = dropZeroUnits(text.data(), n);
    if (len < n) {
        text[static_cast<std::size_t>(len)] = U(0);
    }
    return len;
}

// Deletes white space with the module's string rules.
template <class U>
void deleteSpaces(std::span<U> text, const ExtensionDefinition* def, const PassOptions& opt,
                  SpaceMode mode, const RuleEnvironment& env = {}) {
    RuleCache<U> cache(def, env);
    Scanner<U> sc(text.data(), static_cast<std::int32_t>(text.size()), opt, cache);
    deleteSpaces(sc, mode);
}

}  // namespace tavelin::analysis
