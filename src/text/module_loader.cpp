#include "text/module_loader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "platform/parallel.h"
#include "platform/paths.h"
#include "text/encoding.h"
#include "text/line_count.h"
#include "text/line_tables.h"
#include "text/text_rules.h"

namespace tavelin {

namespace {

constexpr unsigned char kCr = 0x0D;
constexpr unsigned char kLf = 0x0A;

bool validSide(int side) {
    return side == kAfter || side == kBefore;
}

std::size_t sideIndex(int side) {
    return static_cast<std::size_t>(side);
}

// Leaves `buffer` as an empty text: nothing but zero bytes.
void makeEmptyText(std::vector<unsigned char>& buffer) {
    try {
        buffer.assign(kTextSlack, 0);
    } catch (const std::bad_alloc&) {
        buffer.clear();
    }
}

// Bytes in the stretch topPosition..endPosition, or 0 for a descriptor of an empty module.
std::int64_t stretchLength(const ModuleDescriptor& d) {
    const std::int64_t n = static_cast<std::int64_t>(d.endPosition) - d.topPosition + 1;
    if (n < 1 || (d.endPosition == 0 && d.topPosition == 0)) {
        return 0;
    }
    return n;
}

// The size of a regular file, or -1 when it is missing, not a regular file or cannot be queried.
std::int64_t regularFileSize(const std::string& path) {
    try {
        std::error_code ec;
        const std::filesystem::path p(path);
        if (!std::filesystem::is_regular_file(p, ec) || ec) {
            return -1;
        }
        const std::uintmax_t size = std::filesystem::file_size(p, ec);
        if (ec || size > static_cast<std::uintmax_t>(std::numeric_limits<std::int64_t>::max())) {
            return -1;
        }
        return static_cast<std::int64_t>(size);
    } catch (...) {
        return -1;
    }
}

// Appends the terminator when the text does not end with CR or LF; `length` grows by its width.
void appendTerminator(std::vector<unsigned char>& buffer, std::size_t& length,
                      std::int32_t delimit) {
    if (length == 0) {
        return;
    }
    const unsigned char last = buffer[length - 1];
    if (last == kCr || last == kLf) {
        return;
    }
    for (char c : lineTerminator(delimit)) {
        buffer[length++] = static_cast<unsigned char>(c);
    }
}

// The common read step: `supply(offset, count, dest)` copies up to `count` bytes of the source
// from `offset` and returns how many it copied; `available` is the source's size.
template <typename Supply>
int readStretch(const ModuleDescriptor& d, std::int64_t available, std::int32_t delimit,
                std::vector<unsigned char>& buffer, Supply supply) {
    const std::int64_t n = stretchLength(d);
    if (n == 0) {
        makeEmptyText(buffer);
        return kLoadEmptyModule;
    }
    if (d.topPosition < 0 || d.topPosition >= available) {
        makeEmptyText(buffer);
        return kLoadIncomplete;
    }
    // Allocate only what the source can supply; a shorter source fails below anyway.
    const std::int64_t readable = std::min(n, available - d.topPosition);
    try {
        // A buffer that is large enough already is reused: its pages are in memory.
        buffer.assign(static_cast<std::size_t>(readable) + kTextSlack, 0);
    } catch (const std::bad_alloc&) {
        makeEmptyText(buffer);
        return kLoadNoMemory;
    }
    const std::size_t got =
        supply(d.topPosition, static_cast<std::size_t>(readable), buffer.data());
    if (static_cast<std::int64_t>(got) != n) {
        makeEmptyText(buffer);
        return kLoadIncomplete;
    }
    std::size_t length = got;
    appendTerminator(buffer, length, delimit);
    // The NUL after the text and the rest of the slack are already zero.
    return kLoadOk;
}

template <class U>
std::int64_t countUnits(std::span<const U> text, U u) {
    return text::countUnit(text.data(), static_cast<std::int64_t>(text.size()), u);
}

// Lone CRs: CRs that are not followed by LF.
template <class U>
std::int64_t countLoneCrs(std::span<const U> text) {
    std::int64_t lone = 0;
    const U* b = text.data();
    const auto n = static_cast<std::int64_t>(text.size());
    for (std::int64_t i = text::findUnit(b, 0, n, kCr); i < n;
         i = text::findUnit(b, i + 1, n, kCr)) {
        if (i + 1 == n || b[i + 1] != U(kLf)) {
            ++lone;
        }
    }
    return lone;
}

// Upper bound of the lines a text can hold in any line-end mode: one per LF, one per CR that is
// not followed by LF (the most any mode recognises), plus a last unterminated line.
std::int64_t textLineBound(const ModuleText& text, bool utf16) {
    if (utf16) {
        const std::span<const char16_t> units(text.units);
        return 1 + countUnits(units, static_cast<char16_t>(kLf)) + countLoneCrs(units);
    }
    const std::span<const unsigned char> bytes(text.bytes);
    return 1 + countUnits(bytes, kLf) + countLoneCrs(bytes);
}

// Turns the bytes of a UTF-16 text into units: the first `length` units are put into the
// machine's order from the file's (little-endian, or big-endian when `bigEndian`); the bytes
// after them (the appended terminator, the NUL slack) are taken as little-endian pairs.
void takeUtf16Units(ModuleText& text, std::size_t length, bool bigEndian) {
    std::vector<unsigned char>& bytes = text.bytes;
    const std::size_t count = bytes.size() / 2;
    text.units.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned lo = bytes[2 * i];
        const unsigned hi = bytes[2 * i + 1];
        text.units[i] =
            static_cast<char16_t>(bigEndian && i < length ? (lo << 8) | hi : lo | (hi << 8));
    }
    bytes.clear();
    bytes.shrink_to_fit();
}

// Entries one present module needs in the line tables; fromText is the line bound of its text.
std::int64_t moduleLineCapacity(const ModulePanes& panes, std::size_t side, std::int64_t fromText) {
    const ModuleDescriptor& d = panes.descriptors[side];
    const std::int64_t promised =
        static_cast<std::int64_t>(std::max(d.totalSteps, 0)) + std::max(d.noCountSteps, 0);
    if (promised <= fromText) {
        return fromText;
    }
    // The counts come from another program: believe them only as far as the module's bytes
    // can hold lines, so that a wrong count cannot cause a huge allocation.
    const std::int64_t size = regularFileSize(d.path);
    std::int64_t bytes = 0;
    if (size > d.topPosition && d.topPosition >= 0) {
        bytes = std::min(stretchLength(d), size - d.topPosition);
    }
    return std::max(fromText, std::min(promised, bytes + 1));
}

using LineBounds = std::array<std::int64_t, kSides>;

LineBounds textLineBounds(const ModulePanes& panes) {
    LineBounds bounds{0, 0};
    for (std::size_t side = 0; side < kSides; ++side) {
        if (panes.present[side]) {
            bounds[side] =
                textLineBound(panes.moduleText[side], panes.descriptors[side].utf16 == 1);
        }
    }
    return bounds;
}

std::int64_t neededLineTableSize(const ModulePanes& panes, const LineBounds& bounds) {
    std::int64_t total = 1;
    for (std::size_t side = 0; side < kSides; ++side) {
        if (panes.present[side]) {
            total += moduleLineCapacity(panes, side, bounds[side]);
        }
    }
    return std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max());
}

