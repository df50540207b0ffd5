#include "compare/line_matcher.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "platform/codepage.h"
#include "platform/parallel.h"

namespace tavelin {

namespace {

// Lengths and line numbers are 32-bit throughout the program; longer input is cut there.
constexpr std::size_t kMaxUnits =
    static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) - 64;

// Upper-case mapping of one unit.
inline unsigned char foldUnit(unsigned char c) {
    return upperByte(c);
}
inline char16_t foldUnit(char16_t c) {
    return upperUnit(c);
}

// ---------------------------------------------------------------------------------------------
// Line splitting.

// The lines of one text. Line i starts at starts[i]; its compared content is
// [starts[i], starts[i] + lengths[i]) (a final CR already left out). starts[count] is where the
// position ends up after the last line, which may lie past the end of the text.
struct LineSplit {
    std::vector<std::int64_t> starts;
    std::vector<std::uint32_t> lengths;
    std::int32_t count = 0;
    std::int64_t length = 0;
};

// Finds where the line content that starts at `from` ends: at a NUL or at a unit of a delimiter.
// For CR LF, every LF preceded by CR pairs with it (two pairs cannot overlap), so a CR ends the
// content only when an LF follows, and a line can start on the LF of a pair after a NUL.
template <class Unit>
class LineEndFinder {
  public:
    LineEndFinder(const Unit* text, std::size_t length, std::int32_t delimiter)
        : text_(text), length_(length), delimiter_(delimiter) {}

    std::size_t find(std::size_t from) {
        if (delimiter_ == 0 && text_[from] == lf && from > 0 && text_[from - 1] == cr) {
            return from;
        }
        if constexpr (sizeof(Unit) == 1) {
            // memchr for the delimiter; the next NUL is looked up once and kept until passed.
            if (!nulKnown_ || nextNul_ < from) {
                const void* nul = std::memchr(text_ + from, 0, length_ - from);
                nextNul_ = nul == nullptr ? length_ : offset(nul);
                nulKnown_ = true;
            }
            const unsigned char want = delimiter_ == 1 ? '\r' : '\n';
            std::size_t p = from;
            for (;;) {
                const void* hit = std::memchr(text_ + p, want, nextNul_ - p);
                if (hit == nullptr) {
                    return nextNul_;
                }
                const std::size_t stop = offset(hit);
                if (delimiter_ != 0) {
                    return stop;
                }
                if (stop > from && text_[stop - 1] == cr) {
                    return stop - 1;  // the CR of a CR LF pair
                }
                p = stop + 1;  // a lone LF belongs to the line
            }
        } else {
            for (std::size_t p = from; p < length_; ++p) {
                const Unit u = text_[p];
                if (u == 0 || (delimiter_ == 1 && u == cr) ||
                    ((delimiter_ == 2 || delimiter_ == 3) && u == lf) ||
                    (delimiter_ == 0 && u == cr && p + 1 < length_ && text_[p + 1] == lf)) {
                    return p;
                }
            }
            return length_;
        }
    }

  private:
    static constexpr Unit cr = static_cast<Unit>('\r');
    static constexpr Unit lf = static_cast<Unit>('\n');

    std::size_t offset(const void* hit) const {
        return static_cast<std::size_t>(static_cast<const Unit*>(hit) - text_);
    }

