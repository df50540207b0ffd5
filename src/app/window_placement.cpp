#include "app/window_placement.h"

#include <algorithm>

namespace tavelin {

namespace {

// 64-bit arithmetic: saved values and monitor sizes near the 32-bit limits must not overflow.
bool visible(std::int64_t savedStart, std::int64_t savedSize, std::int64_t monitorStart,
             std::int64_t monitorSize) {
    return monitorStart <= savedStart && monitorStart + monitorSize >= savedStart + savedSize / 2;
}

}  // namespace

ViewerSettings::WindowRect placeWindow(const ViewerSettings::WindowRect& saved,
                                       std::span<const MonitorRect> monitors) {
    bool horizontal = false;
    bool vertical = false;
    for (const MonitorRect& m : monitors) {
        horizontal = horizontal || visible(saved.left, saved.width, m.left, m.width);
        vertical = vertical || visible(saved.top, saved.height, m.top, m.height);
    }
    ViewerSettings::WindowRect placed = saved;
    if (!horizontal) {
        placed.left = kFallbackWindowEdge;
    }
    if (!vertical) {
        placed.top = kFallbackWindowEdge;
    }
    placed.width = std::max(placed.width, kMinWindowWidth);
    placed.height = std::max(placed.height, kMinWindowHeight);
    return placed;
}

MonitorRect placeDialog(const MonitorRect& dialog, std::span<const MonitorRect> monitors) {
    if (monitors.empty()) {
        return dialog;
    }
    bool topFits = false;
    bool leftFits = false;
    for (const MonitorRect& m : monitors) {
        const std::int64_t top = dialog.top;
        const std::int64_t left = dialog.left;
        topFits =
            topFits || (top >= m.top && top <= std::int64_t{m.top} + m.height - dialog.height);
        leftFits =
            leftFits || (left >= m.left && left <= std::int64_t{m.left} + m.width - dialog.width);
    }
    MonitorRect placed = dialog;
    const MonitorRect& first = monitors.front();
    if (!topFits) {
        placed.top = first.top + first.height / 2 - dialog.height / 2;
    }
    if (!leftFits) {
        placed.left = first.left + first.width / 2 - dialog.width / 2;
    }
    return placed;
}

}  // namespace tavelin
