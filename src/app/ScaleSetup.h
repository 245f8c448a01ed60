#pragma once
// Settles the window's layout and scale before the application object
// exists, because Qt reads QT_SCALE_FACTOR only when that object is built.
//
// A short-lived QGuiApplication looks at the primary screen's available
// area. `requested` > 0 (--scale N) sets QT_SCALE_FACTOR to it, lowered to
// the largest whole scale at which the handheld window fits that area (said
// on standard error). Otherwise the layout is chosen (layoutchoice::Choose);
// the desktop layout keeps scale 1. In the handheld layout, when
// QT_SCALE_FACTOR is not set, startscale::ForScreen chooses; above 1 the
// program starts itself again (same process id, same arguments) with
// QT_SCALE_FACTOR set, so no window is ever shown at the wrong scale. If
// that restart fails, the caller's own application object reads the variable.

#include "app/LayoutChoice.h"

WindowLayout SetUpScale(int argc, char** argv, int requested,
                        LayoutRequest layout = LayoutRequest::kChosen);
