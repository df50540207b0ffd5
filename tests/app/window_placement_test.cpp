#include "app/window_placement.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace tavelin {
namespace {

using Rect = ViewerSettings::WindowRect;  // top, left, height, width

Rect place(Rect saved, std::vector<MonitorRect> monitors) {
    return placeWindow(saved, monitors);
}

const MonitorRect kMain{0, 0, 1920, 1080};  // left, top, width, height

TEST(WindowPlacement, VisibleRectangleStaysAsSaved) {
    const Rect r = place({100, 200, 600, 1000}, {kMain});
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.height, 600);
    EXPECT_EQ(r.width, 1000);
}

TEST(WindowPlacement, EachEdgeFallsBackOnItsOwn) {
    // Left of every monitor: left edge 50, the visible top stays.
    Rect r = place({100, -500, 600, 900}, {kMain});
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 100);
    // Below every monitor: top edge 50, the visible left stays.
    r = place({2000, 300, 600, 900}, {kMain});
    EXPECT_EQ(r.left, 300);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(place({0, 0, 600, 900}, {}).left, 50);  // no monitor at all
}

TEST(WindowPlacement, HalfTheWindowMustFitAndIntegerHalvesRoundTowardZero) {
    // Right edge: left + width/2 must stay within the monitor.
    EXPECT_EQ(place({0, 1920 - 500, 600, 1000}, {kMain}).left, 1420);
    EXPECT_EQ(place({0, 1921 - 500, 600, 1000}, {kMain}).left, 50);
    // 1001 / 2 is 500.
    EXPECT_EQ(place({0, 1420, 600, 1001}, {kMain}).left, 1420);
}

TEST(WindowPlacement, TheTwoTestsMayBeMetByDifferentMonitors) {
    // Horizontally only the second monitor holds the window, vertically only the first.
    const std::vector<MonitorRect> monitors = {{0, 0, 1000, 2000}, {3000, 5000, 1000, 500}};
    const Rect r = place({100, 3100, 600, 800}, monitors);
    EXPECT_EQ(r.left, 3100);
    EXPECT_EQ(r.top, 100);
    // A monitor to the left of the origin.
    EXPECT_EQ(place({0, -1800, 600, 900}, {{-1920, 0, 1920, 1080}, kMain}).left, -1800);
}

TEST(WindowPlacement, SizeNeverBelowTheMinimumAndExtremesDoNotOverflow) {
    Rect r = place({0, 0, 100, 100}, {kMain});
    EXPECT_EQ(r.width, 778);
    EXPECT_EQ(r.height, 485);
    r = place({INT_MAX, INT_MAX, INT_MAX, INT_MAX}, {{INT_MAX, INT_MAX, INT_MAX, INT_MAX}});
    EXPECT_EQ(r.left, INT_MAX);  // INT_MAX + INT_MAX/2 fits in 64 bits
    r = place({INT_MIN, INT_MIN, 800, 800}, {kMain});
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 50);
}

}  // namespace
}  // namespace tavelin
