#pragma once
// Where user-facing messages go: the window shows a message box; without a window they are
// written to standard error.

#include <string_view>

namespace tavelin {

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    // Shows a message with the application title as caption, an exclamation icon and OK.
    virtual void showMessage(std::string_view text) = 0;
};

// Drops every message (work whose failures are reported otherwise).
class SilentMessages final : public MessageSink {
  public:
    void showMessage(std::string_view) override {}
};

}  // namespace tavelin
