// --include / --exclude patterns over arbitrary bytes: the input is "pattern NUL path". A match
// never takes more than pattern length times path length steps, so no input can hang it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "project/glob.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = text.find('\0');
    const std::string_view pattern = text.substr(0, nul);
    const std::string_view path = nul == std::string_view::npos ? text : text.substr(nul + 1);
    const tavelin::project::Glob glob(pattern);
    const bool whole = glob.matches(path);
    tavelin::project::PathFilter filter;
    filter.exclude.push_back(glob);
    filter.include.push_back(glob);
    const bool taken = filter.takesFile(path);
    filter.entersFolder(path);
    // A pattern that matches the whole path of an anchored pattern always takes the file...
    // unless it also excludes it: the exclude list wins.
    if (glob.anchored() && whole && taken) {
        __builtin_trap();
    }
    // A pattern made of the path's characters, each escaped, matches the path exactly.
    std::string literal;
    for (char c : path) {
        literal += '\\';
        literal += c;
    }
    if (path.find('\\') == std::string_view::npos &&
        !tavelin::project::Glob(literal).matches(path) && (path.empty() || path.front() != '/')) {
        __builtin_trap();
    }
    return 0;
}