    const Unit* text_;
    std::size_t length_;
    std::int32_t delimiter_;
    std::size_t nextNul_ = 0;
    bool nulKnown_ = false;
};

std::uint64_t hashBytes(const unsigned char* p, std::size_t n);

template <class Unit>
std::uint64_t hashLine(const Unit* p, std::uint32_t len);

// Splits the text into lines; with `hashes`, also gives each line's content hash (taken from
// `keys`, the text itself or its case-folded copy, while the line is in the cache).
template <class Unit>
LineSplit splitLines(const Unit* text, std::size_t length, std::int32_t delimiter,
                     const Unit* keys = nullptr, std::vector<std::uint64_t>* hashes = nullptr) {
    LineSplit split;
    split.length = static_cast<std::int64_t>(length);
    split.starts.reserve(length / 24 + 16);
    split.lengths.reserve(length / 24 + 16);
    if (hashes != nullptr) {
        hashes->reserve(length / 24 + 16);
    }
    const std::size_t width = delimiter == 0 ? 2 : 1;
    LineEndFinder<Unit> finder(text, length, delimiter);
    std::size_t pos = 0;
    while (pos < length) {
        const std::size_t end = finder.find(pos);
        std::size_t content = end - pos;
        if (content > 0 && text[end - 1] == static_cast<Unit>('\r')) {
            --content;
        }
        split.starts.push_back(static_cast<std::int64_t>(pos));
        split.lengths.push_back(static_cast<std::uint32_t>(content));
        if (hashes != nullptr) {
            hashes->push_back(hashLine(keys + pos, static_cast<std::uint32_t>(content)));
        }
        pos = end + width;
    }
    split.count = static_cast<std::int32_t>(split.lengths.size());
    split.starts.push_back(static_cast<std::int64_t>(pos));
    return split;
}

// ---------------------------------------------------------------------------------------------
// Interning: every distinct line content gets a dense id; id 0 is the empty line, which is also
// what a used-up side reads.

inline std::uint64_t mix(std::uint64_t h) {
    h ^= h >> 32;
    h *= 0xd6e8feb86659fd93ULL;
    h ^= h >> 32;
    h *= 0xd6e8feb86659fd93ULL;
    h ^= h >> 32;
    return h;
}

// The last n < 8 bytes as a word, as memcpy into a zeroed word gives them, without a call:
// overlapping fixed-size loads on a little-endian machine.
inline std::uint64_t tailWord(const unsigned char* p, std::size_t n) {
    std::uint64_t v = 0;
    if constexpr (std::endian::native == std::endian::little) {
        if (n >= 4) {
            std::uint32_t lo;
            std::uint32_t hi;
            std::memcpy(&lo, p, 4);
            std::memcpy(&hi, p + n - 4, 4);
            v = lo | (std::uint64_t{hi} << (8 * (n - 4)));
        } else if (n > 0) {
            v = std::uint64_t{p[0]} | (std::uint64_t{p[n / 2]} << (8 * (n / 2))) |
                (std::uint64_t{p[n - 1]} << (8 * (n - 1)));
        }
    } else if (n > 0) {
        std::memcpy(&v, p, n);
    }
    return v;
}

std::uint64_t hashBytes(const unsigned char* p, std::size_t n) {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ (n * 0xff51afd7ed558ccdULL);
    while (n >= 8) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        h = (h ^ v) * 0xbf58476d1ce4e5b9ULL;
        h ^= h >> 31;
        p += 8;
        n -= 8;
    }
    h = (h ^ tailWord(p, n)) * 0x94d049bb133111ebULL;
    return mix(h);
}

template <class Unit>
std::uint64_t hashLine(const Unit* p, std::uint32_t len) {
    return len == 0 ? mix(0x1234567ULL)
                    : hashBytes(reinterpret_cast<const unsigned char*>(p),
                                static_cast<std::size_t>(len) * sizeof(Unit));
}

// Ids of the lines of one side and, per id, the sorted positions where it occurs.
struct SideIds {
    std::vector<std::int32_t> ids;
    std::vector<std::int32_t> occStart;  // numIds + 1 entries
    std::vector<std::int32_t> occ;
    std::int32_t n = 0;

    std::int32_t id(std::int64_t p) const { return p < n ? ids[static_cast<std::size_t>(p)] : 0; }
    const std::int32_t* occBegin(std::int32_t id) const {
        return occ.data() + occStart[static_cast<std::size_t>(id)];
    }
    const std::int32_t* occEnd(std::int32_t id) const {
        return occ.data() + occStart[static_cast<std::size_t>(id) + 1];
    }
    std::int32_t count(std::int32_t id) const {
        return occStart[static_cast<std::size_t>(id) + 1] - occStart[static_cast<std::size_t>(id)];
    }
};

#if defined(__GNUC__) || defined(__clang__)
#define TAVELIN_PREFETCH(addr) __builtin_prefetch(addr)
#else
#define TAVELIN_PREFETCH(addr) ((void)(addr))
#endif

// Open-addressing table from line content to id. A slot holds the upper half of the content's
// hash beside id + 1, so most probes are decided without touching the content.
template <class Unit>
class Interner {
  public:
    // The table starts small and doubles as distinct lines arrive, so its size follows the
    // number of distinct lines rather than the number of lines.
    // emptyFirst: the empty line takes id 0 before any other.
    Interner(std::size_t expectedLines, bool emptyFirst) {
        const std::size_t cap = 1024;
        reps_.reserve(std::min<std::size_t>(expectedLines + 1, 1 << 16));
        slots_.assign(cap, 0);
        mask_ = cap - 1;
        if (emptyFirst) {
            const Unit* none = nullptr;
            intern(none, 0, hash(none, 0));
        }
    }

