#include "platform/codepage.h"

#include <array>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace tavelin {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// ---------------------------------------------------------------------------------------------
// Upper-case tables.

constexpr std::array<unsigned char, 256> makeByteTable() {
    std::array<unsigned char, 256> t{};
    for (unsigned i = 0; i < t.size(); ++i) {
        t[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 0x20 : i);
    }
    return t;
}

constexpr std::array<unsigned char, 256> kUpperByte = makeByteTable();

// Units below this bound are mapped through one table; the few higher ranges by comparison.
constexpr unsigned kUnitTableSize = 0x600;

constexpr std::array<char16_t, kUnitTableSize> makeUnitTable() {
    std::array<char16_t, kUnitTableSize> t{};
    for (unsigned i = 0; i < t.size(); ++i) {
        t[i] = static_cast<char16_t>(i);
    }
    // Lower-case letters first..last map to letter - delta.
    auto shift = [&t](unsigned first, unsigned last, unsigned delta) {
        for (unsigned u = first; u <= last; ++u) {
            t[u] = static_cast<char16_t>(u - delta);
        }
    };
    // Alternating pairs: the lower-case letter follows its capital.
    auto pairs = [&t](unsigned firstLower, unsigned lastLower) {
        for (unsigned u = firstLower; u <= lastLower; u += 2) {
            t[u] = static_cast<char16_t>(u - 1);
        }
    };
    auto one = [&t](unsigned lower, unsigned upper) { t[lower] = static_cast<char16_t>(upper); };

    shift('a', 'z', 0x20);
    // Latin-1.
    shift(0xE0, 0xF6, 0x20);
    shift(0xF8, 0xFE, 0x20);
    one(0xFF, 0x178);
    one(0xB5, 0x39C);
    // Latin Extended-A.
    pairs(0x101, 0x12F);
    one(0x131, 'I');
    pairs(0x133, 0x137);
    pairs(0x13A, 0x148);
    pairs(0x14B, 0x177);
    pairs(0x17A, 0x17E);
    one(0x17F, 'S');
    // Latin Extended-B: the paired letters.
    for (unsigned lower : {0x183u, 0x185u, 0x188u, 0x18Cu, 0x192u, 0x199u, 0x1A1u, 0x1A3u, 0x1A5u,
                           0x1A8u, 0x1ADu, 0x1B0u, 0x1B4u, 0x1B6u, 0x1B9u, 0x1BDu, 0x1F5u}) {
        one(lower, lower - 1);
    }
    one(0x1C5, 0x1C4);
    one(0x1C6, 0x1C4);
    one(0x1C8, 0x1C7);
    one(0x1C9, 0x1C7);
    one(0x1CB, 0x1CA);
    one(0x1CC, 0x1CA);
    pairs(0x1CE, 0x1DC);
    one(0x1DD, 0x18E);
    pairs(0x1DF, 0x1EF);
    one(0x1F2, 0x1F1);
    one(0x1F3, 0x1F1);
    pairs(0x1F9, 0x21F);
    pairs(0x223, 0x233);
    // Greek.
    one(0x3AC, 0x386);
    shift(0x3AD, 0x3AF, 0x25);
    shift(0x3B1, 0x3C1, 0x20);
    one(0x3C2, 0x3A3);
    shift(0x3C3, 0x3CB, 0x20);
    one(0x3CC, 0x38C);
    shift(0x3CD, 0x3CE, 0x3F);
    pairs(0x3D9, 0x3EF);
    // Cyrillic.
    shift(0x430, 0x44F, 0x20);
    shift(0x450, 0x45F, 0x50);
    pairs(0x461, 0x481);
    pairs(0x48B, 0x4BF);
    pairs(0x4C2, 0x4CE);
    one(0x4CF, 0x4C0);
    pairs(0x4D1, 0x52F);
    // Armenian.
    shift(0x561, 0x586, 0x30);
    return t;
}

constexpr std::array<char16_t, kUnitTableSize> kUpperUnit = makeUnitTable();

}  // namespace

// ---------------------------------------------------------------------------------------------
// UTF-8 decoding (strict: no overlong forms, no surrogates, nothing above U+10FFFF).

