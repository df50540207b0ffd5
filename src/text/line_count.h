#pragma once
// Counting lines of a module text, for 8-bit text (unsigned char) and UTF-16 text (char16_t).

#include <cstdint>
#include <span>

#include "datafiles/counter_settings.h"

namespace tavelin {

// The number of line ends in `text` as [DELIMIT] (`delimit`) recognises them: 0 a CR LF pair
// (counted once), 1 CR, 2 and 3 LF; any other value recognises none. When `eofflg` is 1, one more
// if the units after the last line end include at least one unit above 0x20. NUL units inside a
// line do not matter. Counts saturate at INT32_MAX.
template <typename Unit>
std::int32_t countLines(std::span<const Unit> text, std::int32_t delimit, std::int32_t eofflg);

template <typename Unit>
std::int32_t countLines(std::span<const Unit> text, const CounterSettings& settings) {
    return countLines<Unit>(text, settings.delimit, settings.eofflg);
}

extern template std::int32_t countLines<unsigned char>(std::span<const unsigned char>, std::int32_t,
                                                       std::int32_t);
extern template std::int32_t countLines<char16_t>(std::span<const char16_t>, std::int32_t,
                                                  std::int32_t);

}  // namespace tavelin