    static std::uint64_t hash(const Unit* p, std::uint32_t len) { return hashLine(p, len); }

    std::int32_t intern(const Unit* p, std::uint32_t len, std::uint64_t h) {
        const std::uint64_t tag = h & 0xFFFFFFFF00000000ULL;
        std::size_t slot = static_cast<std::size_t>(h) & mask_;
        while (slots_[slot] != 0) {
            const std::uint64_t entry = slots_[slot];
            if ((entry & 0xFFFFFFFF00000000ULL) == tag) {
                const auto id = static_cast<std::uint32_t>(entry) - 1;
                if (lengths_[id] == len &&
                    (len == 0 || std::memcmp(reps_[id], p, len * sizeof(Unit)) == 0)) {
                    return static_cast<std::int32_t>(id);
                }
            }
            slot = (slot + 1) & mask_;
        }
        const auto id = static_cast<std::uint32_t>(reps_.size());
        reps_.push_back(p);
        lengths_.push_back(len);
        hashes_.push_back(h);
        slots_[slot] = tag | (static_cast<std::uint64_t>(id) + 1);
        if (reps_.size() * 2 > slots_.size()) {
            grow();
        }
        return static_cast<std::int32_t>(id);
    }

    std::int32_t size() const { return static_cast<std::int32_t>(reps_.size()); }

  private:
    void grow() {
        std::vector<std::uint64_t> old(slots_.size() * 2, 0);
        old.swap(slots_);
        mask_ = slots_.size() - 1;
        for (std::uint64_t entry : old) {
            if (entry == 0) {
                continue;
            }
            const auto id = static_cast<std::uint32_t>(entry) - 1;
            std::size_t slot = static_cast<std::size_t>(hashes_[id]) & mask_;
            while (slots_[slot] != 0) {
                slot = (slot + 1) & mask_;
            }
            slots_[slot] = entry;
        }
    }

    std::vector<std::uint64_t> slots_;
    std::size_t mask_ = 0;
    std::vector<const Unit*> reps_;
    std::vector<std::uint32_t> lengths_;
    std::vector<std::uint64_t> hashes_;  // for rehashing when the table grows
};

void buildOccurrences(SideIds& side, std::int32_t numIds) {
    side.occStart.assign(static_cast<std::size_t>(numIds) + 1, 0);
    for (std::int32_t id : side.ids) {
        ++side.occStart[static_cast<std::size_t>(id) + 1];
    }
    for (std::size_t i = 1; i < side.occStart.size(); ++i) {
        side.occStart[i] += side.occStart[i - 1];
    }
    side.occ.resize(side.ids.size());
    std::vector<std::int32_t> fill(side.occStart.begin(), side.occStart.end() - 1);
    for (std::int32_t p = 0; p < side.n; ++p) {
        const auto id = static_cast<std::size_t>(side.ids[static_cast<std::size_t>(p)]);
        side.occ[static_cast<std::size_t>(fill[id]++)] = p;
    }
}

// ---------------------------------------------------------------------------------------------
// Progress, time-sliced.

class ProgressTicker {
  public:
    ProgressTicker(MatchProgress* sink, bool showPercent)
        : sink_(sink), showPercent_(showPercent), last_(std::chrono::steady_clock::now()) {}

    // Called often; looks at the clock only every few thousand calls.
    template <class PercentFn>
    void tick(PercentFn percent) {
        if (sink_ == nullptr || ++calls_ < kCallsPerCheck) {
            return;
        }
        calls_ = 0;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < kInterval) {
            return;
        }
        last_ = now;
        sink_->onProgress(showPercent_ ? percent() : -1);
    }

  private:
    static constexpr int kCallsPerCheck = 4096;
    static constexpr std::chrono::milliseconds kInterval{200};
    MatchProgress* sink_;
    bool showPercent_;
    int calls_ = 0;
    std::chrono::steady_clock::time_point last_;
};

// ---------------------------------------------------------------------------------------------
// The matcher over line ids.

