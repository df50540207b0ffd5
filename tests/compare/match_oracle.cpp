#include "match_oracle.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "platform/codepage.h"

namespace tavelin::testing {

namespace {

unsigned char upper(unsigned char c) {
    return upperByte(c);
}
char16_t upper(char16_t c) {
    return upperUnit(c);
}

constexpr std::int64_t kMissing = -1;  // no line at all (a predecessor that does not exist)

template <class Unit>
class Oracle {
  public:
    Oracle(std::span<const Unit> after, std::span<const Unit> before, const MatchOptions& options,
           LineTable& afterLines, LineTable& beforeLines)
        : opt_(options), tables_{&afterLines, &beforeLines} {
        delimiter_ = options.delimiter >= 0 && options.delimiter <= 3 ? options.delimiter : 0;
        width_ = delimiter_ == 0 ? 2 : 1;
        v_ = options.resyncCount;
        if (v_ < 0 || v_ > 12) {
            v_ = 0;
        }
        load(text_[0], after);
        load(text_[1], before);
    }

    MatchResult run() {
        std::int64_t posA = 0;
        std::int64_t posB = 0;
        std::int64_t i = 0;
        std::int64_t j = 0;
        while (!usedUp(0, posA) || !usedUp(1, posB)) {
            if (usedUp(1, posB)) {
                set(0, i, LineStatus::Added);
                ++added_;
                posA = next(0, posA);
                ++i;
            } else if (usedUp(0, posA)) {
                set(1, j, LineStatus::Deleted);
                ++deleted_;
                posB = next(1, posB);
                ++j;
            } else if (equal(0, posA, 1, posB)) {
                set(0, i, LineStatus::Same);
                set(1, j, LineStatus::Same);
                ++same_;
                posA = next(0, posA);
                posB = next(1, posB);
                ++i;
                ++j;
            } else {
                resolve(posA, posB, i, j);
            }
        }
        MatchResult r;
        r.reused = opt_.useReused ? static_cast<std::int32_t>(same_) : 0;
        std::int64_t changed = added_;
        if (opt_.countDeletedAsChanged) {
            changed += deleted_;
        }
        if (!opt_.useReused && changed > 0) {
            changed += same_;
        }
        r.changed = static_cast<std::int32_t>(changed);
        r.deleted = static_cast<std::int32_t>(deleted_);
        return r;
    }

  private:
    struct Text {
        std::vector<Unit> buf;  // the text with its delimiters turned to NUL, then one more NUL
        std::int64_t len = 0;
    };

    void load(Text& t, std::span<const Unit> src) {
        t.buf.assign(src.begin(), src.end());
        t.len = static_cast<std::int64_t>(src.size());
        const auto cr = static_cast<Unit>('\r');
        const auto lf = static_cast<Unit>('\n');
        for (std::size_t p = 0; p < t.buf.size(); ++p) {
            if (delimiter_ == 0) {
                if (t.buf[p] == cr && p + 1 < t.buf.size() && t.buf[p + 1] == lf) {
                    t.buf[p] = 0;
                    t.buf[p + 1] = 0;
                    ++p;
                }
            } else if (delimiter_ == 1) {
                if (t.buf[p] == cr) {
                    t.buf[p] = 0;
                }
            } else if (t.buf[p] == lf) {
                t.buf[p] = 0;
            }
        }
        t.buf.push_back(0);
    }

    bool usedUp(int side, std::int64_t pos) const { return pos >= text_[side].len; }

    // Length of the NUL-terminated line at pos; a used-up side reads an empty line.
    std::int64_t lineLength(int side, std::int64_t pos) const {
        if (usedUp(side, pos)) {
            return 0;
        }
        const Text& t = text_[side];
        std::int64_t n = 0;
        while (t.buf[static_cast<std::size_t>(pos + n)] != 0) {
            ++n;
        }
        return n;
    }

    std::int64_t next(int side, std::int64_t pos) const {
        return pos + lineLength(side, pos) + width_;
    }

