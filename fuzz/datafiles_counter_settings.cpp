// Arbitrary bytes as a counter settings file and as a settings block.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "datafiles/counter_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavelin::CounterSettings settings;
    // No file-time lookups: the fuzzer's paths must not touch the file system.
    tavelin::readCounterSettings(
        settings, std::string_view(reinterpret_cast<const char*>(data), size), "/prog", nullptr);
    tavelin::decodeCounterSettingsBlock(std::span<const unsigned char>(data, size), settings);
    return 0;
}