constexpr std::int32_t kAuto1 = 10;  // 11 is AUTO 2
constexpr std::int32_t kAuto3 = 12;
constexpr std::int32_t kAbsent = -1;  // a missing line (no predecessor): equal to nothing

// One pass of a uniqueness check: walks side S from s0 and looks for runs of the block of side W
// that starts at w0.
struct PassOutcome {
    bool failed = false;
    std::int32_t firstRun = 0;  // L1 / L2
    bool contextFlag = false;
};

struct Resolution {
    std::int32_t matchA = 0;
    std::int32_t matchB = 0;
    std::int64_t added = 0;
    std::int64_t deleted = 0;
};

class Matcher {
  public:
    Matcher(const SideIds& a, const SideIds& b, std::int32_t mode, bool countAllDeleted)
        : a_(a), b_(b), mode_(mode), countAll_(countAllDeleted) {}

    // Resolves the difference region that starts at the unequal lines a0 and b0. pump is called
    // once per window size.
    template <class Pump>
    Resolution resolve(std::int32_t a0, std::int32_t b0, Pump&& pump) const {
        const std::int32_t na = a_.n;
        const std::int32_t nb = b_.n;
        std::int32_t nA = 0;
        std::int32_t nB = 0;
        std::int32_t pA = a0;
        std::int32_t pB = b0;
        while (pA < na || pB < nb) {
            const std::int32_t lastA = pA;
            const std::int32_t lastB = pB;
            const bool grewA = pA < na;
            const bool grewB = pB < nb;
            if (grewA) {
                ++pA;
                ++nA;
            }
            if (grewB) {
                ++pB;
                ++nB;
            }
            pump();

            // The scan of this window: step k tries (A) the after line a0 + k against line pB,
            // then (B) line pA against the before line b0 + k. Only equal pairs are candidates,
            // so both are taken from the position lists. When one side did not grow, the
            // candidates against its unchanged next line were all rejected at the previous
            // size (a used-up side is rejected or accepted without regard to predecessors), so
            // only the newly added line of the other side is tried.
            const std::int32_t idPB = b_.id(pB);
            const std::int32_t idPA = a_.id(pA);
            const std::int32_t* ia =
                std::lower_bound(a_.occBegin(idPB), a_.occEnd(idPB), grewB ? a0 : lastA);
            const std::int32_t* iaEnd = a_.occEnd(idPB);
            const std::int32_t* ib =
                std::lower_bound(b_.occBegin(idPA), b_.occEnd(idPA), grewA ? b0 : lastB);
            const std::int32_t* ibEnd = b_.occEnd(idPA);
            for (;;) {
                const bool hasA = ia != iaEnd && *ia < pA;
                const bool hasB = ib != ibEnd && *ib < pB;
                if (!hasA && !hasB) {
                    break;
                }
                const std::int64_t kA = hasA ? *ia - a0 : std::numeric_limits<std::int64_t>::max();
                const std::int64_t kB = hasB ? *ib - b0 : std::numeric_limits<std::int64_t>::max();
                if (kA <= kB) {
                    const std::int32_t sA = *ia++;
                    const std::int32_t prevA = sA > a0 ? sA - 1 : kAbsent;
                    if (confirm(sA, pB, prevA, lastB)) {
                        // (A): the after lines before sA are added, the whole before window
                        // deleted; only its surplus over the lines stepped on counts.
                        const std::int64_t k = sA - a0;
                        const std::int64_t kBcap = std::min<std::int64_t>(k, nB);
                        return {sA, pB, k, countAll_ ? nB : nB - kBcap};
                    }
                } else {
                    const std::int32_t sB = *ib++;
                    const std::int32_t prevB = sB > b0 ? sB - 1 : kAbsent;
                    if (confirm(pA, sB, lastA, prevB)) {
                        // (B): the whole after window is added, the before lines before sB
                        // deleted; they count only with countAllDeleted.
                        const std::int64_t k = sB - b0;
                        return {pA, sB, nA, countAll_ ? k : 0};
                    }
                }
            }
            // (D): the two next lines.
            if (idPA == idPB && confirm(pA, pB, lastA, lastB)) {
                return {pA, pB, nA, countAll_ ? nB : std::max<std::int64_t>(0, nB - nA)};
            }
        }
        // Both sides used up without a match.
        return {pA, pB, nA, countAll_ ? nB : std::max<std::int64_t>(0, nB - nA)};
    }

