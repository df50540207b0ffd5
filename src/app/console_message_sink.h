#pragma once
// Messages without a window: on a stream, "tavelin: " before every line of a message.

#include <cstdio>
#include <string_view>

#include "platform/messages.h"

namespace tavelin {

class ConsoleMessageSink : public MessageSink {
  public:
    explicit ConsoleMessageSink(std::FILE* stream = stderr) : stream_(stream) {}
    void showMessage(std::string_view text) override;

  private:
    std::FILE* stream_;
};

}  // namespace tavelin
