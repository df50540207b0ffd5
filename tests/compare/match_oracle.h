#pragma once
// A plain, literal line matcher used as the reference for the fast one: it rewrites the
// delimiters of a copy of each text to NUL, walks both texts by unit position, compares line
// strings in place and rescans the whole window at every growth step.

#include <cstdint>
#include <span>

#include "compare/line_matcher.h"
#include "datafiles/records.h"

namespace tavelin::testing {

MatchResult oracleMatch(std::span<const unsigned char> after, std::span<const unsigned char> before,
                        const MatchOptions& options, LineTable& afterLines, LineTable& beforeLines);

MatchResult oracleMatch(std::span<const char16_t> after, std::span<const char16_t> before,
                        const MatchOptions& options, LineTable& afterLines, LineTable& beforeLines);

}  // namespace tavelin::testing