std::size_t smallestTable(const ModulePanes& panes) {
    std::size_t smallest = std::numeric_limits<std::size_t>::max();
    for (std::size_t s = 0; s < kSides; ++s) {
        smallest = std::min(smallest, panes.lines[s].size());
    }
    return smallest;
}

// Resizes both line tables to `size` entries, keeping what they hold. On failure lineTableSize
// is the size every table has.
int resizeLineTables(ModulePanes& panes, std::int64_t size, bool fresh) {
    std::array<int, kSides> results{kLoadOk, kLoadOk};
    auto resize = [&](int side) {
        LineTable& table = panes.lines[static_cast<std::size_t>(side)];
        try {
            if (fresh) {
                table.clear();
                table.shrink_to_fit();
            }
            table.resize(static_cast<std::size_t>(size));
        } catch (const std::bad_alloc&) {
            results[static_cast<std::size_t>(side)] = kLoadNoMemory;
        } catch (const std::length_error&) {
            results[static_cast<std::size_t>(side)] = kLoadNoMemory;
        }
    };
    // Large tables are filled on two threads.
    if (size >= (std::int64_t{1} << 16)) {
        forBothSides(resize);
    } else {
        resize(kAfter);
        resize(kBefore);
    }
    const int result = results[kAfter] != kLoadOk ? results[kAfter] : results[kBefore];
    panes.lineTableSize = static_cast<std::int32_t>(
        std::min<std::size_t>(smallestTable(panes), static_cast<std::size_t>(size)));
    return result;
}

