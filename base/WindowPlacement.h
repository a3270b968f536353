#pragma once
// Placing the program's windows where they were saved.

#include "base/Geometry.h"

#include <optional>

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
// Centres w on the primary screen's work area.
void CentreOnScreen(QWidget* w);
// Keeps w above other windows or not, without losing its visibility.
void SetTopmost(QWidget* w, bool topmost);
// Shows w restored (not minimised), raised and with the keyboard focus.
void ShowRestored(QWidget* w);
