// The code page conversions over arbitrary bytes, with the bounds every caller relies on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Code page to UTF-16: at most one unit per byte; back again gives at most two bytes a unit,
    // and without invalid bytes (U+FFFD, which comes back as '?') converting the result once
    // more changes nothing.
    const std::u16string wide = tavelin::ansiToUtf16(bytes);
    if (wide.size() > size) {
        __builtin_trap();
    }
    const std::string narrow = tavelin::utf16ToAnsi(wide);
    if (narrow.size() > 2 * wide.size()) {
        __builtin_trap();
    }
    if (wide.find(u'\xFFFD') == std::u16string::npos && tavelin::ansiToUtf16(narrow) != wide) {
        __builtin_trap();
    }

    // UTF-8 to the code page: no character grows (a 1-byte character gives one byte, longer
    // ones at most two, a bad byte one '?').
    if (tavelin::utf8ToAnsi(bytes).size() > size) {
        __builtin_trap();
    }

    // The same bytes read as UTF-16 units (odd tail dropped).
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        if (tavelin::upperUnit(tavelin::upperUnit(units[i])) != tavelin::upperUnit(units[i])) {
            __builtin_trap();
        }
    }
    if (tavelin::utf16ToAnsi(units).size() > 2 * units.size()) {
        __builtin_trap();
    }
    return 0;
}