// Grows the tables when the loaded texts need more entries than they have.
int growLineTablesToFitTexts(ModulePanes& panes, const LineBounds& bounds) {
    const std::int64_t needed = neededLineTableSize(panes, bounds);
    if (needed <= panes.lineTableSize && smallestTable(panes) >= static_cast<std::size_t>(needed)) {
        return kLoadOk;
    }
    return resizeLineTables(panes, std::max<std::int64_t>(needed, panes.lineTableSize), false);
}

void emptyPane(ModulePanes& panes, std::size_t side) {
    panes.present[side] = false;
    panes.wholeFile[side] = false;
    panes.hasBuffer[side] = false;
    panes.moduleText[side].clear();
    panes.moduleLength[side] = 0;
}

char foldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return foldAscii(x) == foldAscii(y);
           });
}

bool containsIgnoreCase(std::string_view haystack, std::string_view needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                       [](char x, char y) { return foldAscii(x) == foldAscii(y); }) !=
           haystack.end();
}

}  // namespace

void swapByteOrder(std::span<unsigned char> bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::swap(bytes[i], bytes[i + 1]);
    }
}

int loadModuleTextFromBytes(std::span<const unsigned char> fileBytes,
                            const ModuleDescriptor& descriptor, std::int32_t delimit,
                            std::vector<unsigned char>& buffer) {
    return readStretch(descriptor, static_cast<std::int64_t>(fileBytes.size()), delimit, buffer,
                       [&](std::int64_t offset, std::size_t count, unsigned char* dest) {
                           std::copy_n(fileBytes.begin() + offset, count, dest);
                           return count;
                       });
}

int loadModuleText(const ModuleDescriptor& descriptor, const CounterSettings& settings,
                   std::vector<unsigned char>& buffer) {
    if (stretchLength(descriptor) == 0) {
        makeEmptyText(buffer);
        return kLoadEmptyModule;
    }
    const std::int64_t size = regularFileSize(descriptor.path);
    std::FILE* file = size < 0 ? nullptr : std::fopen(descriptor.path.c_str(), "rb");
    if (file == nullptr) {
        makeEmptyText(buffer);
        return kLoadCannotOpen;
    }
    const int result = readStretch(
        descriptor, size, settings.delimit, buffer,
        [&](std::int64_t offset, std::size_t count, unsigned char* dest) -> std::size_t {
            // offset fits a long: it is a 32-bit signed position.
            if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
                return 0;
            }
            return std::fread(dest, 1, count, file);
        });
    std::fclose(file);
    return result;
}

namespace {

// A whole file read again into `text`: the descriptor's range and line count follow the file's
// size now; its encoding stays (the user may have chosen it). The text is replaced only when the
// whole file was read.
int rereadWholeFile(ModuleDescriptor& d, const CounterSettings& settings, ModuleText& text) {
    const std::int64_t size = regularFileSize(d.path);
    if (size < 0 || size > kMaxModuleFileSize) {
        return kLoadCannotOpen;
    }
    ModuleDescriptor now = d;
    now.topPosition = 0;
    now.endPosition = static_cast<std::int32_t>(size - 1);
    std::vector<unsigned char> fresh;
    const int read = loadModuleText(now, settings, fresh);
    if (read != kLoadOk && read != kLoadEmptyModule) {
        return read;
    }
    d.topPosition = now.topPosition;
    d.endPosition = now.endPosition;
    text.units.clear();
    text.bytes.swap(fresh);
    return read;
}

// The lines of a whole file of `fileBytes` bytes, counted over one byte more than the file
// holds (the first byte of an appended terminator, or the NUL, so that a last line without a
// line break is counted), in whole units of the text.
template <typename Unit>
std::int32_t wholeFileLines(const std::vector<Unit>& text, std::int64_t fileBytes,
                            const CounterSettings& settings) {
    const auto units = static_cast<std::size_t>((fileBytes + 1) / std::int64_t{sizeof(Unit)});
    return countLines<Unit>(std::span<const Unit>(text).first(std::min(text.size(), units)),
                            settings.delimit, settings.eofflg);
}

}  // namespace

