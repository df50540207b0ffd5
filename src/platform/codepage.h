#pragma once
// The system code page ("ANSI"): CP932 on POSIX (through iconv), the ANSI code page on Windows.

#include <string>
#include <string_view>

namespace tavelin {

// UTF-8 bytes to the system code page. Characters the code page lacks become '?'.
std::string utf8ToAnsi(std::string_view utf8);

// System code page bytes to UTF-16 units. Invalid bytes become U+FFFD... or are mapped one by one.
std::u16string ansiToUtf16(std::string_view ansi);

// UTF-16 units to the system code page. Characters the code page lacks become '?'.
std::string utf16ToAnsi(std::u16string_view utf16);

// The locale's upper-case mappings, used for case-insensitive comparison.
unsigned char upperByte(unsigned char c);
char16_t upperUnit(char16_t c);

}  // namespace tavelin
