#include "warnings/warning_csv.h"
#include "text/text_rules.h"

#include <limits>

namespace tavelin {

namespace {

bool isTrimmed(unsigned char c) {
    return c <= 0x20 || c == '"';
}

unsigned char foldLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

std::size_t countQuotes(std::string_view s) {
    std::size_t n = 0;
    for (char c : s) {
        if (c == '"') {
            ++n;
        }
    }
    return n;
}

// Compares two byte strings unit by unit, folding ASCII letters to lower case except in trail
// bytes of double-byte characters. Returns negative, 0 or positive.
int compareFolded(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    bool trailA = false;
    bool trailB = false;
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        const unsigned char fa = trailA ? ca : foldLower(ca);
        const unsigned char fb = trailB ? cb : foldLower(cb);
        if (fa != fb) {
            return fa < fb ? -1 : 1;
        }
        trailA = !trailA && text::isShiftJisLead(ca);
        trailB = !trailB && text::isShiftJisLead(cb);
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace

std::string cleanWarningText(std::string_view field, std::size_t maxChars) {
    if (field.size() > maxChars) {
        field = field.substr(0, maxChars);
    }
    std::size_t begin = 0;
    std::size_t end = field.size();
    while (begin < end && isTrimmed(static_cast<unsigned char>(field[begin]))) {
        ++begin;
    }
    while (end > begin && isTrimmed(static_cast<unsigned char>(field[end - 1]))) {
        --end;
    }
    std::string out;
    out.reserve(end - begin);
    for (std::size_t i = begin; i < end; ++i) {
        out.push_back(field[i]);
        // Of a doubled quote only the first is kept.
        if (field[i] == '"' && i + 1 < end && field[i + 1] == '"') {
            ++i;
        }
    }
    return out;
}

std::int32_t parseWarningLine(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    // Accumulated as a magnitude with room above the 32-bit range, then held at its ends.
    constexpr std::int64_t kLimit =
        static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t value = 0;
    while (i < field.size() && field[i] >= '0' && field[i] <= '9') {
        if (value <= kLimit) {
            value = value * 10 + (field[i] - '0');
        }
        ++i;
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

bool parseWarningRow(std::string_view row, const CounterSettings& settings, ParsedWarning& out) {
    out = ParsedWarning{};
    if (row.find(',') == std::string_view::npos) {
        return false;
    }
    std::size_t pos = 0;
    std::int32_t column = 0;
    std::string field;
    while (pos <= row.size()) {
        // One field: a piece up to the next comma, extended over further pieces while its
        // double quotes are unpaired.
        std::size_t comma = row.find(',', pos);
        std::size_t end = comma == std::string_view::npos ? row.size() : comma;
        field.assign(row.substr(pos, end - pos));
        std::size_t quotes = countQuotes(field);
        while (quotes % 2 == 1 && comma != std::string_view::npos) {
            pos = comma + 1;
            comma = row.find(',', pos);
            end = comma == std::string_view::npos ? row.size() : comma;
            const std::string_view piece = row.substr(pos, end - pos);
            field.push_back(',');
            field.append(piece);
            quotes += countQuotes(piece);
        }
        ++column;
        if (column == settings.csvpatno) {
            out.path = cleanWarningText(field, kWarningTextChars);
        }
        if (column == settings.csvlinno) {
            out.line = parseWarningLine(field);
        }
        if (column == settings.csvdatno) {
            out.codeNumber = cleanWarningText(field, kWarningCodeChars);
        }
        if (column == settings.csvdscno) {
            out.description = cleanWarningText(field, kWarningTextChars);
        }
        if (column == settings.csvext1no) {
            out.extra1 = cleanWarningText(field, kWarningTextChars);
        }
        if (column == settings.csvext2no) {
            out.extra2 = cleanWarningText(field, kWarningTextChars);
        }
        if (comma == std::string_view::npos) {
            break;
        }
        pos = comma + 1;
    }
    return true;
}

bool pathsEqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && compareFolded(a, b) == 0;
}

int compareTextNoCase(std::string_view a, std::string_view b) {
    return compareFolded(a, b);
}

std::string withoutQuotes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != '"') {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace tavelin
