#pragma once
// Where the main window goes at start: the saved rectangle, moved back onto the desktop when
// it would open out of sight.

#include <cstdint>
#include <span>

#include "datafiles/viewer_settings.h"

namespace tavelin {

struct MonitorRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The smallest main window.
constexpr std::int32_t kMinWindowWidth = 778;
constexpr std::int32_t kMinWindowHeight = 485;
// The edge a window gets when its saved position is out of sight.
constexpr std::int32_t kFallbackWindowEdge = 50;

// The saved position is visible horizontally when some monitor has left <= savedLeft and
// left + width >= savedLeft + savedWidth / 2 (vertically the same with top and height; the two
// tests may be met by different monitors). A failed test puts that edge at 50. The size keeps
// the saved values but never goes below 778 x 485.
ViewerSettings::WindowRect placeWindow(const ViewerSettings::WindowRect& saved,
                                       std::span<const MonitorRect> monitors);

// Keeps a dialog on screen: its top fits a monitor when it lies between the monitor's top and
// its bottom minus the dialog's height, its left likewise. A top that fits no monitor goes to the
// first monitor's top plus half its height minus half the dialog's; a left likewise (halves
// rounded toward zero). The two tests are independent. Returns the dialog's new position (left
// and top; the size stays).
MonitorRect placeDialog(const MonitorRect& dialog, std::span<const MonitorRect> monitors);

}  // namespace tavelin
