#include "text/line_count.h"

#include <cstddef>
#include <limits>

#include "text/text_rules.h"

namespace tavelin {

template <typename Unit>
std::int32_t countLines(std::span<const Unit> text, std::int32_t delimit, std::int32_t eofflg) {
    const Unit* b = text.data();
    const auto n = static_cast<std::int64_t>(text.size());
    std::int64_t ends = 0;
    // Position just past the last line end: where the unterminated tail begins.
    std::int64_t tail = 0;
    const unsigned lead = text::lineEndLead(delimit);
    if (delimit != text::kDelimitCrLf && lead != 0) {
        // A line end is one unit: count them, and find the last from the end.
        ends = text::countUnit(b, n, lead);
        for (std::int64_t i = n; i > 0 && ends > 0; --i) {
            if (static_cast<unsigned>(b[i - 1]) == lead) {
                tail = i;
                break;
            }
        }
    } else if (delimit == text::kDelimitCrLf) {
        // CR LF pairs cannot overlap: count them, and find the last from the end.
        ends = text::countUnitPairs(b, n, text::kCr, text::kLf);
        for (std::int64_t i = n; i > 1 && ends > 0; --i) {
            if (static_cast<unsigned>(b[i - 2]) == text::kCr &&
                static_cast<unsigned>(b[i - 1]) == text::kLf) {
                tail = i;
                break;
            }
        }
    }
    if (eofflg == 1) {
        for (std::int64_t i = tail; i < n; ++i) {
            if (static_cast<unsigned>(b[i]) > 0x20) {
                ++ends;
                break;
            }
        }
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(ends > kMax ? kMax : ends);
}

template std::int32_t countLines<unsigned char>(std::span<const unsigned char>, std::int32_t,
                                                std::int32_t);
template std::int32_t countLines<char16_t>(std::span<const char16_t>, std::int32_t, std::int32_t);

}  // namespace tavelin