  private:
    // The confirmation check for a candidate pair of equal lines (x, y) with the predecessors
    // px and py (kAbsent when missing).
    bool confirm(std::int32_t x, std::int32_t y, std::int32_t px, std::int32_t py) const {
        if (mode_ < kAuto1) {
            return countCheck(x, y);
        }
        return uniquenessCheck(x, y, px, py);
    }

    bool countCheck(std::int64_t x, std::int64_t y) const {
        for (std::int32_t t = 1; t <= mode_; ++t) {
            const bool usedA = x + t >= a_.n;
            const bool usedB = y + t >= b_.n;
            if (usedA || usedB) {
                return usedA && usedB;
            }
            if (a_.ids[static_cast<std::size_t>(x + t)] !=
                b_.ids[static_cast<std::size_t>(y + t)]) {
                return false;
            }
        }
        return true;
    }

    bool uniquenessCheck(std::int32_t x, std::int32_t y, std::int32_t px, std::int32_t py) const {
        const bool usedA = x >= a_.n;
        const bool usedB = y >= b_.n;
        if (usedA || usedB) {
            // The pair of empty lines at both ends passes every check; an empty line of a
            // used-up side against a line of the other fails one pass with a run of 0.
            return usedA && usedB;
        }
        const std::int32_t predX = px == kAbsent ? kAbsent : a_.id(px);
        const std::int32_t predY = py == kAbsent ? kAbsent : b_.id(py);
        const PassOutcome p1 = pass(a_, b_, x, y, predY, false);
        if (mode_ != kAuto3) {
            return !p1.failed && !pass(b_, a_, y, x, predX, false).failed;
        }
        const PassOutcome p2 = pass(b_, a_, y, x, predX, false);
        if (!p1.failed && !p2.failed) {
            return true;
        }
        if (p1.firstRun != p2.firstRun || p1.firstRun == 0) {
            return false;
        }
        // A repeat is tolerated unless it stands in the same context as the candidate.
        if (pass(a_, b_, x, y, predY, true).contextFlag) {
            return false;
        }
        return !pass(b_, a_, y, x, predX, true).contextFlag;
    }

    // One pass: cursor u walks S from s0; the block is W from w0, and a run is a stretch of S
    // equal to the start of the block. The first run starts at the candidate itself. A later run
    // fails the pass when it is at least as long (AUTO 1) or longer (AUTO 2, AUTO 3) than the
    // first. After a run breaks on a line, the scan resumes behind that line. With wantFlag the
    // pass is followed exactly to its end to learn whether a later run starts right behind a
    // line equal to predW (AUTO 3); without it, the later runs are only walked when the block
    // that would fail the pass occurs in S at all.
    PassOutcome pass(const SideIds& s, const SideIds& w, std::int32_t s0, std::int32_t w0,
                     std::int32_t predW, bool wantFlag) const {
        PassOutcome out;
        const std::int32_t ns = s.n;
        const std::int64_t blockLength = static_cast<std::int64_t>(w.n) - w0;
        const std::int64_t firstRun = runLength(s, w, s0, w0);
        std::int64_t nextFresh = 0;
        if (firstRun == blockLength) {
            // The run reached the end of W: AUTO 3 fails (and goes on) when S goes on.
            out.firstRun = static_cast<std::int32_t>(firstRun);
            if (mode_ == kAuto3 && s0 + firstRun < ns) {
                out.failed = true;
            }
            nextFresh = s0 + firstRun;
        } else if (s0 + firstRun == ns) {
            // The run reached the end of S while W goes on: the pass ends.
            out.firstRun = static_cast<std::int32_t>(firstRun);
            return out;
        } else {
            out.firstRun = static_cast<std::int32_t>(firstRun);
            nextFresh = s0 + firstRun + 1;
        }
        const std::int64_t failLength = mode_ == kAuto1 ? firstRun : firstRun + 1;
        const bool wantContext = wantFlag && mode_ == kAuto3 && predW != kAbsent;
        if (!wantContext &&
            (failLength > blockLength || !blockOccurs(s, w, w0, failLength, nextFresh))) {
            return out;
        }
        const std::int32_t c = w.id(w0);
        for (const std::int32_t* it = std::lower_bound(s.occBegin(c), s.occEnd(c), nextFresh);
             it != s.occEnd(c); ++it) {
            const std::int64_t u = *it;
            if (u < nextFresh) {
                continue;
            }
            if (wantContext && s.ids[static_cast<std::size_t>(u - 1)] == predW) {
                out.contextFlag = true;
            }
            const std::int64_t run = runLength(s, w, u, w0);
            if (run >= failLength) {
                out.failed = true;
                return out;
            }
            if (run == blockLength) {
                nextFresh = u + run;
            } else if (u + run == ns) {
                return out;
            } else {
                nextFresh = u + run + 1;
            }
        }
        return out;
    }