std::size_t decodeUtf8(std::string_view text, std::size_t pos, char32_t& cp) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(pos);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len = 0;
    char32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1Fu;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0Fu;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07u;
        min = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - pos < len) {
        return 0;
    }
    for (std::size_t i = 1; i < len; ++i) {
        const unsigned char b = byte(pos + i);
        if ((b & 0xC0u) != 0x80u) {
            return 0;
        }
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

namespace {

// ---------------------------------------------------------------------------------------------
// CP932: what the platform converter leaves to us.

bool isHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}
bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool isTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// The single bytes that CP932 leaves undefined and their Windows mappings; 0 when b is not one.
char16_t undefinedByteUnit(unsigned char b) {
    switch (b) {
        case 0x80:
            return 0x0080;
        case 0xA0:
            return 0xF8F0;
        case 0xFD:
            return 0xF8F1;
        case 0xFE:
            return 0xF8F2;
        case 0xFF:
            return 0xF8F3;
        default:
            return 0;
    }
}

int undefinedByteFromUnit(char16_t u) {
    switch (u) {
        case 0x0080:
            return 0x80;
        case 0xF8F0:
            return 0xA0;
        case 0xF8F1:
            return 0xFD;
        case 0xF8F2:
            return 0xFE;
        case 0xF8F3:
            return 0xFF;
        default:
            return -1;
    }
}

// Handles the byte at ansi[pos] that the converter refused; returns the number of bytes used.
std::size_t convertRefusedByte(std::string_view ansi, std::size_t pos, std::u16string& out) {
    const auto b = static_cast<unsigned char>(ansi[pos]);
    if (const char16_t u = undefinedByteUnit(b); u != 0) {
        out.push_back(u);
        return 1;
    }
    if (b < 0x80) {
        out.push_back(b);
        return 1;
    }
    if (b >= 0xA1 && b <= 0xDF) {  // half-width katakana
        out.push_back(static_cast<char16_t>(0xFF61 + (b - 0xA1)));
        return 1;
    }
    out.push_back(kReplacement);
    if (isLeadByte(b) && pos + 1 < ansi.size() &&
        isTrailByte(static_cast<unsigned char>(ansi[pos + 1]))) {
        return 2;
    }
    return 1;
}

// Handles the unit at text[pos] that the converter refused; returns the number of units used.
std::size_t convertRefusedUnit(std::u16string_view text, std::size_t pos, std::string& out) {
    const char16_t u = text[pos];
    if (const int b = undefinedByteFromUnit(u); b >= 0) {
        out.push_back(static_cast<char>(b));
        return 1;
    }
    if (u < 0x80) {
        out.push_back(static_cast<char>(u));
        return 1;
    }
    out.push_back('?');
    if (isHighSurrogate(u) && pos + 1 < text.size() && isLowSurrogate(text[pos + 1])) {
        return 2;
    }
    return 1;
}

#ifdef _WIN32

// ---------------------------------------------------------------------------------------------
// CP932 through the Win32 API. The code page is named rather than taken from the system: the
// report declares Shift-JIS and the text passes know its lead bytes, whatever the ANSI code
// page of the machine is.

constexpr UINT kCodePage = 932;

// One character (a single byte or a lead and trail byte) to its unit; false when the code page
// has no character for the bytes.
bool decodeCharacter(const char* bytes, int n, char16_t& unit) {
    wchar_t out[2] = {};
    if (MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, n, out, 2) != 1) {
        return false;
    }
    unit = static_cast<char16_t>(out[0]);
    return true;
}

// One unit that is not a surrogate to its bytes; false when the code page has no character for
// it. Best-fit substitutes (an accented letter for the plain one, a look-alike character) are
// refused: only a character that converts back to the same unit counts.
bool encodeUnit(char16_t unit, std::string& bytes) {
    const auto wide = static_cast<wchar_t>(unit);
    char out[4] = {};
    BOOL usedDefault = FALSE;
    const int n =
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &wide, 1, out, 4, "?", &usedDefault);
    if (n <= 0 || usedDefault != FALSE) {
        return false;
    }
    bytes.assign(out, static_cast<std::size_t>(n));
    return true;
}

#else

// ---------------------------------------------------------------------------------------------
// CP932 through iconv.