ReloadResult reloadBothModules(ModulePanes& panes, const CounterSettings& settings,
                               TextsRead alreadyRead, const HeldFiles& held) {
    const std::array<std::int32_t, kSides> previousLength = panes.moduleLength;
    std::array<std::int32_t, kSides> kept{0, 0};
    panes.moduleLength = {0, 0};
    std::array<int, kSides> results{kLoadOk, kLoadOk};
    LineBounds bounds{0, 0};
    // Each side is read and measured on its own thread.
    auto reload = [&](int s) {
        const auto side = static_cast<std::size_t>(s);
        if (!panes.present[side] || !panes.hasBuffer[side]) {
            return;
        }
        ModuleDescriptor& d = panes.descriptors[side];
        ModuleText& text = panes.moduleText[side];
        const bool justRead = alreadyRead[side] && d.utf16 == 0 && !text.bytes.empty();
        if (justRead) {
            results[side] = stretchLength(d) == 0 ? kLoadEmptyModule : kLoadOk;
        } else if (panes.wholeFile[side] && !held[side]) {
            // A file opened by hand is taken as it is now. When it cannot be read the text shown
            // stays (and its length): nothing on the screen is lost.
            results[side] = rereadWholeFile(d, settings, text);
            if (results[side] != kLoadOk && results[side] != kLoadEmptyModule) {
                bounds[side] = textLineBound(text, d.utf16 == 1);
                kept[side] = previousLength[side];
                return;
            }
        } else {
            text.units.clear();
            results[side] =
                held[side] ? loadModuleTextFromBytes(*held[side], d, settings.delimit, text.bytes)
                           : loadModuleText(d, settings, text.bytes);
        }
        if (!justRead) {
            ++panes.reads[side];
        }
        const std::int64_t bytes = stretchLength(d);
        std::int64_t length = bytes;
        if (d.utf16 == 1) {
            length /= 2;
            takeUtf16Units(text, static_cast<std::size_t>(length), d.codeNo == kUtf16BigEndian);
        }
        bounds[side] = textLineBound(text, d.utf16 == 1);
        if (results[side] != kLoadOk) {
            // The length stays 0: it must never claim units that were not read.
            return;
        }
        if (panes.wholeFile[side]) {
            d.totalSteps = d.utf16 == 1 ? wholeFileLines(text.units, bytes, settings)
                                        : wholeFileLines(text.bytes, bytes, settings);
        }
        panes.moduleLength[side] = static_cast<std::int32_t>(length);
    };
    forBothSides(reload);
    for (std::size_t side = 0; side < kSides; ++side) {
        if (kept[side] > 0) {
            panes.moduleLength[side] = kept[side];
        }
    }
    // The table growth can only fail for lack of memory; the tables then keep a consistent size.
    growLineTablesToFitTexts(panes, bounds);
    resetLineTables(panes, LineStatus::Same);
    return ReloadResult{static_cast<LoadResult>(results[kAfter]),
                        static_cast<LoadResult>(results[kBefore])};
}

int openModuleFile(ModulePanes& panes, int side, const std::string& path,
                   std::int32_t extensionIndex, const CounterSettings& settings,
                   bool sizeLineTables, std::optional<std::span<const unsigned char>> held) {
    if (!validSide(side)) {
        return kLoadCannotOpen;
    }
    const std::size_t s = sideIndex(side);
    auto fail = [&](int code) {
        emptyPane(panes, s);
        return code;
    };
    // The descriptor's path field holds at most kMaxPath characters.
    if (path.size() > kMaxPath && !held) {
        return fail(kLoadCannotOpen);
    }
    ModuleDescriptor& d = panes.descriptors[s];
    d.path = path;
    const std::int64_t size =
        held ? static_cast<std::int64_t>(held->size()) : regularFileSize(path);
    if (size < 0 || size > kMaxModuleFileSize) {
        d.endPosition = -1;
        return fail(kLoadCannotOpen);
    }
    d.extensionNumber = extensionIndex;
    d.topPosition = 0;
    d.endPosition = static_cast<std::int32_t>(size - 1);
    d.bytesFromTop = 0;
    d.lineNumber = 1;
    d.compareFlag = 1;
    d.outputFlag = 1;

    ModuleText& text = panes.moduleText[s];
    text.units.clear();
    panes.hasBuffer[s] = true;
    const int read = held ? loadModuleTextFromBytes(*held, d, settings.delimit, text.bytes)
                          : loadModuleText(d, settings, text.bytes);
    if (read != kLoadOk) {
        return fail(read);
    }
    // One byte more than the file holds (see wholeFileLines).
    std::int64_t length = stretchLength(d) + 1;

    // Judge the encoding by the file's own bytes, not the terminator or NUL after them.
    const DetectedEncoding enc = detectEncoding(
        std::span<const unsigned char>(text.bytes).first(static_cast<std::size_t>(size)));
    d.utf16 = enc.utf16;
    d.codeNo = enc.codeNo;
    if (d.utf16 == 1) {
        length /= 2;
        takeUtf16Units(text, static_cast<std::size_t>(length), d.codeNo == kUtf16BigEndian);
        d.totalSteps = wholeFileLines(text.units, stretchLength(d), settings);
    } else {
        d.totalSteps = wholeFileLines(text.bytes, stretchLength(d), settings);
    }
    panes.moduleLength[s] = static_cast<std::int32_t>(length);
    d.noCountSteps = 0;
    panes.present[s] = true;
    panes.wholeFile[s] = true;
    ++panes.reads[s];
    if (sizeLineTables && allocateLineRecords(panes) != kLoadOk) {
        return fail(kLoadNoMemory);
    }
    return kLoadOk;
}

