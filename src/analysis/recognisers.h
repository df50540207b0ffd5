#pragma once
// Recognition of string literals, comments, no-count areas, non-comment strings and
// embedded-language regions at a position of a module's text, and the three passes built on
// them: deleteNoCountAreas, deleteComments and deleteListedStrings.
//
// A recogniser returns the number of units the construct occupies from the position (0: none);
// the caller moves past them. Removed units are overwritten with NUL; nothing moves.

#include <array>
#include <cstdint>
#include <span>
#include <unordered_map>

#include "analysis/analysis_environment.h"
#include "analysis/rule_set.h"
#include "analysis/unit_text.h"

namespace tavelin::analysis {

// ---- Matchers -------------------------------------------------------------------------------

// Flexible match of pat at b[i]: equal units, or space against TAB either way, advance both;
// once a pattern space or TAB has been matched, further spaces and TABs of the text are skipped.
// Returns the units covered, 0 for no match. An empty pattern never matches.
template <class U>
inline std::int32_t matchFlexible(bool fold, const U* b, std::int32_t n, std::int32_t i,
                                  const UString<U>& pat) {
    const std::size_t m = pat.size();
    if (m == 0) {
        return 0;
    }
    std::int32_t t = i;
    std::size_t j = 0;
    bool sawSpace = false;
    while (j < m) {
        if (t >= n) {
            return 0;
        }
        unsigned a = val(b[t]);
        if (a == kNul) {
            return 0;
        }
        unsigned p = val(pat[j]);
        if (fold) {
            a = foldAscii(a);
            p = foldAscii(p);
        }
        if (a == p || (isSpaceOrTab(a) && isSpaceOrTab(p))) {
            if (isSpaceOrTab(p)) {
                sawSpace = true;
            }
            ++t;
            ++j;
        } else if (sawSpace && isSpaceOrTab(a)) {
            ++t;
        } else {
            return 0;
        }
    }
    return t - i;
}

// One step of matchFlexible() before any pattern space or TAB was matched.
template <class U>
TAVELIN_BLOCK_INLINE bool flexibleStepMatches(bool fold, unsigned a, unsigned p) {
    if (a == kNul) {
        return false;
    }
    if (fold) {
        a = foldAscii(a);
        p = foldAscii(p);
    }
    return a == p || (isSpaceOrTab(a) && isSpaceOrTab(p));
}

// matchFlexible() with its first two steps taken inline, where nearly every failing attempt
// fails.
template <class U>
TAVELIN_BLOCK_INLINE std::int32_t matchFlexibleQuick(bool fold, const U* b, std::int32_t n,
                                                     std::int32_t i, const UString<U>& pat) {
    if (pat.empty() || i >= n || !flexibleStepMatches<U>(fold, val(b[i]), val(pat[0]))) {
        return 0;
    }
    if (pat.size() >= 2 && !isSpaceOrTab(val(pat[0])) && i + 1 < n &&
        !flexibleStepMatches<U>(fold, val(b[i + 1]), val(pat[1]))) {
        return 0;
    }
    return matchFlexible<U>(fold, b, n, i, pat);
}

// As matchFlexible, but an empty pattern matches one unit (comment start and end strings).
template <class U>
TAVELIN_BLOCK_INLINE std::int32_t matchCommentDelimiter(bool fold, const U* b, std::int32_t n,
                                                        std::int32_t i, const UString<U>& pat) {
    if (pat.empty()) {
        return i < n ? 1 : 0;
    }
    return matchFlexibleQuick<U>(fold, b, n, i, pat);
}

// Whether a match of length k at p stands alone: no identifier unit directly before or after it.
template <class U>
inline bool isStandAlone(const U* b, std::int32_t n, std::int32_t p, std::int32_t k) {
    if (p >= n || val(b[p]) < 0x20) {
        return true;
    }
    if (p > 0 && isIdentifierUnit(val(b[p - 1]))) {
        return false;
    }
    return !(p + k < n && isIdentifierUnit(val(b[p + k])));
}

// 1 + the units between the last CR or LF before pos (or the buffer start) and pos.
template <class U>
inline std::int32_t columnOf(const U* b, std::int32_t pos) {
    return 1 + (pos - lineStartBefore(b, pos));
}

// Remembers, per target unit, a stretch of text known to hold no such unit before a NUL or the
// buffer end, so that a "*" in a region pattern never rescans the same stretch.
struct WildcardMemo {
    struct Span {
        std::int32_t from = 0;
        std::int32_t stop = -1;
    };
    std::unordered_map<std::uint32_t, Span> misses;
};

// Region patterns: a space or TAB swallows any run of spaces and TABs (also none); "*" swallows
// units up to the one that equals the pattern unit after it. Returns the units covered, or -1.
template <class U>
inline std::int32_t matchWildcard(bool fold, const U* b, std::int32_t n, std::int32_t i,
                                  const UString<U>& pat, WildcardMemo* memo) {
    const std::size_t m = pat.size();
    std::int32_t t = i;
    std::size_t j = 0;
    auto f = [fold](unsigned c) { return fold ? foldAscii(c) : c; };
    while (t < n && val(b[t]) != kNul && j < m) {
        const unsigned p = val(pat[j]);
        if (isSpaceOrTab(p)) {
            while (t < n && isSpaceOrTab(val(b[t]))) {
                ++t;
            }
            ++j;
        } else if (p == '*') {
            if (j + 1 >= m) {
                return -1;  // nothing after the star can stop it
            }
            const unsigned target = f(val(pat[j + 1]));
            const std::uint32_t key = (target << 1) | (fold ? 1u : 0u);
            if (memo != nullptr) {
                auto it = memo->misses.find(key);
                if (it != memo->misses.end() && t >= it->second.from && t < it->second.stop) {
                    return -1;
                }
            }
            const std::int32_t from = t;
            while (t < n && val(b[t]) != kNul && f(val(b[t])) != target) {
                ++t;
            }
            if (t >= n || val(b[t]) == kNul) {
                if (memo != nullptr) {
                    memo->misses[key] = WildcardMemo::Span{from, t};
                }
                return -1;
            }
            ++j;
        } else if (f(val(b[t])) == f(p)) {
            ++t;
            ++j;
        } else {
            return -1;
        }
    }
    return j == m ? t - i : -1;
}

// ---- Scanner --------------------------------------------------------------------------------

enum class CommentMode { Skip, Delete };

template <class U>
class Scanner {
  public:
    Scanner(U* buf, std::int32_t n, const PassOptions& opt, RuleCache<U>& cache)
        : b_(buf),
          n_(n),
          delimit_(opt.delimit),
          codeNo_(kWide<U> ? -1 : opt.codeNo),
          nestLimit_(opt.cmtmlflg == 1 ? 16 : 1),
          cache_(cache),
          cur_(cache.own()) {}

