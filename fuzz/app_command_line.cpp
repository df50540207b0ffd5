// The command line over arbitrary arguments: the input is split into arguments at NUL bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/startup_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> args;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || text[i] == '\0') {
            args.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    const tavelin::StartupOptions o = tavelin::parseCommandLine(args);
    using O = tavelin::StartupOptions;
    if (o.afterPath.size() > O::kMaxPath || o.beforePath.size() > O::kMaxPath ||
        o.dataFilePath.size() > O::kMaxPath || o.reportFolder.size() > O::kMaxReportFolder ||
        o.reportName.size() > O::kMaxReportName ||
        o.multiLaunch != tavelin::scanMultiLaunch(args)) {
        __builtin_trap();
    }
    // The usage text is asked for only by an argument that is exactly one of its four forms.
    const tavelin::InfoRequest info = tavelin::findInfoRequest(args);
    if (info == tavelin::InfoRequest::Help && o.execMode && args.size() == 1) {
        __builtin_trap();
    }
    return 0;
}
