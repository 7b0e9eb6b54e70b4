#include "platform/ui/PlacementGeometry.h"

#include <gtest/gtest.h>

using namespace artikel;

namespace {

// Primary 1920 x 1040 work area at the origin, a smaller second monitor to its right.
const TMonitorLayout kTwo{{QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 984)}, 0};
// The same with the second monitor primary and left of the first one.
const TMonitorLayout kLeftPrimary{{QRect(0, 0, 1920, 1040), QRect(-1280, 0, 1280, 984)}, 1};

} // namespace

TEST(PlacementGeometry, PlaceOnWorkAreaShiftsAndClamps)
{
    struct Case {
        const char* what;
        QRect window;
        int chosen;
        QPoint expected;
    } cases[] = {
        {"on the chosen monitor, untouched", QRect(100, 100, 300, 200), 0, {100, 100}},
        {"relative position moved to the second monitor", QRect(100, 100, 300, 200), 1, {2020, 100}},
        {"past the right edge comes back", QRect(5000, 100, 300, 200), 1, {2900, 100}},
        {"below the bottom comes up", QRect(100, 1000, 300, 200), 0, {100, 840}},
        {"left of and above the area", QRect(-500, -500, 300, 200), 0, {0, 0}},
        {"oversized window ends at the left and top edges", QRect(50, 50, 3000, 2000), 0, {0, 0}},
        {"second monitor gone: a position stays on the primary", QRect(2020, 100, 300, 200), 0, {100, 100}},
        {"invalid monitor leaves the window", QRect(7000, 7000, 10, 10), 5, {7000, 7000}},
    };
    for (const Case& c : cases) {
        const QRect placed = PlaceOnWorkArea(c.window, kTwo, c.chosen);
        EXPECT_EQ(placed.topLeft(), c.expected) << c.what;
        EXPECT_EQ(placed.size(), c.window.size()) << c.what;
    }
}

TEST(PlacementGeometry, ChooseMonitor)
{
    const QRect onSecond(2000, 100, 400, 300);
    const QRect onFirst(100, 100, 400, 300);
    const QRect straddling(1900, 800, 400, 400); // mostly on neither monitor, nearest to the second
    const QRect none;
    struct Case {
        const char* what;
        const TMonitorLayout& layout;
        int target;
        QRect active, main;
        int expected;
    } cases[] = {
        {"valid target wins", kTwo, 1, onFirst, onFirst, 1},
        {"invalid target: the active window's monitor", kTwo, 7, onSecond, onFirst, 1},
        {"no active window: the main window's monitor", kTwo, -1, none, onSecond, 1},
        {"active window mostly nowhere: the main window's", kTwo, -1, straddling, onFirst, 0},
        {"nothing lies mostly anywhere: nearest to the active centre", kTwo, -1, straddling, none, 1},
        {"no windows: the primary monitor", kLeftPrimary, -1, none, none, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChoosePlacementMonitor(c.layout, c.target, c.active, c.main), c.expected) << c.what;
}

TEST(PlacementGeometry, StoredValuesAndDefaults)
{
    // Stored monitor index: out of range counts as 0.
    const int monitors[][3] = {{7, 2, 0}, {-1, 2, 0}, {1, 2, 1}, {2, 2, 0}, {256, 300, 0}, {255, 300, 255}};
    for (const auto& m : monitors)
        EXPECT_EQ(ValidStoredMonitor(m[0], m[1]), m[2]) << m[0] << " of " << m[1];

    // Size constraints: 0 and Qt's maximum mean none.
    EXPECT_EQ(ApplySizeConstraints(100, 300, 0), 300);
    EXPECT_EQ(ApplySizeConstraints(900, 0, 800), 800);
    EXPECT_EQ(ApplySizeConstraints(500, 0, (1 << 24) - 1), 500);
    EXPECT_EQ(ApplySizeConstraints(500, 0, 0), 500);

    const QRect area(0, 0, 1920, 1040);
    const QSize size(400, 300);
    const QPoint positions[] = {{760, 370}, {0, 0}, {1520, 0}, {1520, 740}, {760, 370}};
    for (int mode = 0; mode < 5; ++mode)
        EXPECT_EQ(DefaultPlacementPosition(mode, size, area), positions[mode]) << "mode " << mode;
    EXPECT_EQ(DefaultPlacementPosition(0, size, QRect(100, 40, 1820, 1000)), QPoint(810, 390))
        << "centred in a work area that does not start at the origin";

    EXPECT_EQ(StoredWindowSize(QSize(1920, 1040), true, 2), QSize(1912, 1032));
    EXPECT_EQ(StoredWindowSize(QSize(800, 600), false, 2), QSize(800, 600));
}

TEST(PlacementGeometry, RelativePositionAndSplitters)
{
    EXPECT_EQ(RelativeWindowPosition({2020, 110}, QRect(2020, 110, 400, 300), kTwo), QPoint(100, 110));
    EXPECT_EQ(RelativeWindowPosition({100, 110}, QRect(100, 110, 400, 300), kTwo), QPoint(100, 110));
    EXPECT_EQ(RelativeWindowPosition({1720, 100}, QRect(1720, 100, 400, 300), kTwo), QPoint(1720, 100))
        << "a window mostly on no monitor keeps its coordinates";
    EXPECT_EQ(RelativeWindowPosition({-1000, 10}, QRect(-1000, 10, 400, 300), kLeftPrimary), QPoint(280, 10));

    EXPECT_EQ(ClampSplitterSize(700, 30, 1000), 500);
    EXPECT_EQ(ClampSplitterSize(10, 30, 1000), 30);
    EXPECT_EQ(ClampSplitterSize(200, 30, 1000), 200);
    EXPECT_EQ(LiesMostlyOn(QRect(0, 0, 100, 100), QRect(50, 0, 100, 100)), false) << "exactly half is not mostly";
    EXPECT_EQ(LiesMostlyOn(QRect(0, 0, 100, 100), QRect(49, 0, 100, 100)), true);
}