    // linesEqual: a final CR is ignored; with ignoreCase both are upper-cased unit by unit.
    bool equal(int sx, std::int64_t x, int sy, std::int64_t y) const {
        if (x == kMissing || y == kMissing) {
            return false;
        }
        std::int64_t nx = lineLength(sx, x);
        std::int64_t ny = lineLength(sy, y);
        const Unit* px = usedUp(sx, x) ? nullptr : &text_[sx].buf[static_cast<std::size_t>(x)];
        const Unit* py = usedUp(sy, y) ? nullptr : &text_[sy].buf[static_cast<std::size_t>(y)];
        const auto cr = static_cast<Unit>('\r');
        if (nx > 0 && px[nx - 1] == cr) {
            --nx;
        }
        if (ny > 0 && py[ny - 1] == cr) {
            --ny;
        }
        if (nx != ny) {
            return false;
        }
        for (std::int64_t k = 0; k < nx; ++k) {
            Unit a = px[k];
            Unit b = py[k];
            if (opt_.ignoreCase) {
                a = upper(a);
                b = upper(b);
            }
            if (a != b) {
                return false;
            }
        }
        return true;
    }

    void set(int side, std::int64_t line, LineStatus s) {
        LineTable& t = *tables_[side];
        if (line >= 0 && static_cast<std::size_t>(line) < t.size()) {
            t[static_cast<std::size_t>(line)].status = s;
        }
    }

    bool confirm(std::int64_t x, std::int64_t y, std::int64_t px, std::int64_t py) const {
        if (v_ <= 9) {
            for (int t = 0; t < v_; ++t) {
                x = next(0, x);
                y = next(1, y);
                if (usedUp(0, x) || usedUp(1, y)) {
                    return usedUp(0, x) && usedUp(1, y);
                }
                if (!equal(0, x, 1, y)) {
                    return false;
                }
            }
            return true;
        }
        bool flag = false;
        std::int64_t l1 = 0;
        std::int64_t l2 = 0;
        const bool fail1 = pass(0, x, 1, y, py, l1, flag);
        const bool fail2 = pass(1, y, 0, x, px, l2, flag);
        if (!fail1 && !fail2) {
            return true;
        }
        return v_ == 12 && !flag && l1 == l2 && l1 > 0;
    }

    // One pass of the uniqueness check: u walks side su from s0, w walks side sw from w0 and goes
    // back to w0 whenever a run ends. Returns whether the pass failed.
    bool pass(int su, std::int64_t s0, int sw, std::int64_t w0, std::int64_t predW,
              std::int64_t& firstLength, bool& flag) const {
        std::int64_t u = s0;
        std::int64_t prevU = kMissing;
        std::int64_t w = w0;
        std::int64_t r = 0;
        std::int64_t f = -1;  // unset
        bool failed = false;
        auto beats = [&](std::int64_t run) {
            if (f < 0) {
                return true;
            }
            return v_ == 10 ? run >= f : run > f;
        };
        for (;;) {
            if (usedUp(su, u)) {
                if (beats(r)) {
                    if (f >= 0) {
                        failed = true;
                    } else if (!usedUp(sw, w)) {
                        if (r == 0) {
                            failed = true;
                        } else if (v_ == 12) {
                            firstLength = r;
                        }
                    }
                }
                break;
            }
            if (equal(su, u, sw, w)) {
                if (v_ == 12 && r == 0 && f >= 0 && equal(su, prevU, sw, predW)) {
                    flag = true;
                }
                ++r;
                prevU = u;
                u = next(su, u);
                w = next(sw, w);
                if (usedUp(sw, w)) {
                    if (beats(r)) {
                        if (f >= 0) {
                            failed = true;
                            break;
                        }
                        f = r;
                        if (v_ == 12) {
                            firstLength = r;
                            if (!usedUp(su, u)) {
                                failed = true;
                            }
                        }
                    }
                    r = 0;
                    w = w0;
                }
            } else {
                if (beats(r)) {
                    if (f >= 0) {
                        failed = true;
                        break;
                    }
                    f = r;
                    if (v_ == 12) {
                        firstLength = r;
                    }
                }
                r = 0;
                w = w0;
                prevU = u;
                u = next(su, u);
            }
        }
        return failed;
    }

