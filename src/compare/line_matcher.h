#pragma once
// The line matcher: pairs the lines of the after-change text with those of the before-change text
// in one forward pass, gives every line a LineStatus and counts what it found.
//
// Both texts are split at the delimiter chosen by [DELIMIT]. Equal lines are paired while they
// agree; at a disagreement a window grows on both sides until a pair of equal lines passes the
// confirmation check selected by resyncCount ([NEXTLCHK]):
//   0..9   the candidate and the next resyncCount pairs must be equal (or reach both ends),
//   10     "AUTO 1": the candidate's run must not occur again at least as long,
//   11     "AUTO 2": the candidate's run must not occur again longer,
//   12     "AUTO 3": as AUTO 2, but a repeat is tolerated unless it has the same context.
//
// Lines are interned to dense ids once, so a comparison is an integer compare, and the
// candidates of each window are found through per-id position lists. The results are those of
// the plain line-by-line algorithm; the tests hold a literal version of it as an oracle.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "datafiles/records.h"

namespace tavelin {

struct MatchOptions {
    // [NEXTLCHK]: 0..9 count check with N = resyncCount + 1, 10..12 "AUTO 1".."AUTO 3". Any other
    // value (a selector without a selection is stored as -1) behaves like 0.
    std::int32_t resyncCount = 0;
    bool ignoreCase = false;             // compare through the locale's upper-case mapping
    bool countDeletedAsChanged = false;  // [DELCFLG]
    bool countAllDeleted = false;        // [BDELCFLG]
    bool useReused = false;              // [USECFLG] (or an "Out of module" module)
    // [DELIMIT]: 0 CR LF, 1 CR, 2 LF, 3 LF (a CR before the LF stays in the line and is ignored
    // by the comparison). Any other value is read as 0.
    std::int32_t delimiter = 0;
};

struct MatchResult {
    std::int32_t changed = 0;
    std::int32_t reused = 0;
    std::int32_t deleted = 0;

    bool operator==(const MatchResult&) const = default;
};

// Receives the progress of a long match, a few times per second at most. percent is 0..100 for
// texts of 131072 units or more; for smaller texts the matcher only calls with -1 (keep the
// window responsive, show nothing) while a long difference region is being resolved.
class MatchProgress {
  public:
    virtual ~MatchProgress() = default;
    virtual void onProgress(int percent) = 0;
};

// The progress text of status-bar panel 1: "%4d%%".
std::string progressText(int percent);

// Texts of at least this many units (bytes or 16-bit units) on either side report a percentage.
constexpr std::int64_t kProgressThreshold = 131072;

// Compares two lines given without their delimiters. A single CR at the end of either line is
// ignored. With ignoreCase every unit of both is mapped through upperByte / upperUnit first.
bool linesEqual(std::string_view x, std::string_view y, bool ignoreCase);
bool linesEqual(std::u16string_view x, std::u16string_view y, bool ignoreCase);

// Matches the after text against the before text and writes the status of every line into
// afterLines / beforeLines (index = 0-based line number of the text; only `status` is written,
// and only for entries the tables have). The texts are not modified. A text may end with one
// NUL after a last line without delimiter; a NUL inside a line ends that line's content.
MatchResult matchModules(std::span<const unsigned char> after,
                         std::span<const unsigned char> before, const MatchOptions& options,
                         LineTable& afterLines, LineTable& beforeLines,
                         MatchProgress* progress = nullptr);

// The wide-character form: the same matcher over 16-bit units.
MatchResult matchModules(std::span<const char16_t> after, std::span<const char16_t> before,
                         const MatchOptions& options, LineTable& afterLines, LineTable& beforeLines,
                         MatchProgress* progress = nullptr);

// The same two texts matched several times with different resync counts (the automatic
// choice): the texts are split into lines and interned once. The texts must outlive the object;
// every option but resyncCount is fixed at construction.
class PreparedMatch {
  public:
    PreparedMatch(std::span<const unsigned char> after, std::span<const unsigned char> before,
                  const MatchOptions& options);
    PreparedMatch(std::span<const char16_t> after, std::span<const char16_t> before,
                  const MatchOptions& options);
    ~PreparedMatch();
    PreparedMatch(const PreparedMatch&) = delete;
    PreparedMatch& operator=(const PreparedMatch&) = delete;

    // As matchModules with options.resyncCount = resyncCount.
    MatchResult run(std::int32_t resyncCount, LineTable& afterLines, LineTable& beforeLines,
                    MatchProgress* progress = nullptr) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The resync choices beyond the counted ones (0..9: 1..10 equal lines).
enum ResyncChoice : std::int32_t {
    kResyncAuto1 = 10,  // the candidate's run must not occur again at least as long
    kResyncAuto2 = 11,  // ... must not occur again longer
    kResyncAuto3 = 12,  // as AUTO 2, a repeat tolerated unless it has the same context; in the
                        // comparison: the best of AUTO 1..3 (most re-used lines)
};

// resyncCount as the matcher uses it: values outside 0..12 become 0.
constexpr std::int32_t normalizeResyncCount(std::int32_t resyncCount) {
    return resyncCount < 0 || resyncCount > kResyncAuto3 ? 0 : resyncCount;
}

}  // namespace tavelin
