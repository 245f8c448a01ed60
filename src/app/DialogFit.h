#pragma once
// Every dialog of the program (file dialogs, message boxes, the program's
// own) fits the available area of its screen when it is shown: one larger
// is made as large as that area allows (never below its minimum size) and
// moved inside it, so its buttons (Cancel above all) stay reachable. A
// dialog that fits is left exactly as it is.

#include <QRect>
#include <QSize>

// The size and place of a dialog of `frame` (its own geometry) on a screen
// of `available` area, `titleRoom` pixels kept above it for a title bar.
QRect FittedDialog(const QRect& frame, const QSize& minimum, const QRect& available, int titleRoom);

// Installs the fitting for every dialog the application shows from now on.
void FitDialogsToScreen();
