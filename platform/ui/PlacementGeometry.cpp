#include "platform/ui/PlacementGeometry.h"

#include <algorithm>
#include <limits>

namespace artikel {

namespace {

// Qt's "no maximum" for widget extents.
constexpr int kNoSizeLimit = (1 << 24) - 1;

// Squared distance from a point to a rectangle (0 inside).
qint64 DistanceSquared(const QPoint& p, const QRect& r)
{
    const qint64 dx = p.x() < r.left() ? r.left() - p.x() : (p.x() > r.right() ? p.x() - r.right() : 0);
    const qint64 dy = p.y() < r.top() ? r.top() - p.y() : (p.y() > r.bottom() ? p.y() - r.bottom() : 0);
    return dx * dx + dy * dy;
}

} // namespace

bool LiesMostlyOn(const QRect& window, const QRect& monitor)
{
    const QRect common = window.intersected(monitor);
    return !common.isEmpty() && common.width() > window.width() / 2 && common.height() > window.height() / 2;
}

int FirstMonitorMostlyOn(const QRect& window, const TMonitorLayout& layout)
{
    for (int i = 0; i < layout.Count(); ++i)
        if (LiesMostlyOn(window, layout.workAreas[static_cast<std::size_t>(i)]))
            return i;
    return -1;
}

int NearestMonitor(const QPoint& point, const TMonitorLayout& layout)
{
    int best = -1;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (int i = 0; i < layout.Count(); ++i) {
        const qint64 d = DistanceSquared(point, layout.workAreas[static_cast<std::size_t>(i)]);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

int ChoosePlacementMonitor(const TMonitorLayout& layout, int target, const QRect& activeWindow, const QRect& mainWindow)
{
    if (layout.Valid(target))
        return target;
    for (const QRect* window : {&activeWindow, &mainWindow}) {
        if (window->isNull())
            continue;
        const int mostly = FirstMonitorMostlyOn(*window, layout);
        if (mostly >= 0)
            return mostly;
    }
    if (!activeWindow.isNull()) {
        const int nearest = NearestMonitor(activeWindow.center(), layout);
        if (nearest >= 0)
            return nearest;
    }
    return layout.Primary();
}

QRect PlaceOnWorkArea(const QRect& window, const TMonitorLayout& layout, int chosen)
{
    if (!layout.Valid(chosen))
        return window;
    QRect r = window;
    const QRect& area = layout.workAreas[static_cast<std::size_t>(chosen)];
    const int current = NearestMonitor(r.center(), layout);
    if (current >= 0 && current != chosen)
        r.translate(area.topLeft() - layout.workAreas[static_cast<std::size_t>(current)].topLeft());
    if (r.x() + r.width() > area.x() + area.width())
        r.moveLeft(area.x() + area.width() - r.width());
    if (r.x() < area.x())
        r.moveLeft(area.x());
    if (r.y() + r.height() > area.y() + area.height())
        r.moveTop(area.y() + area.height() - r.height());
    if (r.y() < area.y())
        r.moveTop(area.y());
    return r;
}

QRect CentreInWorkArea(const QSize& size, const QRect& workArea)
{
    return QRect(workArea.x() + (workArea.width() - size.width()) / 2,
                 workArea.y() + (workArea.height() - size.height()) / 2, size.width(), size.height());
}

QPoint DefaultPlacementPosition(int mode, const QSize& size, const QRect& workArea)
{
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    switch (mode) {
    case 1: return workArea.topLeft();
    case 2: return {right - size.width(), workArea.y()};
    case 3: return {right - size.width(), bottom - size.height()};
    default: return CentreInWorkArea(size, workArea).topLeft();
    }
}

int ApplySizeConstraints(int value, int minimum, int maximum)
{
    if (minimum > 0 && value < minimum)
        value = minimum;
    if (maximum > 0 && maximum < kNoSizeLimit && value > maximum)
        value = maximum;
    return value;
}

int ValidStoredMonitor(int stored, int monitorCount)
{
    return (stored < 0 || stored >= monitorCount || stored > 255) ? 0 : stored;
}

QPoint RelativeWindowPosition(const QPoint& position, const QRect& window, const TMonitorLayout& layout)
{
    const int monitor = FirstMonitorMostlyOn(window, layout);
    if (monitor <= 0)
        return position;
    return position - layout.workAreas[static_cast<std::size_t>(monitor)].topLeft();
}

QSize StoredWindowSize(const QSize& size, bool maximised, int edge)
{
    return maximised ? QSize(size.width() - 4 * edge, size.height() - 4 * edge) : size;
}

int ClampSplitterSize(int value, int minimum, int parentExtent)
{
    value = std::max(value, minimum);
    return std::min(value, parentExtent / 2);
}

} // namespace artikel
