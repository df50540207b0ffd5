#pragma once
// The system code page ("ANSI"): CP932 on every platform, converted through iconv on POSIX and
// through the Win32 API on Windows (code page 932 by name, whatever the machine's ANSI code page
// is: the report declares Shift-JIS and the text passes know its lead bytes). Both give the same
// results, those of Windows converting without best-fit substitutes.
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
// A character has a code only when that code converts back to it, with nine exceptions that
// Japanese text relies on: the yen sign and the overline take 5C and 7E, and the JIS forms of
// the dashes, the double vertical line, the minus sign, the wave dash and the cent, pound and
// not signs take the codes of their full-width forms (as iconv maps them, and Windows when it
// substitutes look-alikes). Other look-alike substitutes (e acute to e) are not made: those
// characters become '?'.
// The single bytes 0x80, 0xA0 and 0xFD..0xFF, which CP932 leaves undefined, map to U+0080,
// U+F8F0 and U+F8F1..U+F8F3 and back, as the Windows code page does, so such bytes survive a
// round trip through UTF-16. Where Windows itself gives U+30FB (its default character) for a
// pair or a lead byte it cannot convert, these functions give U+FFFD; and where Windows takes a
// lead byte and the byte after it as one bad character even when that byte cannot be a trail
// byte (a line end, say), these functions keep the byte.

#include <string>
#include <string_view>

namespace tavelin {

// UTF-8 bytes to the system code page.
std::string utf8ToAnsi(std::string_view utf8);

// The same conversions appending to a buffer the caller keeps (no allocation once it is large
// enough). On POSIX they work from tables built once from the converter, so they are cheap per
// call and safe on several threads at once.
void appendUtf8AsAnsi(std::string_view utf8, std::string& out);
void appendAnsiAsUtf16(std::string_view ansi, std::u16string& out);
void appendUtf16AsAnsi(std::u16string_view utf16, std::string& out);

// A path as the file system names it, for a text in the system code page or in Unicode. On
// POSIX file names are UTF-8; a name that is not well-formed UTF-8 is taken to be in the system
// code page already (a path written by a Windows program). On Windows paths are in the machine's
// ANSI code page (932 on a Japanese system, when they are passed on unchanged).
std::string fileSystemToAnsi(std::string_view path);
std::u16string fileSystemToUtf16(std::string_view path);

// The number of bytes the code page gives a UTF-16 unit that is not a surrogate: 2 for a
// double-byte character, else 1 (a character the code page lacks becomes one '?'). A surrogate
// gives 1.
int ansiWidth(char16_t unit);

// System code page bytes to UTF-16 units.
std::u16string ansiToUtf16(std::string_view ansi);

// UTF-16 units to the system code page.
std::string utf16ToAnsi(std::u16string_view utf16);

// UTF-8 bytes to UTF-16 units; ill-formed bytes become U+FFFD, one per byte.
std::u16string utf8ToUtf16(std::string_view utf8);

// Decodes the UTF-8 character at text[pos] into `cp` (strict: no overlong forms, no surrogates,
// nothing above U+10FFFF); its length in bytes, 0 when the bytes there start none.
std::size_t decodeUtf8(std::string_view text, std::size_t pos, char32_t& cp);

// True when every byte belongs to a well-formed UTF-8 character.
bool isWellFormedUtf8(std::string_view text);

// The locale's upper-case mappings, used for case-insensitive comparison. Pure table look-ups.
// Bytes: only ASCII a-z map (a trail byte of a double-byte character is left to the caller).
// 16-bit units: ASCII, Latin-1 (y with diaeresis to U+0178, micro sign to U+039C), Latin
// Extended-A and the paired letters of Latin Extended-B, Greek, Cyrillic, Armenian, Latin
// Extended Additional, small Roman numerals, circled letters and full-width a-z.
unsigned char upperByte(unsigned char c);
char16_t upperUnit(char16_t c);

// The conversions straight through the platform converter (iconv; on Windows the Win32 API over
// runs of whole characters), a character at a time where it refuses one. The functions above
// give the same results from tables (except for iconv's one-way mappings, see above); the tests
// hold them to these.
namespace codepage_reference {
std::u16string ansiToUtf16(std::string_view ansi);
std::string utf16ToAnsi(std::u16string_view utf16);
}  // namespace codepage_reference

}  // namespace tavelin
