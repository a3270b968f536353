#pragma once
// Placing the program's windows where they were saved.

#include "base/Geometry.h"

#include <optional>

class QApplication;
class QWidget;

// The corner a window's position is saved as: the top-left of its client
// area, which MoveToSaved puts back exactly, whatever frame the window
// manager draws around it.
Point SavedCorner(const QWidget* w);
// Moves w (without resizing) to a corner saved by SavedCorner: there while
// the window could still be dragged from there, else into the nearest
// screen (PlaceOnScreens over the screens' work areas). False when nothing
// was saved.
bool MoveToSaved(QWidget* w, const std::optional<Point>& saved);
// Moves w (without resizing) to where it covers none of the program's
// shown windows, nearest to the corner wanted, on the work area of the
// screen at wanted (FreeSpot).
void PlaceClear(QWidget* w, Point wanted);
// Centres w on the primary screen's work area.
void CentreOnScreen(QWidget* w);
// Keeps w above other windows or not, without losing its visibility.
void SetTopmost(QWidget* w, bool topmost);
// Shows w restored (not minimised), raised and with the keyboard focus.
void ShowRestored(QWidget* w);

// From now on every modal dialog and message box stays on top when it
// opens while another of the program's windows stays on top (a topmost
// main window would hide the sheet it opened, a topmost manager the sheet
// opened from the tray), or while none of them shows (a message at start,
// which another program's topmost window must not hide).
void KeepDialogsInSight(QApplication& app);
