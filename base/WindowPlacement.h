#pragma once
// Placing the program's windows where they were saved.

#include "base/Geometry.h"

#include <optional>

class QWidget;

// Moves w (without resizing) to a saved position, but only when that
// position lies on a screen that is attached now. True when it moved.
bool MoveToSaved(QWidget* w, const std::optional<Point>& saved);
// Keeps w above other windows or not, without losing its visibility.
void SetTopmost(QWidget* w, bool topmost);
// Shows w restored (not minimised) and raised.
void ShowRestored(QWidget* w);
