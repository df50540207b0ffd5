#include "datafiles/keyword_file.h"

#include <limits>

namespace tavelin {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool inRange(std::int64_t v, const ValueDescriptor& d) {
    return v >= d.minimum && v <= d.maximum;
}

}  // namespace

std::int64_t parseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate towards the sign so that the most negative value is reachable; saturate.
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (negative) {
            value = value < (kMin + digit) / 10 ? kMin : value * 10 - digit;
        } else {
            value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
        }
    }
    return value;
}

bool parseHexadecimal(std::string_view text, std::int64_t& value) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    // The field width of 8 counts the sign, the prefix and the digits.
    std::size_t width = 8;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
        --width;
    }
    if (width >= 3 && i + 2 < text.size() && text[i] == '0' &&
        (text[i + 1] == 'x' || text[i + 1] == 'X') && hexDigit(text[i + 2]) >= 0) {
        i += 2;
        width -= 2;
    }
    std::int64_t v = 0;
    std::size_t digits = 0;
    for (; digits < width && i < text.size() && hexDigit(text[i]) >= 0; ++i, ++digits) {
        v = v * 16 + hexDigit(text[i]);
    }
    if (digits == 0) {
        return false;
    }
    value = negative ? -v : v;
    return true;
}

void readIntegerValue(LineReader& reader, const ValueDescriptor& value, std::int32_t& target) {
    std::string line;
    if (!reader.next(line, kKeywordLineRoom)) {
        target = value.defaultValue;
        return;
    }
    const std::int64_t v = parseDecimal(line);
    target = inRange(v, value) ? static_cast<std::int32_t>(v) : value.defaultValue;
}

void readStringValue(LineReader& reader, const ValueDescriptor& value, std::string& target) {
    std::string line;
    if (!reader.next(line, kKeywordLineRoom)) {
        target.clear();
        return;
    }
    const auto length = static_cast<std::int64_t>(line.size());
    if (length >= value.minimum && length < value.maximum) {
        target = std::move(line);
    } else {
        target.clear();
    }
}

void readColourValue(LineReader& reader, const ValueDescriptor& value, std::int32_t& target) {
    std::string line;
    std::int64_t v = 0;
    if (reader.next(line, kKeywordLineRoom) && parseHexadecimal(line, v) && inRange(v, value)) {
        target = static_cast<std::int32_t>(v);
    } else {
        target = value.defaultValue;
    }
}

void readFileListValue(LineReader& reader, const ValueDescriptor& value, std::int32_t& count,
                       std::span<ExtFileEntry> entries, FileTimeQuery fileTime) {
    std::string line;
    if (!reader.next(line, kKeywordLineRoom)) {
        count = value.defaultValue;
        return;
    }
    const std::int64_t wanted = parseDecimal(line);
    // The maximum never exceeds the room the caller gives us.
    const auto room = static_cast<std::int64_t>(entries.size());
    if (wanted < 0 || wanted > value.maximum || wanted > room) {
        count = value.defaultValue;
        return;
    }
    std::int32_t read = 0;
    for (; read < wanted; ++read) {
        if (!reader.next(line, kFileListPathRoom)) {
            break;
        }
        ExtFileEntry& entry = entries[static_cast<std::size_t>(read)];
        entry.path = line;
        if (fileTime != nullptr) {
            fileTime(entry.path, entry.fileTime);
        }
    }
    count = read;
}

}  // namespace tavelin
