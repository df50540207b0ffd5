#pragma once

#include <string>
#include <string_view>

namespace tavelin {

// Converts a caption's bytes to the system code page by the module's codeNo:
// 1 UTF-8, 3 EUC-JP, 4 JIS; ANSI and Shift-JIS stay as they are.
std::string convertCaptionBytes(std::string_view bytes, int codeNo);

}  // namespace tavelin
