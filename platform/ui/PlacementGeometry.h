#pragma once

// The arithmetic of window placement, free of widgets: every function works on rectangles, so it
// can be checked against any arrangement of monitors. Rectangles are work areas
// (QScreen::availableGeometry) and window frames in desktop coordinates.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

namespace artikel {

struct TMonitorLayout {
    std::vector<QRect> workAreas; // in the system's monitor order
    int primary = 0; // index of the primary monitor

    int Count() const { return static_cast<int>(workAreas.size()); }
    bool Valid(int index) const { return index >= 0 && index < Count(); }
    // The primary monitor's index, or the first monitor when the primary one is not in the list.
    int Primary() const { return Valid(primary) ? primary : 0; }
};

// A window lies mostly on a monitor when their intersection is wider than half the window's
// width and higher than half its height.
bool LiesMostlyOn(const QRect& window, const QRect& monitor);
// The first monitor the window lies mostly on, or -1.
int FirstMonitorMostlyOn(const QRect& window, const TMonitorLayout& layout);
// The monitor containing the point, else the one nearest to it (-1 without monitors).
int NearestMonitor(const QPoint& point, const TMonitorLayout& layout);

// The monitor a window is placed on: a valid target; else the one the active window (failing
// that, the main window) lies mostly on; else the active window's nearest monitor;
// else the primary one. Null rectangles mean "no such window".
int ChoosePlacementMonitor(const TMonitorLayout& layout, int target, const QRect& activeWindow,
                           const QRect& mainWindow);

// Moves the window onto the chosen monitor: when the monitor nearest to its centre is another
// one, it is shifted by the difference of the two work-area origins; then it is held inside the
// chosen work area (right, left, bottom, top in this order: an oversized window ends at the left
// and top edges).
QRect PlaceOnWorkArea(const QRect& window, const TMonitorLayout& layout, int chosen);

// The window centred in a work area.
QRect CentreInWorkArea(const QSize& size, const QRect& workArea);

// Default position of a window of `size` in a work area by placement mode: 0 centred, 1 top
// left, 2 top right, 3 bottom right (any other mode: centred).
QPoint DefaultPlacementPosition(int mode, const QSize& size, const QRect& workArea);

// A stored extent limited by a minimum and maximum constraint; 0 (or Qt's "no limit") means none.
int ApplySizeConstraints(int value, int minimum, int maximum);

// A stored monitor index that is not a valid index (negative, not below the monitor count, or
// above 255) counts as 0.
int ValidStoredMonitor(int stored, int monitorCount);

// The position stored for a window: relative to the monitor it lies mostly on when that is not
// the first monitor, otherwise unchanged.
QPoint RelativeWindowPosition(const QPoint& position, const QRect& window, const TMonitorLayout& layout);

// The size stored for a window: a maximised one is reduced by four edge widths and heights.
QSize StoredWindowSize(const QSize& size, bool maximised, int edge);

// A stored pane size is raised to the minimum and then cut to half of the parent's extent.
int ClampSplitterSize(int value, int minimum, int parentExtent);

} // namespace artikel
