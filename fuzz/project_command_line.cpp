// tavelin-count's options over arbitrary arguments: the input is split into arguments at NUL
// bytes. A parse either fails with a message or leaves the operands the mode needs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "project/count_command.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || text[i] == '\0') {
            args.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    tavelin::project::CountArguments parsed;
    std::string error;
    const bool ok = tavelin::project::parseCountArguments(args, parsed, error);
    if (ok == !error.empty()) {
        __builtin_trap();
    }
    if (ok && !parsed.help && !parsed.version && parsed.operands.size() != (parsed.git ? 3U : 2U)) {
        __builtin_trap();
    }
    return 0;
}