    U* data() const { return b_; }
    std::int32_t size() const { return n_; }
    int delimit() const { return delimit_; }
    int codeNo() const { return codeNo_; }
    const CompiledRules<U>& rules() const { return *cur_; }
    RuleCache<U>& cache() { return cache_; }

    bool placementOk(const CompiledDelimited<U>& r, std::int32_t p, std::int32_t k) const {
        switch (r.placement) {
            case 1:
                return isStandAlone(b_, n_, p, k);
            case 2:
                return columnIs(b_, p, r.column);
            default:
                return true;
        }
    }

    // ---- string literal ----
    std::int32_t scanStringLiteral(std::int32_t p) {
        const CompiledRules<U>& rs = *cur_;
        const CompiledString<U>* rule = nullptr;
        for (const auto& s : rs.strings) {
            if (matchesExactly(b_, n_, p, s.start)) {
                rule = &s;
                break;
            }
        }
        if (rule == nullptr) {
            return 0;
        }
        std::int32_t q = p + static_cast<std::int32_t>(rule->start.size());
        const UString<U>* term = &rule->end;
        if (rule->pattern) {
            const std::int32_t from = q;
            const std::int32_t limit = 128 - static_cast<std::int32_t>(rule->end.size());
            std::int32_t to = q;
            while (q < n_) {
                if (!rule->rest.empty() && matchesExactly(b_, n_, q, rule->rest)) {
                    to = q;
                    q += static_cast<std::int32_t>(rule->rest.size());
                    break;
                }
                if (lineEndAt(b_, n_, q, delimit_) > 0 || q - from >= limit) {
                    break;
                }
                ++q;
                to = q;
            }
            if (rule->endHasSlot) {
                std::int32_t a = from;
                std::int32_t z = to;
                while (a < z && val(b_[a]) <= 0x2F) {
                    ++a;
                }
                while (z > a && val(b_[z - 1]) <= 0x2F) {
                    --z;
                }
                built_ = rule->endBefore;
                built_.append(b_ + a, b_ + z);
                built_ += rule->endAfter;
                term = &built_;
            }
        }
        const bool endsAtLine = !rule->pattern && !rs.multiLineStrings;
        const auto termLen = static_cast<std::int32_t>(term->size());
        const auto escLen = static_cast<std::int32_t>(rule->escape.size());
        // Units at which something can happen; others are simply part of the literal.
        const unsigned e0 = escLen > 0 ? val(rule->escape[0]) : kCr;
        const unsigned t0 = termLen > 0 ? val((*term)[0]) : kCr;
        const bool sjis = codeNo_ == 2;
        // With the rule's own end string the units that need a look are known beforehand.
        const StartSet* body =
            (term == &rule->end && termLen > 0) ? (sjis ? &rule->bodySjis : &rule->body) : nullptr;
        if (rule->quick && !sjis && quickLiterals_) {
            return quickLiteralEnd(*rule, q, endsAtLine) - p;
        }
        while (q < n_) {
            if (body != nullptr) {
                q = nextBodyUnit(*body, q);
                if (q >= n_) {
                    break;
                }
            }
            const unsigned c = val(b_[q]);
            if (c != e0 && c != t0 && c != kCr && c != kLf && termLen > 0 &&
                !(sjis && isSjisLead(c))) {
                ++q;
                continue;
            }
            const int w = lineEndAt(b_, n_, q, delimit_);
            if (w > 0 && endsAtLine) {
                return q + w - p;
            }
            const std::int32_t step = w == 2 ? 2 : charStep(b_, n_, q, codeNo_);
            if (step == 1) {
                if (escLen > 0 && matchesExactly(b_, n_, q, rule->escape)) {
                    q += escLen;
                    if (q < n_) {
                        // The escaped unit; a CR LF line end is escaped whole.
                        q += text::crLfPairAt(b_, n_, q, delimit_) ? 2 : 1;
                    }
                    continue;
                }
                if (matchesExactly(b_, n_, q, *term)) {
                    if (!rule->pattern) {
                        return q + termLen - p;
                    }
                    const unsigned before = q > 0 ? val(b_[q - 1]) : kLf;
                    const bool atLineStart = before == kNul || before == kCr || before == kLf;
                    const bool endsWord = q + termLen >= n_ || val(b_[q + termLen]) <= 0x20;
                    if (atLineStart && endsWord) {
                        return q + termLen - p;
                    }
                }
            }
            q += step;
        }
        return (q > n_ ? n_ : q) - p;
    }

