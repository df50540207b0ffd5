// Encoding detection and the JIS and EUC converters over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/encoding.h"
#include "text/pz_conv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tavelin::DetectedEncoding enc = tavelin::detectEncoding({data, size});
    if (enc.utf16 > 1 || enc.codeNo > 4) {
        __builtin_trap();
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tavelin::TPzConv conv;
    // Neither conversion can grow the text: every rule emits at most as many bytes as it eats.
    if (conv.JisToSJis(text).size() > size || conv.EucToSJis(text).size() > size) {
        __builtin_trap();
    }
    return 0;
}
