#include "platform/ui/BusyCursor.h"

#include <QApplication>
#include <QCursor>

namespace artikel {

namespace {
// Interface thread only, like every widget call.
int g_depth = 0;
} // namespace

void BeginBusyCursor()
{
    if (g_depth++ == 0)
        QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
}

void EndBusyCursor()
{
    if (g_depth == 0)
        return;
    if (--g_depth == 0)
        QApplication::restoreOverrideCursor();
}

int BusyCursorDepth() { return g_depth; }

} // namespace artikel