    // The first unit at or after q that a literal's body set holds (n_ when none). Literals are
    // short: the next block usually holds what is looked for.
    std::int32_t nextBodyUnit(const StartSet& body, std::int32_t q) const {
        const std::uint32_t m = q + kBlockUnits <= n_ && body.ranges.usable
                                    ? UnitBlock<U>(b_ + q).lowByteIn(body.ranges)
                                    : 0;
        return m != 0 ? q + std::countr_zero(m) : findLowByteIn(b_, q, n_, body.bits, body.ranges);
    }

    // The general walk above for a quick rule, with its checks reduced to what such a rule can
    // meet (the tests compare both); returns the position after the literal.
    std::int32_t quickLiteralEnd(const CompiledString<U>& rule, std::int32_t q, bool endsAtLine) {
        const unsigned end = val(rule.end[0]);
        const unsigned escape = rule.escape.empty() ? ~0u : val(rule.escape[0]);
        while (q < n_) {
            q = nextBodyUnit(rule.body, q);
            if (q >= n_) {
                break;
            }
            const unsigned c = val(b_[q]);
            if (c == escape) {
                ++q;
                if (q < n_) {
                    q += text::crLfPairAt(b_, n_, q, delimit_) ? 2 : 1;
                }
                continue;
            }
            if (c == end) {
                return q + 1;
            }
            const int w = lineEndAt(b_, n_, q, delimit_);
            if (w > 0 && endsAtLine) {
                return q + w;
            }
            q += w == 2 ? 2 : 1;
        }
        return q > n_ ? n_ : q;
    }