    // Number of equal lines from s0 in S and w0 in W, up to the end of either.
    static std::int64_t runLength(const SideIds& s, const SideIds& w, std::int64_t s0,
                                  std::int64_t w0) {
        const std::int64_t limit = std::min<std::int64_t>(s.n - s0, w.n - w0);
        std::int64_t r = 0;
        while (r < limit &&
               s.ids[static_cast<std::size_t>(s0 + r)] == w.ids[static_cast<std::size_t>(w0 + r)]) {
            ++r;
        }
        return r;
    }

    // Whether the first `length` lines of W from w0 occur in S at a position >= from. Looks up
    // the rarest of the block's first lines and checks the block around each of its positions.
    static bool blockOccurs(const SideIds& s, const SideIds& w, std::int32_t w0,
                            std::int64_t length, std::int64_t from) {
        if (length <= 0) {
            return true;
        }
        const std::int64_t probeSpan = std::min<std::int64_t>(length, 16);
        std::int64_t bestT = 0;
        std::int32_t bestCount = std::numeric_limits<std::int32_t>::max();
        for (std::int64_t t = 0; t < probeSpan; ++t) {
            const std::int32_t cnt = s.count(w.ids[static_cast<std::size_t>(w0 + t)]);
            if (cnt < bestCount) {
                bestCount = cnt;
                bestT = t;
            }
        }
        const std::int32_t id = w.ids[static_cast<std::size_t>(w0 + bestT)];
        for (const std::int32_t* it = std::lower_bound(s.occBegin(id), s.occEnd(id), from + bestT);
             it != s.occEnd(id); ++it) {
            const std::int64_t start = *it - bestT;
            if (start + length > s.n) {
                return false;
            }
            std::int64_t t = 0;
            while (t < length && s.ids[static_cast<std::size_t>(start + t)] ==
                                     w.ids[static_cast<std::size_t>(w0 + t)]) {
                ++t;
            }
            if (t == length) {
                return true;
            }
        }
        return false;
    }

    const SideIds& a_;
    const SideIds& b_;
    std::int32_t mode_;
    bool countAll_;
};

void setStatus(LineTable& table, std::int64_t index, LineStatus status) {
    if (index >= 0 && static_cast<std::size_t>(index) < table.size()) {
        table[static_cast<std::size_t>(index)].status = status;
    }
}

void setStatusRange(LineTable& table, std::int64_t from, std::int64_t to, LineStatus status) {
    const std::int64_t end = std::min<std::int64_t>(to, static_cast<std::int64_t>(table.size()));
    for (std::int64_t i = std::max<std::int64_t>(from, 0); i < end; ++i) {
        table[static_cast<std::size_t>(i)].status = status;
    }
}

std::int32_t clampCount(std::int64_t v) {
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(v, std::numeric_limits<std::int32_t>::max()));
}

