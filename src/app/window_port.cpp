#include "app/window_port.h"

namespace tavelin {

void HeadlessWindow::showMessage(std::string_view text) {
    if (messages_ != nullptr) {
        messages_->showMessage(text);
    }
}

void HeadlessWindow::setControlsEnabled(bool enabled, bool menusEnabled) {
    controlsEnabled_ = enabled;
    menusEnabled_ = enabled ? menusEnabled : false;
}

}  // namespace tavelin