    // For tests: whether quick rules take the reduced walk (the default) or the general one.
    void setQuickLiterals(bool on) { quickLiterals_ = on; }

    // ---- comment ----
    std::int32_t scanComment(std::int32_t p, CommentMode mode, int nestLimit) {
        const CompiledRules<U>& rs = *cur_;
        for (const auto& s : rs.nonComments) {
            const std::int32_t k = matchFlexibleQuick<U>(false, b_, n_, p, s);
            if (k > 0) {
                lastCommentClears_ = false;
                return k;
            }
        }
        const CompiledDelimited<U>* first = nullptr;
        std::int32_t q = p;
        for (const auto& r : rs.comments) {
            const std::int32_t k = matchCommentDelimiter<U>(r.fold, b_, n_, p, r.start);
            if (k > 0 && placementOk(r, p, k)) {
                first = &r;
                q = p + k;
                break;
            }
        }
        if (first == nullptr) {
            return 0;
        }
        struct Level {
            const CompiledDelimited<U>* rule;
            int counter;
        };
        std::array<Level, 16> stack;  // entries below depth are set before use
        int depth = 1;
        stack[0] = Level{first, 0};
        const int limit = nestLimit < 1 ? 1 : (nestLimit > 16 ? 16 : nestLimit);
        bool openAtEnd = false;
        for (;;) {
            if (q >= n_) {
                q = n_;
                openAtEnd = first->block();
                break;
            }
            Level& top = stack[static_cast<std::size_t>(depth - 1)];
            const CompiledDelimited<U>& t = *top.rule;
            if (codeNo_ != 2 && top.counter == 0 && t.nestOpen.empty() && t.nestClose.empty()) {
                // Jump straight to where the comment can end.
                if (!t.block()) {
                    int w = 0;
                    q = nextLineEnd(b_, q, n_, delimit_, w);
                    if (q >= n_) {
                        continue;
                    }
                }
                if (t.singleEndUnit >= 0 && (depth >= limit || rs.blockComments.empty())) {
                    q = findUnit(b_, q, n_, static_cast<unsigned>(t.singleEndUnit));
                    if (q >= n_) {
                        continue;
                    }
                }
            }
            const unsigned u = val(b_[q]);
            const bool canOpen = t.block() && depth < limit && rs.blockCommentSet.test(u);
            if (!t.endSet.test(u) && !canOpen && !(!t.block() && (u == kCr || u == kLf))) {
                q += charStep(b_, n_, q, codeNo_);
                continue;
            }
            if (!t.nestOpen.empty() && matchesExactly(b_, n_, q, t.nestOpen)) {
                ++top.counter;
            }
            if (!t.nestClose.empty() && top.counter > 0 && matchesExactly(b_, n_, q, t.nestClose)) {
                --top.counter;
            }
            if (t.block()) {
                bool moved = false;
                bool ended = false;
                for (const auto& e : t.ends) {
                    const std::int32_t k = matchCommentDelimiter<U>(t.fold, b_, n_, q, e);
                    if (k > 0 && placementOk(t, q, k)) {
                        q += k;
                        moved = true;
                        if (top.counter == 0) {
                            if (depth > 1) {
                                --depth;
                            } else {
                                ended = true;
                            }
                        }
                        break;
                    }
                }
                if (ended) {
                    break;
                }
                if (moved) {
                    continue;
                }
                if (depth < limit) {
                    for (const std::size_t idx : rs.blockComments) {
                        const auto& r = rs.comments[idx];
                        const std::int32_t k = matchCommentDelimiter<U>(r.fold, b_, n_, q, r.start);
                        if (k > 0 && placementOk(r, q, k)) {
                            stack[static_cast<std::size_t>(depth)] = Level{&r, 0};
                            ++depth;
                            q += k;
                            moved = true;
                            break;
                        }
                    }
                    if (moved) {
                        continue;
                    }
                }
            } else if (top.counter == 0 && lineEndAt(b_, n_, q, delimit_) > 0) {
                // The comment ends before the line end, a CR that goes with it included.
                q = lineEndStart(b_, p, q, delimit_);
                if (t.deleteLineHead) {
                    clearRange(b_, lineStartBefore(b_, p), p);
                }
                break;
            }
            q += charStep(b_, n_, q, codeNo_);
        }
        if (q > n_) {
            q = n_;
        }
        if (mode == CommentMode::Delete && !openAtEnd) {
            clearRange(b_, p, q);
        }
        lastCommentClears_ = !openAtEnd;
        return q - p;
    }

