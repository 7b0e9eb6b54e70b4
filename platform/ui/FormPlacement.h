#pragma once

// Windows reopen where the user left them: size, position, monitor and splitter panes, stored
// in the settings under a key prefix per window (P.Width, P.Height, P.Left, P.Top,
// P.MontorNum, P.Splitters, P.Add0). A restored window always lands inside a work area.

#include "platform/ui/PlacementGeometry.h"

#include <functional>
#include <string>

class QWidget;

namespace artikel {

// Folder: passed to the settings (empty: the settings folder). Prefix: empty means the
// window's object name.

// Restores the main window's placement, monitor and splitters; returns the ".Add0" value.
int RestoreFormPlacement(QWidget* form, const std::string& folder, const std::string& prefix, bool lockRedraw);
// Restores size and position only; returns ".Add0" (addDefault when missing). Mode selects the
// position used when none is stored: 0 centred, 1 top left, 2 top right, 3 bottom right;
// 4 keeps the position (neither read nor changed).
int ReadFormPlacement(QWidget* form, const std::string& folder, const std::string& prefix, int addDefault, int mode);
// Saves monitor, size, position and splitters.
void SaveFormPlacement(QWidget* form, const std::string& folder, const std::string& prefix);
// Saves size and position, and ".Add0" unless add0 is -1. Mode 1 stores the position moved by
// 50 pixels right and down.
void WriteFormPlacement(QWidget* form, const std::string& folder, const std::string& prefix, int add0, int mode);
// Puts a window onto the target monitor (or the monitor of the active window) inside its work
// area. Without force, frameless windows are left alone. A window with the dynamic property
// "placementCentred" set is centred in the work area.
void PlaceOnMonitor(QWidget* form, bool force);

// While set (not -1), windows placed on screen go to this monitor.
void SetTargetMonitor(int index);
int TargetMonitor();

// The monitors' work areas; by default from QGuiApplication::screens(). Tests install a fake
// arrangement (an empty function restores the real one).
TMonitorLayout CurrentMonitorLayout();
void SetMonitorLayoutProvider(std::function<TMonitorLayout()> provider);

// The settings text of a window's splitters and its reverse (used by the save and restore).
std::string SplitterPlacementText(QWidget* form);
void ApplySplitterPlacementText(QWidget* form, const std::string& text);

// The pixels a maximised window gives up per edge when its size is stored.
inline constexpr int kSystemEdge = 2;

} // namespace artikel
