#pragma once
// Settles the window's scale before the application object exists, because
// Qt reads QT_SCALE_FACTOR only when that object is built.
//
// `requested` > 0 (--scale N) sets QT_SCALE_FACTOR to it. Otherwise, when
// QT_SCALE_FACTOR is not set, a short-lived QGuiApplication looks at the
// primary screen's available height and startscale::ForScreen chooses; above
// 1 the program starts itself again (same process id, same arguments) with
// QT_SCALE_FACTOR set, so no window is ever shown at the wrong scale. If that
// restart fails, the caller's own application object reads the variable.

void SetUpScale(int argc, char** argv, int requested);