    std::int32_t scanComment(std::int32_t p, CommentMode mode) {
        return scanComment(p, mode, nestLimit_);
    }

    // Whether deleting what the last scanComment() found clears its units: not for a non-comment
    // string, nor for a block comment still open at the end of the text.
    bool lastCommentClears() const { return lastCommentClears_; }

    // ---- no-count area (always deletes) ----
    std::int32_t scanNoCountArea(std::int32_t p) {
        const CompiledRules<U>& rs = *cur_;
        auto starts = [&](const CompiledDelimited<U>& r, std::int32_t at) -> std::int32_t {
            const std::int32_t k = matchFlexibleQuick<U>(r.fold, b_, n_, at, r.start);
            if (k > 0 && (r.placement == 0 || isStandAlone(b_, n_, at, k))) {
                return k;
            }
            return 0;
        };
        const CompiledDelimited<U>* first = nullptr;
        std::int32_t q = p;
        for (const auto& r : rs.noCounts) {
            const std::int32_t k = starts(r, p);
            if (k > 0) {
                first = &r;
                q = p + k;
                break;
            }
        }
        if (first == nullptr) {
            return 0;
        }
        std::array<const CompiledDelimited<U>*, 16> stack;  // entries below depth are set
        int depth = 1;
        stack[0] = first;
        bool reachedEnd = false;
        bool openAtEnd = false;
        for (;;) {
            if (q >= n_) {
                q = n_;
                reachedEnd = true;
                openAtEnd = first->block();
                break;
            }
            const CompiledDelimited<U>& t = *stack[static_cast<std::size_t>(depth - 1)];
            const unsigned u = val(b_[q]);
            if (t.block()) {
                if (t.endSet.test(u)) {
                    std::int32_t k = 0;
                    for (const auto& e : t.ends) {
                        k = matchFlexibleQuick<U>(t.fold, b_, n_, q, e);
                        if (k > 0 && (t.placement == 0 || isStandAlone(b_, n_, q, k))) {
                            break;
                        }
                        k = 0;
                    }
                    if (k > 0) {
                        q += k;
                        if (depth > 1) {
                            --depth;
                            continue;
                        }
                        break;
                    }
                }
                if (depth < 16 && rs.blockNoCountSet.test(u)) {
                    bool opened = false;
                    for (const std::size_t idx : rs.blockNoCounts) {
                        const std::int32_t k = starts(rs.noCounts[idx], q);
                        if (k > 0) {
                            stack[static_cast<std::size_t>(depth)] = &rs.noCounts[idx];
                            ++depth;
                            q += k;
                            opened = true;
                            break;
                        }
                    }
                    if (opened) {
                        continue;
                    }
                }
            } else if (lineEndAt(b_, n_, q, delimit_) > 0) {
                if (t.deleteLineHead) {
                    clearRange(b_, lineStartBefore(b_, p), p);
                }
                break;
            }
            if (rs.commentSet.test(u)) {
                const std::int32_t k = scanComment(q, CommentMode::Skip);
                if (k > 0) {
                    q += k;
                    continue;
                }
            }
            if (rs.stringSet.test(u)) {
                const std::int32_t k = scanStringLiteral(q);
                if (k > 0) {
                    q += k;
                    continue;
                }
            }
            q += charStep(b_, n_, q, codeNo_);
        }
        if (q > n_) {
            q = n_;
        }
        if (!openAtEnd) {
            clearRange(b_, p, q);
        }
        std::int32_t covered = q - p;
        if (!reachedEnd && q < n_) {
            std::int32_t j = q;
            while (j < n_) {
                const int w = lineEndAt(b_, n_, j, delimit_);
                if (w > 0) {
                    covered += w;
                    break;
                }
                if (val(b_[j]) > 0x20) {
                    break;
                }
                b_[j] = U(0);
                ++covered;
                ++j;
            }
        }
        return covered;
    }