ExtensionLookup lookUpExtension(std::string_view path, const ExtensionTable& table) {
    ExtensionLookup lookup;
    const std::string name = fileNameOf(path);
    const std::size_t dot = name.rfind('.');
    lookup.wholeName = dot == std::string::npos || dot + 1 == name.size();
    lookup.name = lookup.wholeName ? name : name.substr(dot + 1);
    if (lookup.name.empty()) {
        return lookup;
    }
    const int count = std::clamp<std::int32_t>(table.extensionCount, 0, kMaxExtensions);
    for (int i = 0; i < count; ++i) {
        const ExtensionDefinition& def = table.definitions[static_cast<std::size_t>(i)];
        if (!equalsIgnoreCase(def.name, lookup.name)) {
            continue;
        }
        for (const std::string& pattern : def.excludedFiles) {
            // An empty pattern would refuse every file; it excludes nothing.
            if (!pattern.empty() && containsIgnoreCase(name, pattern)) {
                lookup.outcome = ExtensionLookup::Outcome::Excluded;
                lookup.pattern = pattern;
                return lookup;
            }
        }
        lookup.outcome = ExtensionLookup::Outcome::Found;
        lookup.index = i;
        return lookup;
    }
    return lookup;
}

int findExtensionForFile(std::string_view path, const ExtensionTable& table) {
    return lookUpExtension(path, table).index;
}

namespace {

std::string systemReason(std::errc code) {
    return std::make_error_code(code).message();
}

// Why openModuleFile failed for `path`, looked for again now.
std::string openFailureReason(const std::string& path, int code) {
    if (path.size() > kMaxPath) {
        return "the path is longer than " + std::to_string(kMaxPath) + " characters";
    }
    if (code == kLoadNoMemory) {
        return systemReason(std::errc::not_enough_memory);
    }
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(path, ec);
    if (st.type() == std::filesystem::file_type::not_found) {
        return systemReason(std::errc::no_such_file_or_directory);
    }
    if (ec) {
        return ec.message();
    }
    if (std::filesystem::is_directory(st)) {
        return systemReason(std::errc::is_a_directory);
    }
    if (!std::filesystem::is_regular_file(st)) {
        return "not a regular file";
    }
    const std::int64_t size = regularFileSize(path);
    if (size > kMaxModuleFileSize) {
        return "the file is larger than " + std::to_string(kMaxModuleFileSize) + " bytes";
    }
    if (code == kLoadEmptyModule) {
        return size == 0 ? "the file is empty" : "the file holds a single byte";
    }
    errno = 0;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
    } else if (errno != 0) {
        return std::generic_category().message(errno);
    }
    if (code == kLoadIncomplete) {
        return "the file could not be read completely (did it change?)";
    }
    return "the file could not be read";
}

}  // namespace

std::string openFailureMessage(const std::string& path, int code) {
    return std::string(kMsgCannotOpen) + "\n" + path + ": " + openFailureReason(path, code);
}

std::string noDefinitionMessage(const std::string& path, const ExtensionLookup& lookup) {
    std::string reason;
    if (lookup.outcome == ExtensionLookup::Outcome::Excluded) {
        reason = "the definition for \"" + lookup.name + "\" excludes names containing \"" +
                 lookup.pattern + "\"";
    } else if (lookup.wholeName) {
        reason = "the name has no extension and no definition is named \"" + lookup.name + "\"";
    } else {
        reason = "no definition for the extension \"" + lookup.name + "\"";
    }
    return std::string(kMsgNoExtensionInfo) + "\n" + path + ": " + reason;
}

