#pragma once
// Reading the rows of a static-analysis warning CSV file: splitting a row into the fields that
// the counter settings name by column, cleaning the texts, and the byte-level comparisons used on
// paths and list texts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "datafiles/counter_settings.h"

namespace tavelin {

// Room for one physical line of a warning file; the rest of a longer line is skipped.
constexpr std::size_t kWarningLineChars = 1022;
// Longest text kept from a field: the path, description and extras, and the code number.
constexpr std::size_t kWarningTextChars = 521;
constexpr std::size_t kWarningCodeChars = 127;
// Longest extra column heading.
constexpr std::size_t kWarningHeadingChars = 63;

// One row of a warning file after splitting. Fields whose column setting matches no column
// stay empty; the line stays 0.
struct ParsedWarning {
    std::string path;
    std::int32_t line = 0;
    std::string codeNumber;
    std::string description;
    std::string extra1;
    std::string extra2;
};

// Splits one row (without its line end) into the fields named by [CSVPATNO], [CSVLINNO],
// [CSVDATNO], [CSVDSCNO], [CSVEXT1NO] and [CSVEXT2NO]. Columns count from 1, empty fields
// included; a field with an odd number of double quotes takes the following pieces (and the
// commas between them) until its quotes pair up. Returns false, with every field empty, when the
// row holds no comma: such a row is not a warning.
bool parseWarningRow(std::string_view row, const CounterSettings& settings, ParsedWarning& out);

// Takes at most `maxChars` bytes of a field, strips leading and trailing bytes at or below 0x20
// and double quotes, and turns each doubled double quote into a single one.
std::string cleanWarningText(std::string_view field, std::size_t maxChars);

// The line column read as a decimal integer from the start of the field: leading white space,
// an optional sign, then digits up to the first other byte; no digits gives 0. Values beyond the
// 32-bit range are held at its ends.
std::int32_t parseWarningLine(std::string_view field);

// Path equality without regard to ASCII letter case. Trail bytes of double-byte characters are
// compared exactly, so two different characters never match through case folding.
bool pathsEqualNoCase(std::string_view a, std::string_view b);

// Three-way text comparison without regard to ASCII letter case (letters fold to lower case,
// bytes compare unsigned, trail bytes exactly): negative, 0 or positive.
int compareTextNoCase(std::string_view a, std::string_view b);

// The text with every double quote removed.
std::string withoutQuotes(std::string_view text);

}  // namespace tavelin