// Two texts split into lines and interned once; a walk then runs with any resync count.
template <class Unit>
class PreparedTexts {
  public:
    PreparedTexts(std::span<const Unit> after, std::span<const Unit> before,
                  const MatchOptions& options)
        : options_(options) {
        const std::int32_t delimiter =
            options.delimiter >= 0 && options.delimiter <= 3 ? options.delimiter : 0;
        lenA_ = std::min(after.size(), kMaxUnits);
        lenB_ = std::min(before.size(), kMaxUnits);

        // Each side is case-folded when case is ignored, split and hashed on its own thread.
        std::array<std::vector<Unit>, 2> folded;
        std::array<const Unit*, 2> keys{after.data(), before.data()};
        std::array<std::vector<std::uint64_t>, 2> hashes;
        forBothSides([&](int side) {
            const auto s = static_cast<std::size_t>(side);
            const std::span<const Unit> text = side == 0 ? after : before;
            const std::size_t len = side == 0 ? lenA_ : lenB_;
            if (options.ignoreCase) {
                folded[s].resize(len);
                for (std::size_t i = 0; i < len; ++i) {
                    folded[s][i] = foldUnit(text[i]);
                }
                keys[s] = folded[s].data();
            }
            (side == 0 ? splitA_ : splitB_) =
                splitLines(text.data(), len, delimiter, keys[s], &hashes[s]);
        });
        a_.n = splitA_.count;
        b_.n = splitB_.count;
        a_.ids.assign(static_cast<std::size_t>(a_.n), 0);
        b_.ids.assign(static_cast<std::size_t>(b_.n), 0);

        // The lines are interned in two tables at once, each taking the lines whose hash has
        // its top bit; a line's id is 1 + 2 * (its number in its table) + the table, and the
        // empty line is 0 (what a used-up side reads). Equal lines always meet in one table, so
        // equal ids mean equal lines, and the ids do not depend on the threads' timing.
        std::array<std::int32_t, 2> sizes{0, 0};
        forBothSides([&](int part) {
            Interner<Unit> interner(static_cast<std::size_t>(a_.n + b_.n) / 2, false);
            const auto bit = static_cast<std::uint64_t>(part);
            auto internSide = [&](const LineSplit& split, const Unit* key,
                                  const std::vector<std::uint64_t>& h,
                                  std::vector<std::int32_t>& ids) {
                const auto n = static_cast<std::size_t>(split.count);
                for (std::size_t i = 0; i < n; ++i) {
                    if (split.lengths[i] == 0 || (h[i] >> 63) != bit) {
                        continue;
                    }
                    ids[i] = 1 +
                             2 * interner.intern(key + split.starts[i], split.lengths[i], h[i]) +
                             part;
                }
            };
            internSide(splitA_, keys[0], hashes[0], a_.ids);
            internSide(splitB_, keys[1], hashes[1], b_.ids);
            sizes[static_cast<std::size_t>(part)] = interner.size();
        });
        hashes = {};
        const std::int32_t numIds = 1 + 2 * std::max(sizes[0], sizes[1]);
        forBothSides([&](int side) { buildOccurrences(side == 0 ? a_ : b_, numIds); });
    }

    MatchResult run(std::int32_t resyncCount, LineTable& afterLines, LineTable& beforeLines,
                    MatchProgress* progress) const {
        const SideIds& a = a_;
        const SideIds& b = b_;
        const bool showPercent = static_cast<std::int64_t>(lenA_) >= kProgressThreshold ||
                                 static_cast<std::int64_t>(lenB_) >= kProgressThreshold;
        ProgressTicker ticker(progress, showPercent);
        std::int32_t i = 0;
        std::int32_t j = 0;
        auto percent = [&]() {
            const std::int64_t total = splitA_.length + splitB_.length;
            const std::int64_t remaining =
                std::max<std::int64_t>(
                    0, splitA_.length - splitA_.starts[static_cast<std::size_t>(i)]) +
                std::max<std::int64_t>(
                    0, splitB_.length - splitB_.starts[static_cast<std::size_t>(j)]);
            return total > 0 ? static_cast<int>(100 - remaining * 100 / total) : 100;
        };
        auto pump = [&]() { ticker.tick(percent); };

        const Matcher matcher(a, b, normalizeResyncCount(resyncCount), options_.countAllDeleted);
        std::int64_t same = 0;
        std::int64_t added = 0;
        std::int64_t deleted = 0;
        while (i < a.n || j < b.n) {
            if (j >= b.n) {
                // The before side is used up: every remaining after line is added.
                setStatusRange(afterLines, i, a.n, LineStatus::Added);
                added += a.n - i;
                i = a.n;
            } else if (i >= a.n) {
                // The after side is used up: every remaining before line counts as deleted.
                setStatusRange(beforeLines, j, b.n, LineStatus::Deleted);
                deleted += b.n - j;
                j = b.n;
            } else if (a.ids[static_cast<std::size_t>(i)] == b.ids[static_cast<std::size_t>(j)]) {
                setStatus(afterLines, i, LineStatus::Same);
                setStatus(beforeLines, j, LineStatus::Same);
                ++same;
                ++i;
                ++j;
                pump();
            } else {
                const Resolution r = matcher.resolve(i, j, pump);
                setStatusRange(afterLines, i, r.matchA, LineStatus::Added);
                setStatusRange(beforeLines, j, r.matchB, LineStatus::Deleted);
                added += r.added;
                deleted += r.deleted;
                i = r.matchA;
                j = r.matchB;
                pump();
            }
        }

        MatchResult result;
        result.reused = options_.useReused ? clampCount(same) : 0;
        std::int64_t changed = added;
        if (options_.countDeletedAsChanged) {
            changed += deleted;
        }
        if (!options_.useReused && changed > 0) {
            changed += same;
        }
        result.changed = clampCount(changed);
        result.deleted = clampCount(deleted);
        return result;
    }