    void resolve(std::int64_t& posA, std::int64_t& posB, std::int64_t& i, std::int64_t& j) {
        const std::int64_t a0 = posA;
        const std::int64_t b0 = posB;
        std::int64_t nA = 0;
        std::int64_t nB = 0;
        std::int64_t pA = a0;
        std::int64_t pB = b0;
        bool matched = false;
        std::int64_t matchA = 0;
        std::int64_t matchB = 0;
        std::int64_t addedLines = 0;    // after lines a0.. to mark Added
        std::int64_t deletedLines = 0;  // before lines b0.. to mark Deleted
        while (!matched && (!usedUp(0, pA) || !usedUp(1, pB))) {
            const std::int64_t lastA = pA;
            const std::int64_t lastB = pB;
            if (!usedUp(0, pA)) {
                pA = next(0, pA);
                ++nA;
            }
            if (!usedUp(1, pB)) {
                pB = next(1, pB);
                ++nB;
            }
            std::int64_t sA = a0;
            std::int64_t sB = b0;
            std::int64_t kA = 0;
            std::int64_t kB = 0;
            std::int64_t prevA = kMissing;
            std::int64_t prevB = kMissing;
            while (!matched && (sA < pA || sB < pB)) {
                if (sA < pA && equal(0, sA, 1, pB) && confirm(sA, pB, prevA, lastB)) {
                    matched = true;
                    matchA = sA;
                    matchB = pB;
                    addedLines = kA;
                    deletedLines = nB;
                    added_ += kA;
                    deleted_ += opt_.countAllDeleted ? nB : nB - kB;
                } else if (sB < pB && equal(0, pA, 1, sB) && confirm(pA, sB, lastA, prevB)) {
                    matched = true;
                    matchA = pA;
                    matchB = sB;
                    addedLines = nA;
                    deletedLines = kB;
                    added_ += nA;
                    deleted_ += opt_.countAllDeleted ? kB : 0;
                } else {
                    prevA = sA;
                    prevB = sB;
                    if (sA < pA) {
                        sA = next(0, sA);
                    }
                    if (sB < pB) {
                        sB = next(1, sB);
                    }
                    if (kA < nA) {
                        ++kA;
                    }
                    if (kB < nB) {
                        ++kB;
                    }
                }
            }
            if (!matched && equal(0, pA, 1, pB) && confirm(pA, pB, lastA, lastB)) {
                matched = true;
                matchA = pA;
                matchB = pB;
                addedLines = nA;
                deletedLines = nB;
                added_ += nA;
                deleted_ += opt_.countAllDeleted ? nB : std::max<std::int64_t>(0, nB - nA);
            }
        }
        if (!matched) {
            matchA = pA;
            matchB = pB;
            addedLines = nA;
            deletedLines = nB;
            added_ += nA;
            deleted_ += opt_.countAllDeleted ? nB : std::max<std::int64_t>(0, nB - nA);
        }
        for (std::int64_t k = 0; k < addedLines; ++k) {
            set(0, i + k, LineStatus::Added);
        }
        for (std::int64_t k = 0; k < deletedLines; ++k) {
            set(1, j + k, LineStatus::Deleted);
        }
        i += addedLines;
        j += deletedLines;
        posA = matchA;
        posB = matchB;
    }

    MatchOptions opt_;
    LineTable* tables_[2];
    Text text_[2];
    int delimiter_ = 0;
    int width_ = 2;
    int v_ = 0;
    std::int64_t same_ = 0;
    std::int64_t added_ = 0;
    std::int64_t deleted_ = 0;
};

}  // namespace

MatchResult oracleMatch(std::span<const unsigned char> after, std::span<const unsigned char> before,
                        const MatchOptions& options, LineTable& afterLines,
                        LineTable& beforeLines) {
    return Oracle<unsigned char>(after, before, options, afterLines, beforeLines).run();
}

MatchResult oracleMatch(std::span<const char16_t> after, std::span<const char16_t> before,
                        const MatchOptions& options, LineTable& afterLines,
                        LineTable& beforeLines) {
    return Oracle<char16_t>(after, before, options, afterLines, beforeLines).run();
}

}  // namespace tavelin::testing
