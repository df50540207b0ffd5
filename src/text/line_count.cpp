#include "text/line_count.h"

#include <cstddef>
#include <limits>

namespace tavelin {

template <typename Unit>
std::int32_t countLines(std::span<const Unit> text, std::int32_t delimit, std::int32_t eofflg) {
    constexpr Unit kCr = 0x0D;
    constexpr Unit kLf = 0x0A;
    const std::size_t n = text.size();
    std::int64_t ends = 0;
    // Position just past the last line end: where the unterminated tail begins.
    std::size_t tail = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Unit u = text[i];
        switch (delimit) {
            case 0:
                if (u == kCr && i + 1 < n && text[i + 1] == kLf) {
                    ++ends;
                    ++i;
                    tail = i + 1;
                }
                break;
            case 1:
                if (u == kCr) {
                    ++ends;
                    tail = i + 1;
                }
                break;
            case 2:
            case 3:
                if (u == kLf) {
                    ++ends;
                    tail = i + 1;
                }
                break;
            default:
                break;
        }
    }
    if (eofflg == 1) {
        for (std::size_t i = tail; i < n; ++i) {
            if (text[i] > 0x20) {
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
