#include "app/console_message_sink.h"

#include <string>

namespace tavelin {

void ConsoleMessageSink::showMessage(std::string_view text) {
    // Every line of the message is a line of its own, "tavelin: " first, so that a message of two
    // lines (the sentence, then the path and the reason) still reads line by line.
    std::string lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('\n', start);
        lines.append("tavelin: ");
        lines.append(text.substr(start, end == std::string_view::npos ? end : end - start));
        lines.push_back('\n');
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    // One write per message, so lines of concurrent instances do not interleave mid-line.
    std::fwrite(lines.data(), 1, lines.size(), stream_);
    std::fflush(stream_);
}

}  // namespace tavelin
