#pragma once
// The keyword file syntax shared by the settings-type files: a line that holds exactly a key such
// as "[DELIMIT]" is followed by its value line(s); every other line is skipped. A file is read
// through a keyword table: one row per key with the handler that reads its value, the value
// descriptor (default, minimum, maximum) and the target member of the record it fills.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "datafiles/counter_settings.h"
#include "datafiles/line_reader.h"

namespace tavelin {

// Room for one line of a keyword file; the rest of a longer line is skipped.
constexpr std::size_t kKeywordLineRoom = 1022;
// Room for one path line of a file list.
constexpr std::size_t kFileListPathRoom = 520;
// Keys live in 32-byte fields: at most 31 characters.
constexpr std::size_t kMaxKeyLength = 31;

enum class KeyHandler : std::uint8_t { Integer, String, Colour, FileList };

// Integer and colour: the value is accepted when minimum <= value <= maximum, else it becomes
// `defaultValue`. String: the length is accepted when minimum <= length < maximum, else the value
// is empty. File list: the count is accepted when 0 <= count <= maximum, else it becomes
// `defaultValue` and no path is read.
struct ValueDescriptor {
    std::int32_t defaultValue = 0;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
};

// Where a row's value goes. Exactly the member that fits the handler is set: `integer` for the
// integer and colour handlers and for a file list's count, `text` for the string handler, and
// `files` for a file list's entries.
template <class Record>
struct KeywordTarget {
    std::int32_t Record::*integer = nullptr;
    std::string Record::*text = nullptr;
    std::array<ExtFileEntry, kMaxExtFiles> Record::*files = nullptr;
};

template <class Record>
struct KeywordRow {
    std::string_view key;
    KeyHandler handler = KeyHandler::Integer;
    ValueDescriptor value;
    KeywordTarget<Record> target;
    // Where the value sits in the record's binary image, for records that have one (the counter
    // settings block); fieldSize is the byte size of that field (4 for integers).
    std::uint32_t blockOffset = 0;
    std::uint32_t fieldSize = 0;
};

// Asks the file system for a file's last-write time (FILETIME ticks); returns false, leaving the
// time untouched, when the file cannot be opened.
using FileTimeQuery = bool (*)(const std::string& path, std::uint64_t& fileTime);

// Converts like strtol in base 10: leading blanks, an optional sign, then digits up to the first
// other character; no digits gives 0. Values beyond the 64-bit range saturate.
std::int64_t parseDecimal(std::string_view text);

// Converts a hexadecimal value as "%08X" reads it: leading blanks, an optional sign and "0x"
// prefix, then up to 8 hexadecimal digits in total. Returns false when no digit is there.
bool parseHexadecimal(std::string_view text, std::int64_t& value);

// The handlers. Each reads its own value line(s) from `reader` (with room for kKeywordLineRoom
// characters). At the end of the input the integer and colour handlers store the default and the
// string handler stores the empty string.
void readIntegerValue(LineReader& reader, const ValueDescriptor& value, std::int32_t& target);
void readStringValue(LineReader& reader, const ValueDescriptor& value, std::string& target);
void readColourValue(LineReader& reader, const ValueDescriptor& value, std::int32_t& target);
// A count line, then one path line per entry (kFileListPathRoom characters kept); after each path
// the file's last-write time is stored through `fileTime` (left as it was when the query fails).
// When the input ends before all paths are read, the count becomes the number read. Entries
// beyond the count keep their previous contents.
void readFileListValue(LineReader& reader, const ValueDescriptor& value, std::int32_t& count,
                       std::span<ExtFileEntry> entries, FileTimeQuery fileTime);

namespace detail {
template <class Row>
std::string_view keyOf(const Row& row) {
    if constexpr (std::is_convertible_v<const Row&, std::string_view>) {
        return row;
    } else {
        return row.key;
    }
}
}  // namespace detail

// The index of the first row whose key equals `line` exactly (case-sensitive, whole string), or
// -1. Works on any table whose rows are key strings or have a `key` member.
template <class Row>
int findKey(std::string_view line, const Row* table, int rows) {
    for (int i = 0; i < rows; ++i) {
        if (detail::keyOf(table[i]) == line) {
            return i;
        }
    }
    return -1;
}

// Reads a whole keyword file from its bytes into `record`. Lines are read with room for
// kKeywordLineRoom characters, CR LF counts as LF, empty lines and unknown lines are skipped; a
// recognised key hands the following lines to its row's handler. Returns the number of key lines
// recognised.
template <class Record>
int parseKeywordFile(std::string_view bytes, std::span<const KeywordRow<Record>> table,
                     Record& record, FileTimeQuery fileTime) {
    LineReader reader(bytes);
    std::string line;
    int recognised = 0;
    while (reader.next(line, kKeywordLineRoom)) {
        if (line.empty()) {
            continue;
        }
        const int index = findKey(line, table.data(), static_cast<int>(table.size()));
        if (index < 0) {
            continue;
        }
        ++recognised;
        const KeywordRow<Record>& row = table[static_cast<std::size_t>(index)];
        switch (row.handler) {
            case KeyHandler::Integer:
                readIntegerValue(reader, row.value, record.*(row.target.integer));
                break;
            case KeyHandler::String:
                readStringValue(reader, row.value, record.*(row.target.text));
                break;
            case KeyHandler::Colour:
                readColourValue(reader, row.value, record.*(row.target.integer));
                break;
            case KeyHandler::FileList:
                readFileListValue(reader, row.value, record.*(row.target.integer),
                                  record.*(row.target.files), fileTime);
                break;
        }
    }
    return recognised;
}

// Row builders that keep the tables readable.
template <class Record>
constexpr KeywordRow<Record> integerRow(std::string_view key, std::int32_t defaultValue,
                                        std::int32_t minimum, std::int32_t maximum,
                                        std::int32_t Record::*target,
                                        std::uint32_t blockOffset = 0) {
    return {key,
            KeyHandler::Integer,
            {defaultValue, minimum, maximum},
            {target, nullptr, nullptr},
            blockOffset,
            4};
}

template <class Record>
constexpr KeywordRow<Record> colourRow(std::string_view key, std::int32_t defaultValue,
                                       std::int32_t minimum, std::int32_t maximum,
                                       std::int32_t Record::*target) {
    return {
        key, KeyHandler::Colour, {defaultValue, minimum, maximum}, {target, nullptr, nullptr}, 0,
        4};
}

// A string row: accepted lengths are 0 .. fieldSize - 1.
template <class Record>
constexpr KeywordRow<Record> stringRow(std::string_view key, std::int32_t fieldSize,
                                       std::string Record::*target, std::uint32_t blockOffset = 0) {
    return {key,
            KeyHandler::String,
            {0, 0, fieldSize},
            {nullptr, target, nullptr},
            blockOffset,
            static_cast<std::uint32_t>(fieldSize)};
}

template <class Record>
constexpr KeywordRow<Record> fileListRow(std::string_view key, std::int32_t defaultCount,
                                         std::int32_t maximumCount,
                                         std::int32_t Record::*countTarget,
                                         std::array<ExtFileEntry, kMaxExtFiles> Record::*entries,
                                         std::uint32_t blockOffset = 0) {
    return {key,
            KeyHandler::FileList,
            {defaultCount, 0, maximumCount},
            {countTarget, nullptr, entries},
            blockOffset,
            4};
}

}  // namespace tavelin