constexpr const char* kUtf16Native =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// The first of the code page's names that iconv knows, converting to or from `other`.
class CodePageConverter {
  public:
    CodePageConverter(bool toCodePage, const char* other) {
        for (const char* name : {"CP932", "WINDOWS-31J"}) {
            iconv_t cd = toCodePage ? iconv_open(name, other) : iconv_open(other, name);
            if (cd != reinterpret_cast<iconv_t>(-1)) {
                cd_ = cd;
                return;
            }
        }
    }
    ~CodePageConverter() {
        if (valid()) {
            iconv_close(cd_);
        }
    }
    CodePageConverter(const CodePageConverter&) = delete;
    CodePageConverter& operator=(const CodePageConverter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; returns errno (0 when the input was used up).
    int run(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) {
        char* inp = const_cast<char*>(in);  // iconv does not write through its input pointer
        const std::size_t rc = iconv(cd_, &inp, &inLeft, &out, &outLeft);
        in = inp;
        if (rc == static_cast<std::size_t>(-1)) {
            const int err = errno;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
            return err;
        }
        return 0;
    }

  private:
    iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
};

constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;

#endif  // _WIN32

}  // namespace

unsigned char upperByte(unsigned char c) {
    return kUpperByte[c];
}

char16_t upperUnit(char16_t c) {
    if (c < kUnitTableSize) {
        return kUpperUnit[c];
    }
    if (c < 0x1E01) {
        return c;
    }
    if (c <= 0x1EFF) {      // Latin Extended Additional: alternating pairs
        if (c == 0x1E9B) {  // long s with dot above
            return 0x1E60;
        }
        if ((c & 1u) != 0 && (c <= 0x1E95 || c >= 0x1EA1)) {
            return static_cast<char16_t>(c - 1);
        }
        return c;
    }
    if (c >= 0x2170 && c <= 0x217F) {  // small Roman numerals
        return static_cast<char16_t>(c - 0x10);
    }
    if (c >= 0x24D0 && c <= 0x24E9) {  // circled small letters
        return static_cast<char16_t>(c - 0x1A);
    }
    if (c >= 0xFF41 && c <= 0xFF5A) {  // full-width a-z
        return static_cast<char16_t>(c - 0x20);
    }
    return c;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = 0;
        const std::size_t len = decodeUtf8(utf8, pos, cp);
        if (len == 0) {
            out.push_back(kReplacement);
            ++pos;
            continue;
        }
        pos += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FFu)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

bool isWellFormedUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp = 0;
        const std::size_t len = decodeUtf8(text, pos, cp);
        if (len == 0) {
            return false;
        }
        pos += len;
    }
    return true;
}

std::string fileSystemToAnsi(std::string_view path) {
#ifdef _WIN32
    // Paths are in the machine's ANSI code page, which is the code page itself on a Japanese
    // system; elsewhere they are read in it and converted.
    if (GetACP() == kCodePage) {
        return std::string(path);
    }
    return utf16ToAnsi(fileSystemToUtf16(path));
#else
    return isWellFormedUtf8(path) ? utf8ToAnsi(path) : std::string(path);
#endif
}

std::u16string fileSystemToUtf16(std::string_view path) {
#ifdef _WIN32
    if (GetACP() == kCodePage || path.empty() || path.size() > static_cast<std::size_t>(INT_MAX)) {
        return ansiToUtf16(path);
    }
    const int inLen = static_cast<int>(path.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, path.data(), inLen, nullptr, 0);
    if (n <= 0) {
        return ansiToUtf16(path);
    }
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), inLen, reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
#else
    return isWellFormedUtf8(path) ? utf8ToUtf16(path) : ansiToUtf16(path);
#endif
}

