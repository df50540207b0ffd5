// Arbitrary bytes as a viewer settings file; what is read must format without trouble.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "datafiles/viewer_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavelin::ViewerSettings settings;
    tavelin::readViewerSettings(settings,
                                std::string_view(reinterpret_cast<const char*>(data), size));
    (void)tavelin::formatViewerSettings(settings);
    return 0;
}