    // ---- embedded-language region ----
    std::int32_t scanRegionSwitch(std::int32_t p) {
        const CompiledRules<U>& rs = *cur_;
        for (const auto& g : rs.regions) {
            const std::int32_t k = matchWildcard<U>(g.fold, b_, n_, p, g.start, &memo_);
            if (k > 0) {
                const int slot = cache_.findExtension(g.extensionName);
                if (slot >= 0) {
                    if (regionDepth_ < kRegionLimit) {
                        regions_[static_cast<std::size_t>(regionDepth_)] = RegionLevel{cur_, &g};
                        ++regionDepth_;
                    }
                    cur_ = cache_.forSlot(slot);
                }
                return k;
            }
        }
        if (regionDepth_ > 0) {
            const RegionLevel& top = regions_[static_cast<std::size_t>(regionDepth_ - 1)];
            const std::int32_t k =
                matchWildcard<U>(top.rule->fold, b_, n_, p, top.rule->end, &memo_);
            if (k > 0) {
                cur_ = top.previous;
                --regionDepth_;
                return k;
            }
        }
        return 0;
    }

    // Whether a region switch could start at a unit (the current rules' starts, or the end of
    // the innermost open region).
    bool regionCandidate(unsigned u) const {
        if (cur_->regionSet.test(u)) {
            return true;
        }
        return regionDepth_ > 0 &&
               regions_[static_cast<std::size_t>(regionDepth_ - 1)].rule->endSet.test(u);
    }
    int regionDepth() const { return regionDepth_; }

  private:
    static constexpr int kRegionLimit = 15;
    struct RegionLevel {
        const CompiledRules<U>* previous = nullptr;
        const CompiledRegion<U>* rule = nullptr;
    };

    U* b_;
    std::int32_t n_;
    int delimit_;
    int codeNo_;
    int nestLimit_;
    bool quickLiterals_ = true;
    bool lastCommentClears_ = false;
    RuleCache<U>& cache_;
    const CompiledRules<U>* cur_;
    std::array<RegionLevel, kRegionLimit> regions_{};
    int regionDepth_ = 0;
    WildcardMemo memo_;
    UString<U> built_;  // the end string a pattern literal builds
};

// ---- Passes ---------------------------------------------------------------------------------

inline std::int32_t clampCount(std::int64_t v) {
    return v > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(v);
}

// Skips units that cannot start anything for the pass; returns the next candidate position.
template <class U>
inline std::int32_t skipQuiet(const U* b, std::int32_t n, std::int32_t i, const StartSet& set) {
    if (set.always) {
        return i;
    }
    return findLowByteIn(b, i, n, set.bits, set.ranges);
}

// skipQuiet() for one pass over one text: keeps the masks of the 64 units after the last search,
// so that closely spaced constructs do not search the same units again. The pass may change
// units only before the position it asks from.
template <class U>
class QuietSkip {
  public:
    QuietSkip(const U* b, std::int32_t n, const StartSet& set) : b_(b), n_(n), set_(set) {}

    const StartSet& set() const { return set_; }

    std::int32_t next(std::int32_t i) {
        if (set_.always || !set_.ranges.usable) {
            return skipQuiet(b_, n_, i, set_);
        }
        if (i >= base_ && i - base_ < kWindow) {
            const std::uint64_t m = hits_ & (~std::uint64_t{0} << (i - base_));
            if (m != 0) {
                return base_ + std::countr_zero(m);
            }
            i = base_ + kWindow;
        }
        for (; i + kWindow <= n_; i += kWindow) {
            prefetchUnits(b_ + i + 8 * kWindow);
            std::uint64_t m = 0;
            for (int k = 0; k < kWindow / kBlockUnits; ++k) {
                const std::uint64_t h =
                    UnitBlock<U>(b_ + i + k * kBlockUnits).lowByteIn(set_.ranges);
                m |= h << (k * kBlockUnits);
            }
            if (m != 0) {
                base_ = i;
                hits_ = m;
                return i + std::countr_zero(m);
            }
        }
        return skipQuiet(b_, n_, i, set_);
    }

