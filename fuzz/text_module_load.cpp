// The read step over arbitrary file bytes and descriptor ranges, followed by the line count.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "text/line_count.h"
#include "text/module_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9) {
        return 0;
    }
    tavelin::ModuleDescriptor d;
    std::memcpy(&d.topPosition, data, 4);
    std::memcpy(&d.endPosition, data + 4, 4);
    const std::int32_t delimit = data[8] % 5;
    std::vector<unsigned char> buffer;
    const int r = tavelin::loadModuleTextFromBytes({data + 9, size - 9}, d, delimit, buffer);
    if (r == tavelin::kLoadOk) {
        const std::size_t n = static_cast<std::size_t>(d.endPosition - d.topPosition + 1);
        if (buffer.size() < n + tavelin::kTextSlack || buffer[n + 2] != 0) {
            __builtin_trap();
        }
        tavelin::countLines<unsigned char>({buffer.data(), n + 1}, delimit, 1);
        std::vector<char16_t> units((n + 1) / 2);
        for (std::size_t i = 0; i < units.size(); ++i) {
            units[i] = static_cast<char16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
        }
        tavelin::countLines<char16_t>({units.data(), units.size()}, delimit, 1);
    }
    return 0;
}