namespace codepage_reference {

#ifdef _WIN32

std::u16string ansiToUtf16(std::string_view ansi) {
    std::u16string out;
    out.reserve(ansi.size());
    std::size_t pos = 0;
    while (pos < ansi.size()) {
        // The longest run of whole characters (single bytes, lead bytes with a trail byte).
        std::size_t end = pos;
        while (end < ansi.size()) {
            const auto b = static_cast<unsigned char>(ansi[end]);
            if (!isLeadByte(b)) {
                ++end;
            } else if (end + 1 < ansi.size() &&
                       isTrailByte(static_cast<unsigned char>(ansi[end + 1]))) {
                end += 2;
            } else {
                break;
            }
        }
        const std::size_t runLength = end - pos;
        if (runLength > 0 && runLength <= static_cast<std::size_t>(INT_MAX / 2)) {
            const int inLen = static_cast<int>(runLength);
            std::u16string run(runLength, u'\0');
            const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, ansi.data() + pos,
                                              inLen, reinterpret_cast<wchar_t*>(run.data()), inLen);
            if (n > 0) {
                out.append(run.data(), static_cast<std::size_t>(n));
                pos = end;
            }
        }
        // A run the code page refuses somewhere, character by character.
        while (pos < end) {
            const auto b = static_cast<unsigned char>(ansi[pos]);
            const int len = isLeadByte(b) ? 2 : 1;
            char16_t unit = 0;
            if (decodeCharacter(ansi.data() + pos, len, unit)) {
                out.push_back(unit);
                pos += static_cast<std::size_t>(len);
            } else {
                pos += convertRefusedByte(ansi, pos, out);
            }
        }
        if (pos < ansi.size()) {  // a lead byte without its trail byte
            out.push_back(kReplacement);
            ++pos;
        }
    }
    return out;
}

std::string utf16ToAnsi(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    std::size_t pos = 0;
    while (pos < utf16.size()) {
        std::size_t end = pos;
        while (end < utf16.size() && !isHighSurrogate(utf16[end]) && !isLowSurrogate(utf16[end]) &&
               end - pos < static_cast<std::size_t>(INT_MAX / 4)) {
            ++end;
        }
        if (end > pos) {
            const auto* in = reinterpret_cast<const wchar_t*>(utf16.data() + pos);
            const int inLen = static_cast<int>(end - pos);
            std::string run(static_cast<std::size_t>(inLen) * 2, '\0');
            const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, in, inLen,
                                              run.data(), inLen * 2, "?", nullptr);
            out.append(run.data(), static_cast<std::size_t>(n > 0 ? n : 0));
            pos = end;
        } else {
            pos += convertRefusedUnit(utf16, pos, out);
        }
    }
    return out;
}

#else

std::u16string ansiToUtf16(std::string_view ansi) {
    std::u16string out;
    out.reserve(ansi.size());
    CodePageConverter cv(false, kUtf16Native);
    std::array<char16_t, kChunkBytes / 2> chunk{};
    std::size_t pos = 0;
    while (pos < ansi.size()) {
        if (!cv.valid()) {
            pos += convertRefusedByte(ansi, pos, out);
            continue;
        }
        const char* in = ansi.data() + pos;
        std::size_t inLeft = ansi.size() - pos;
        char* outp = reinterpret_cast<char*>(chunk.data());
        std::size_t outLeft = kChunkBytes;
        const int err = cv.run(in, inLeft, outp, outLeft);
        const std::size_t produced = (kChunkBytes - outLeft) / 2;
        out.append(chunk.data(), produced);
        const std::size_t used = static_cast<std::size_t>(in - (ansi.data() + pos));
        pos += used;
        if (err == 0) {
            break;
        }
        if (err == E2BIG && (used != 0 || produced != 0)) {
            continue;
        }
        // EILSEQ, EINVAL (a lead byte at the end) or no progress at all.
        pos += convertRefusedByte(ansi, pos, out);
    }
    return out;
}

std::string utf16ToAnsi(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    CodePageConverter cv(true, kUtf16Native);
    std::array<char, kChunkBytes> chunk{};
    std::size_t pos = 0;  // in units
    while (pos < utf16.size()) {
        if (!cv.valid()) {
            pos += convertRefusedUnit(utf16, pos, out);
            continue;
        }
        const char* start = reinterpret_cast<const char*>(utf16.data() + pos);
        const char* in = start;
        std::size_t inLeft = (utf16.size() - pos) * 2;
        char* outp = chunk.data();
        std::size_t outLeft = chunk.size();
        const int err = cv.run(in, inLeft, outp, outLeft);
        const std::size_t produced = chunk.size() - outLeft;
        out.append(chunk.data(), produced);
        const std::size_t used = static_cast<std::size_t>(in - start) / 2;
        pos += used;
        if (err == 0) {
            break;
        }
        if (err == E2BIG && (used != 0 || produced != 0)) {
            continue;
        }
        pos += convertRefusedUnit(utf16, pos, out);
    }
    return out;
}

#endif

}  // namespace codepage_reference

