#include "text/line_count.h"

#include <cstddef>
#include <limits>

namespace tavelin {

namespace {

// Counts over n units read through unitAt(i).
template <typename UnitAt>
std::int32_t countLinesImpl(std::size_t n, UnitAt unitAt, std::int32_t delimit,
                            std::int32_t eofflg) {
    constexpr unsigned kCr = 0x0D;
    constexpr unsigned kLf = 0x0A;
    std::int64_t ends = 0;
    // Position just past the last line end: where the unterminated tail begins.
    std::size_t tail = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned u = unitAt(i);
        bool isEnd = false;
        switch (delimit) {
            case 0:
                if (u == kCr && i + 1 < n && unitAt(i + 1) == kLf) {
                    ++i;
                    isEnd = true;
                }
                break;
            case 1:
                isEnd = (u == kCr);
                break;
            case 2:
            case 3:
                isEnd = (u == kLf);
                break;
            default:
                break;  // no line ends in an unknown mode
        }
        if (isEnd) {
            ++ends;
            tail = i + 1;
        }
    }
    if (eofflg == 1) {
        for (std::size_t i = tail; i < n; ++i) {
            if (unitAt(i) > 0x20) {
                ++ends;
                break;
            }
        }
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(ends > kMax ? kMax : ends);
}

}  // namespace

template <typename Unit>
std::int32_t countLines(std::span<const Unit> text, std::int32_t delimit, std::int32_t eofflg) {
    return countLinesImpl(
        text.size(), [&](std::size_t i) { return static_cast<unsigned>(text[i]); }, delimit,
        eofflg);
}

std::int32_t countLinesUtf16Le(std::span<const unsigned char> bytes, std::int32_t delimit,
                               std::int32_t eofflg) {
    return countLinesImpl(
        bytes.size() / 2,
        [&](std::size_t i) {
            return static_cast<unsigned>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        },
        delimit, eofflg);
}

template std::int32_t countLines<unsigned char>(std::span<const unsigned char>, std::int32_t,
                                                std::int32_t);
template std::int32_t countLines<char16_t>(std::span<const char16_t>, std::int32_t, std::int32_t);

}  // namespace tavelin
