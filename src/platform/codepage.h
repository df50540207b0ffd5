#pragma once
// The system code page ("ANSI"): CP932 on POSIX (through iconv), the ANSI code page on Windows.
//
// No conversion stops at a character it cannot convert:
//  - to the code page: every character the code page lacks (a surrogate pair counts as one
//    character, a lone surrogate as one) becomes one '?';
//  - from UTF-8: every byte that does not start a well-formed UTF-8 sequence (overlong forms,
//    encoded surrogates and values above U+10FFFF are ill-formed) counts as one character the
//    code page lacks, so it becomes one '?';
//  - from the code page: a lead byte followed by a valid trail byte that together name no
//    character become one U+FFFD; a lead byte without a valid trail byte (or at the end of the
//    input) becomes U+FFFD and the next byte is converted on its own.
// On POSIX the single bytes 0x80, 0xA0 and 0xFD..0xFF, which CP932 leaves undefined, map to
// U+0080, U+F8F0 and U+F8F1..U+F8F3 and back, as the Windows code page does, so such bytes
// survive a round trip through UTF-16.

#include <string>
#include <string_view>

namespace tavelin {

// UTF-8 bytes to the system code page.
std::string utf8ToAnsi(std::string_view utf8);

// System code page bytes to UTF-16 units.
std::u16string ansiToUtf16(std::string_view ansi);

// UTF-16 units to the system code page.
std::string utf16ToAnsi(std::u16string_view utf16);

// UTF-8 bytes to UTF-16 units; ill-formed bytes become U+FFFD, one per byte.
std::u16string utf8ToUtf16(std::string_view utf8);

// True when every byte belongs to a well-formed UTF-8 character.
bool isWellFormedUtf8(std::string_view text);

// The locale's upper-case mappings, used for case-insensitive comparison. Pure table look-ups.
// Bytes: only ASCII a-z map (a trail byte of a double-byte character is left to the caller).
// 16-bit units: ASCII, Latin-1 (y with diaeresis to U+0178, micro sign to U+039C), Latin
// Extended-A and the paired letters of Latin Extended-B, Greek, Cyrillic, Armenian, Latin
// Extended Additional, small Roman numerals, circled letters and full-width a-z.
unsigned char upperByte(unsigned char c);
char16_t upperUnit(char16_t c);

}  // namespace tavelin