namespace {

// One character at a time through the platform's converter, for building the tables.
#ifdef _WIN32
class CharacterConverter {
  public:
    bool decode(const char* bytes, int n, char16_t& unit) {
        return decodeCharacter(bytes, n, unit);
    }
    bool encode(char16_t unit, std::string& bytes) { return encodeUnit(unit, bytes); }
};
#else
class CharacterConverter {
  public:
    bool decode(const char* bytes, int n, char16_t& unit) {
        char16_t out = 0;
        char* outp = reinterpret_cast<char*>(&out);
        std::size_t outLeft = sizeof out;
        auto inLeft = static_cast<std::size_t>(n);
        if (!decoder_.valid() || decoder_.run(bytes, inLeft, outp, outLeft) != 0 || outLeft != 0) {
            return false;
        }
        unit = out;
        return true;
    }
    bool encode(char16_t unit, std::string& bytes) {
        std::array<char, 8> buffer{};
        const char* in = reinterpret_cast<const char*>(&unit);
        std::size_t inLeft = sizeof unit;
        char* out = buffer.data();
        std::size_t outLeft = buffer.size();
        if (!encoder_.valid() || encoder_.run(in, inLeft, out, outLeft) != 0) {
            return false;
        }
        bytes.assign(buffer.data(), buffer.size() - outLeft);
        return true;
    }

  private:
    CodePageConverter decoder_{false, kUtf16Native};
    CodePageConverter encoder_{true, kUtf16Native};
};
#endif

// The code page as tables, built once from the platform converter one character at a time, so
// that every conversion below gives exactly what the converter gives and needs no converter of
// its own (which also makes the conversions safe to run on several threads).
struct Cp932Tables {
    // Single bytes that are not lead bytes.
    std::array<char16_t, 256> single{};
    // Lead byte (as leadIndex gives it) and trail byte: the character, or U+FFFD.
    std::array<std::array<char16_t, 256>, 60> pair{};
    // Every BMP unit: its code (below 0x100 one byte, else lead << 8 | trail), or kNone.
    std::array<std::uint16_t, 65536> code{};

    static constexpr std::uint16_t kNone = 0xFFFF;

    static int leadIndex(unsigned char b) { return b <= 0x9F ? b - 0x81 : b - 0xE0 + 31; }

    // The unit the code decodes to.
    char16_t decode(std::uint16_t c) const {
        if (c < 0x100) {
            return single[c];
        }
        const auto lead = static_cast<unsigned char>(c >> 8);
        return isLeadByte(lead) ? pair[static_cast<std::size_t>(leadIndex(lead))][c & 0xFFu]
                                : kReplacement;
    }

    Cp932Tables() {
        // What the converter refuses is handled as the converting loops above handle it.
        CharacterConverter converter;
        for (unsigned b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            if (isLeadByte(byte)) {
                for (unsigned t = 0; t < 256; ++t) {
                    const char two[2] = {static_cast<char>(b), static_cast<char>(t)};
                    char16_t u = 0;
                    if (!converter.decode(two, 2, u)) {
                        u = kReplacement;  // a refused pair is one replacement character
                    }
                    pair[static_cast<std::size_t>(leadIndex(byte))][t] = u;
                }
                continue;
            }
            const char one = static_cast<char>(b);
            char16_t u = 0;
            if (b != 0 && !converter.decode(&one, 1, u)) {
                std::u16string refused;
                convertRefusedByte(std::string_view(&one, 1), 0, refused);
                u = refused.empty() ? kReplacement : refused[0];
            }
            single[b] = u;
        }
        for (unsigned u = 0; u < 65536; ++u) {
            code[u] = kNone;
            if (u >= 0xD800 && u <= 0xDFFF) {
                continue;
            }
            const char16_t unit = static_cast<char16_t>(u);
            std::string b;
            if (!converter.encode(unit, b)) {
                b.clear();
                convertRefusedUnit(std::u16string_view(&unit, 1), 0, b);
            }
            std::uint16_t c = kNone;
            if (b.size() == 1 && (b[0] != '?' || u == '?')) {
                c = static_cast<unsigned char>(b[0]);
            } else if (b.size() == 2) {
                c = static_cast<std::uint16_t>((static_cast<unsigned char>(b[0]) << 8) |
                                               static_cast<unsigned char>(b[1]));
            }
            // Only a code that decodes to the same unit is the unit's own; the characters that
            // Japanese text writes for a code of another (below) are added after.
            if (c != kNone && decode(c) == unit) {
                code[u] = c;
            }
        }
        for (const auto& [unit, c] : kOneWayCodes) {
            code[unit] = c;
        }
    }