  private:
    static constexpr std::int32_t kWindow = 64;
    const U* b_;
    std::int32_t n_;
    const StartSet& set_;
    std::int32_t base_ = -kWindow;
    std::uint64_t hits_ = 0;
};

// Steps over a string literal or a region switch starting at i (the comment and no-count passes
// keep both); returns the units passed, at least 1.
template <class U>
inline std::int32_t skipLiteralOrRegion(Scanner<U>& sc, const CompiledRules<U>& rs, std::int32_t i,
                                        unsigned u) {
    if (rs.stringSet.test(u)) {
        const std::int32_t k = sc.scanStringLiteral(i);
        if (k > 0) {
            return k;
        }
    }
    if (sc.regionCandidate(u)) {
        const std::int32_t k = sc.scanRegionSwitch(i);
        if (k > 0) {
            return k;
        }
    }
    return 1;
}

// Whether deleteNoCountAreas() leaves every text as it is under these rules.
template <class U>
bool noCountPassIsIdle(const CompiledRules<U>& own) {
    // Without areas and regions the pass only skips comments and literals; it can change the
    // text only through a comment rule that clears its line head.
    bool clearsHeads = false;
    for (const auto& r : own.comments) {
        clearsHeads = clearsHeads || r.deleteLineHead;
    }
    return own.noCounts.empty() && own.regions.empty() && !clearsHeads;
}

// Deletes the no-count areas; returns the units they covered (with the white space and line
// end counted after each).
template <class U>
std::int32_t deleteNoCountAreas(Scanner<U>& sc) {
    if (noCountPassIsIdle(sc.rules())) {
        return 0;
    }
    U* b = sc.data();
    const std::int32_t n = sc.size();
    QuietSkip<U> quiet(b, n, sc.rules().noCountPassSet);
    std::int64_t total = 0;
    std::int32_t i = 0;
    while (i < n) {
        if (sc.regionDepth() == 0) {
            const StartSet& set = sc.rules().noCountPassSet;
            i = &set == &quiet.set() ? quiet.next(i) : skipQuiet(b, n, i, set);
            if (i >= n) {
                break;
            }
        }
        const CompiledRules<U>& rs = sc.rules();
        const unsigned u = val(b[i]);
        if (rs.noCountSet.test(u)) {
            const std::int32_t k = sc.scanNoCountArea(i);
            if (k > 0) {
                total += k;
                i += k;
                continue;
            }
        }
        if (rs.commentSet.test(u)) {
            const std::int32_t k = sc.scanComment(i, CommentMode::Skip);
            if (k > 0) {
                i += k;
                continue;
            }
        }
        i += skipLiteralOrRegion(sc, rs, i, u);
    }
    return clampCount(total);
}

// Deletes comments; returns the units they covered (non-comment strings included).
template <class U>
std::int32_t deleteComments(Scanner<U>& sc) {
    U* b = sc.data();
    const std::int32_t n = sc.size();
    QuietSkip<U> quiet(b, n, sc.rules().commentPassSet);
    std::int64_t total = 0;
    std::int32_t i = 0;
    while (i < n) {
        if (sc.regionDepth() == 0) {
            const StartSet& set = sc.rules().commentPassSet;
            i = &set == &quiet.set() ? quiet.next(i) : skipQuiet(b, n, i, set);
            if (i >= n) {
                break;
            }
        }
        const CompiledRules<U>& rs = sc.rules();
        const unsigned u = val(b[i]);
        if (rs.commentSet.test(u)) {
            const std::int32_t k = sc.scanComment(i, CommentMode::Delete);
            if (k > 0) {
                total += k;
                i += k;
                continue;
            }
        }
        i += skipLiteralOrRegion(sc, rs, i, u);
    }
    return clampCount(total);
}

// A comment (or non-comment string) that a walk over the text stepped over: where it starts and
// the units it covers, negated when deleting it clears nothing (see lastCommentClears()).
struct WalkedComment {
    std::int32_t at = 0;
    std::int32_t length = 0;
};

// Whether the comments the preprocessor pass steps over, less those it then clears, are exactly
// the ones deleteComments() finds in the text the preprocessor pass leaves. The preprocessor
// clears only whole constructs of its walk (directive words and conditions, operands ended at a
// line end or a comment, whole branches), so both walks cut the text that remains into the same
// comments, literals and single units, provided that:
// - nothing switches the rules (no embedded-language region);
// - nothing the comment pass reads lies before the start of what it reads: comments may stand
//   anywhere (no column or stand-alone placement) and do not clear their line head;
// - cleared text starts nothing: no comment, non-comment string or literal starts with NUL or
//   with nothing at all;
// - no directive part holds a line end, so the line end after a line comment is cleared exactly
//   when the comment is.
template <class U>
bool commentWalkReusable(const CompiledRules<U>& rs) {
    // The start sets hold NUL when a rule's start is empty or begins with a NUL unit.
    if (!rs.regions.empty() || rs.commentSet.test(kNul) || rs.stringSet.test(kNul)) {
        return false;
    }
    for (const auto& r : rs.comments) {
        if (r.placement != 0 || r.deleteLineHead) {
            return false;
        }
    }
    for (const auto& d : rs.directives) {
        for (const auto& part : d.parts) {
            for (const U u : part) {
                if (val(u) == kCr || val(u) == kLf) {
                    return false;
                }
            }
        }
    }
    return true;
}

// deleteComments() over the text a walk left, from the comments that walk recorded in text order:
// a comment whose first unit is still there was left whole and is deleted and counted; one whose
// first unit is NUL went with what the walk cleared.
template <class U>
std::int32_t deleteWalkedComments(std::span<U> text, std::span<const WalkedComment> walked) {
    U* b = text.data();
    std::int64_t total = 0;
    for (const WalkedComment& c : walked) {
        if (b[c.at] == U(0)) {
            continue;
        }
        if (c.length > 0) {
            total += c.length;
            clearRange(b, c.at, c.at + c.length);
        } else {
            total -= c.length;
        }
    }
    return clampCount(total);
}

// Deletes the definition's listed strings outside string literals.
template <class U>
void deleteListedStrings(Scanner<U>& sc) {
    U* b = sc.data();
    const std::int32_t n = sc.size();
    const CompiledRules<U>& rs = sc.rules();
    if (rs.deleteStrings.empty()) {
        return;  // literals are kept anyway
    }
    QuietSkip<U> quiet(b, n, rs.listedPassSet);
    std::int32_t i = 0;
    while (i < n) {
        i = quiet.next(i);
        if (i >= n) {
            break;
        }
        const unsigned u = val(b[i]);
        if (rs.stringSet.test(u)) {
            const std::int32_t k = sc.scanStringLiteral(i);
            if (k > 0) {
                i += k;
                continue;
            }
        }
        bool removed = false;
        if (rs.deleteStringSet.test(u)) {
            for (const auto& s : rs.deleteStrings) {
                const std::int32_t k = matchFlexibleQuick<U>(false, b, n, i, s);
                if (k > 0) {
                    clearRange(b, i, i + k);
                    i += k;
                    removed = true;
                    break;
                }
            }
        }
        if (!removed) {
            ++i;
        }
    }
}

// Entry points over a span: each prepares the definition's rules for the unit type.
template <class U>
std::int32_t deleteNoCountAreas(std::span<U> text, const ExtensionDefinition* def,
                                const PassOptions& opt, const RuleEnvironment& env) {
    RuleCache<U> cache(def, env);
    Scanner<U> sc(text.data(), static_cast<std::int32_t>(text.size()), opt, cache);
    return deleteNoCountAreas(sc);
}

template <class U>
std::int32_t deleteComments(std::span<U> text, const ExtensionDefinition* def,
                            const PassOptions& opt, const RuleEnvironment& env) {
    RuleCache<U> cache(def, env);
    Scanner<U> sc(text.data(), static_cast<std::int32_t>(text.size()), opt, cache);
    return deleteComments(sc);
}

template <class U>
void deleteListedStrings(std::span<U> text, const ExtensionDefinition* def, const PassOptions& opt,
                         const RuleEnvironment& env) {
    RuleCache<U> cache(def, env);
    Scanner<U> sc(text.data(), static_cast<std::int32_t>(text.size()), opt, cache);
    deleteListedStrings(sc);
}

}  // namespace tavelin::analysis