namespace {

// The extension number a file opens with: its definition's slot, or the plain-text rules when
// the caller allows them and no definition fits; none when the file is refused.
std::optional<std::int32_t> openingRules(const ExtensionLookup& lookup, bool plainTextFallback) {
    if (lookup.outcome == ExtensionLookup::Outcome::Found) {
        return lookup.index;
    }
    if (lookup.outcome == ExtensionLookup::Outcome::NoDefinition && plainTextFallback) {
        return kPlainTextRules;
    }
    return std::nullopt;
}

// What the user hears of one open: the refusal of a file no rules fit, or the failure or the
// open done, after which the busy state the open entered is left.
void reportOpen(MessageSink& sink, const OpenFileHooks& hooks, const std::string& path,
                const ExtensionLookup& lookup, bool hasRules, int result) {
    if (!hasRules) {
        sink.showMessage(noDefinitionMessage(path, lookup));
        return;
    }
    if (result != kLoadOk) {
        sink.showMessage(openFailureMessage(path, result));
    } else if (hooks.onOpened) {
        hooks.onOpened();
    }
    if (hooks.leaveBusy) {
        hooks.leaveBusy();
    }
}

}  // namespace

int openFileIntoPane(ModulePanes& panes, int side, const std::string& path,
                     const ExtensionTable& table, const CounterSettings& settings,
                     MessageSink& sink, const OpenFileHooks& hooks) {
    const ExtensionLookup lookup = lookUpExtension(path, table);
    const std::optional<std::int32_t> rules = openingRules(lookup, hooks.plainTextFallback);
    int result = kLoadNoExtension;
    if (rules) {
        if (hooks.enterBusy) {
            hooks.enterBusy();
        }
        result = openModuleFile(panes, side, path, *rules, settings, hooks.sizeLineTables);
    }
    reportOpen(sink, hooks, path, lookup, rules.has_value(), result);
    return result;
}

std::array<int, kSides> openFilesIntoPanes(ModulePanes& panes,
                                           const std::array<std::string, kSides>& paths,
                                           const ExtensionTable& table,
                                           const CounterSettings& settings, MessageSink& sink,
                                           const OpenFileHooks& hooks) {
    std::array<int, kSides> results{kLoadOk, kLoadOk};
    std::array<ExtensionLookup, kSides> lookups;
    std::array<std::optional<std::int32_t>, kSides> rules;
    for (std::size_t s = 0; s < kSides; ++s) {
        if (paths[s].empty()) {
            continue;
        }
        lookups[s] = lookUpExtension(paths[s], table);
        rules[s] = openingRules(lookups[s], hooks.plainTextFallback);
        if (!rules[s]) {
            results[s] = kLoadNoExtension;
        } else if (hooks.enterBusy) {
            hooks.enterBusy();
        }
    }
    // The two sides touch only their own pane.
    forBothSides([&](int side) {
        const auto s = static_cast<std::size_t>(side);
        if (!paths[s].empty() && rules[s]) {
            results[s] = openModuleFile(panes, side, paths[s], *rules[s], settings, false);
        }
    });
    for (std::size_t s = 0; s < kSides; ++s) {
        if (!paths[s].empty()) {
            reportOpen(sink, hooks, paths[s], lookups[s], rules[s].has_value(), results[s]);
        }
    }
    return results;
}

int clearPane(ModulePanes& panes, int side) {
    if (!validSide(side)) {
        return kLoadOk;
    }
    const std::size_t s = sideIndex(side);
    panes.descriptors[s] = ModuleDescriptor{};
    emptyPane(panes, s);
    return allocateLineRecords(panes);
}

int allocateTextBuffers(ModulePanes& panes, TextsRead keep) {
    int result = kLoadOk;
    for (std::size_t s = 0; s < kSides; ++s) {
        // A present module's text is emptied, but its memory is kept for the reload that
        // follows; an absent one's is freed.
        ModuleText& text = panes.moduleText[s];
        panes.moduleLength[s] = 0;
        panes.hasBuffer[s] = false;
        if (!panes.present[s]) {
            text.clear();
            continue;
        }
        if (keep[s] && panes.descriptors[s].utf16 == 0 && !text.bytes.empty()) {
            panes.hasBuffer[s] = true;
            continue;
        }
        text.bytes.clear();
        text.units.clear();
        makeEmptyText(text.bytes);
        if (text.bytes.empty()) {
            result = kLoadNoMemory;
            continue;
        }
        panes.hasBuffer[s] = true;
    }
    return result;
}

int allocateLineRecords(ModulePanes& panes) {
    return resizeLineTables(panes, neededLineTableSize(panes, textLineBounds(panes)), true);
}

}  // namespace tavelin
