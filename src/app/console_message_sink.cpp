#include "app/console_message_sink.h"

#include <string>

namespace tavelin {

void ConsoleMessageSink::showMessage(std::string_view text) {
    std::string line = "tavelin: ";
    line.append(text);
    line.push_back('\n');
    // One write per message, so lines of concurrent instances do not interleave mid-line.
    std::fwrite(line.data(), 1, line.size(), stream_);
    std::fflush(stream_);
}

}  // namespace tavelin