  private:
    MatchOptions options_;
    std::size_t lenA_ = 0;
    std::size_t lenB_ = 0;
    LineSplit splitA_;
    LineSplit splitB_;
    SideIds a_;
    SideIds b_;
};

template <class Unit>
MatchResult matchTexts(std::span<const Unit> after, std::span<const Unit> before,
                       const MatchOptions& options, LineTable& afterLines, LineTable& beforeLines,
                       MatchProgress* progress) {
    return PreparedTexts<Unit>(after, before, options)
        .run(options.resyncCount, afterLines, beforeLines, progress);
}

template <class Unit>
bool equalLines(const Unit* x, std::size_t nx, const Unit* y, std::size_t ny, bool ignoreCase) {
    const Unit cr = static_cast<Unit>('\r');
    if (nx > 0 && x[nx - 1] == cr) {
        --nx;
    }
    if (ny > 0 && y[ny - 1] == cr) {
        --ny;
    }
    if (nx != ny) {
        return false;
    }
    for (std::size_t k = 0; k < nx; ++k) {
        if (ignoreCase ? foldUnit(x[k]) != foldUnit(y[k]) : x[k] != y[k]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string progressText(int percent) {
    std::array<char, 32> buf{};
    std::snprintf(buf.data(), buf.size(), "%4d%%", percent);
    return std::string(buf.data());
}

bool linesEqual(std::string_view x, std::string_view y, bool ignoreCase) {
    return equalLines(reinterpret_cast<const unsigned char*>(x.data()), x.size(),
                      reinterpret_cast<const unsigned char*>(y.data()), y.size(), ignoreCase);
}

bool linesEqual(std::u16string_view x, std::u16string_view y, bool ignoreCase) {
    return equalLines(x.data(), x.size(), y.data(), y.size(), ignoreCase);
}

MatchResult matchModules(std::span<const unsigned char> after,
                         std::span<const unsigned char> before, const MatchOptions& options,
                         LineTable& afterLines, LineTable& beforeLines, MatchProgress* progress) {
    return matchTexts(after, before, options, afterLines, beforeLines, progress);
}

MatchResult matchModules(std::span<const char16_t> after, std::span<const char16_t> before,
                         const MatchOptions& options, LineTable& afterLines, LineTable& beforeLines,
                         MatchProgress* progress) {
    return matchTexts(after, before, options, afterLines, beforeLines, progress);
}

struct PreparedMatch::Impl {
    std::unique_ptr<PreparedTexts<unsigned char>> narrow;
    std::unique_ptr<PreparedTexts<char16_t>> wide;
};

PreparedMatch::PreparedMatch(std::span<const unsigned char> after,
                             std::span<const unsigned char> before, const MatchOptions& options)
    : impl_(std::make_unique<Impl>()) {
    impl_->narrow = std::make_unique<PreparedTexts<unsigned char>>(after, before, options);
}

PreparedMatch::PreparedMatch(std::span<const char16_t> after, std::span<const char16_t> before,
                             const MatchOptions& options)
    : impl_(std::make_unique<Impl>()) {
    impl_->wide = std::make_unique<PreparedTexts<char16_t>>(after, before, options);
}

PreparedMatch::~PreparedMatch() = default;

MatchResult PreparedMatch::run(std::int32_t resyncCount, LineTable& afterLines,
                               LineTable& beforeLines, MatchProgress* progress) const {
    if (impl_->narrow) {
        return impl_->narrow->run(resyncCount, afterLines, beforeLines, progress);
    }
    return impl_->wide->run(resyncCount, afterLines, beforeLines, progress);
}

}  // namespace tavelin