    // Characters that have no code of their own but stand for one in Japanese text: the yen
    // sign for 5C, the overline for 7E, and the JIS forms of the dashes, the double vertical
    // line, the minus sign, the wave dash and the cent, pound and not signs for the codes of
    // their full-width forms. A UTF-8 module converted from Shift-JIS by a JIS-minded converter
    // holds these, and its lines must still equal the Shift-JIS original's. The conversion has
    // always mapped them so (one way: the codes decode to the full-width forms), on every
    // platform alike; Windows does too when it substitutes look-alikes.
    static constexpr std::array<std::pair<char16_t, std::uint16_t>, 9> kOneWayCodes{{
        {0x00A2, 0x8191},
        {0x00A3, 0x8192},
        {0x00A5, 0x005C},
        {0x00AC, 0x81CA},
        {0x2014, 0x815C},
        {0x2016, 0x8161},
        {0x203E, 0x007E},
        {0x2212, 0x817C},
        {0x301C, 0x8160},
    }};
};

const Cp932Tables& tables() {
    static const Cp932Tables t;
    return t;
}

// Appends the code of one BMP unit that is not a surrogate, or '?'.
void appendCode(const Cp932Tables& t, char16_t u, std::string& out) {
    const std::uint16_t c = t.code[u];
    if (c == Cp932Tables::kNone) {
        out.push_back('?');
    } else if (c < 0x100) {
        out.push_back(static_cast<char>(c));
    } else {
        out.push_back(static_cast<char>(c >> 8));
        out.push_back(static_cast<char>(c & 0xFF));
    }
}

}  // namespace

void appendAnsiAsUtf16(std::string_view ansi, std::u16string& out) {
    const Cp932Tables& t = tables();
    const std::size_t n = ansi.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(ansi[i]);
        if (!isLeadByte(b)) {
            out.push_back(t.single[b]);
        } else if (i + 1 < n && isTrailByte(static_cast<unsigned char>(ansi[i + 1]))) {
            out.push_back(t.pair[static_cast<std::size_t>(Cp932Tables::leadIndex(b))]
                                [static_cast<unsigned char>(ansi[i + 1])]);
            ++i;
        } else {
            out.push_back(kReplacement);
        }
    }
}

void appendUtf16AsAnsi(std::u16string_view utf16, std::string& out) {
    const Cp932Tables& t = tables();
    const std::size_t n = utf16.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t u = utf16[i];
        if (isHighSurrogate(u)) {
            out.push_back('?');
            if (i + 1 < n && isLowSurrogate(utf16[i + 1])) {
                ++i;
            }
        } else if (isLowSurrogate(u)) {
            out.push_back('?');
        } else {
            appendCode(t, u, out);
        }
    }
}

void appendUtf8AsAnsi(std::string_view utf8, std::string& out) {
    const Cp932Tables& t = tables();
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[pos]);
        if (b < 0x80) {
            appendCode(t, b, out);
            ++pos;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = decodeUtf8(utf8, pos, cp);
        if (len == 0) {
            out.push_back('?');
            ++pos;
            continue;
        }
        pos += len;
        if (cp >= 0x10000) {
            out.push_back('?');
        } else {
            appendCode(t, static_cast<char16_t>(cp), out);
        }
    }
}

int ansiWidth(char16_t u) {
    if (u >= 0xD800 && u <= 0xDFFF) {
        return 1;
    }
    const std::uint16_t c = tables().code[u];
    return c != Cp932Tables::kNone && c >= 0x100 ? 2 : 1;
}

std::u16string ansiToUtf16(std::string_view ansi) {
    std::u16string out;
    out.reserve(ansi.size());
    appendAnsiAsUtf16(ansi, out);
    return out;
}

std::string utf16ToAnsi(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    appendUtf16AsAnsi(utf16, out);
    return out;
}

std::string utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    appendUtf8AsAnsi(utf8, out);
    return out;
}

}  // namespace tavelin
