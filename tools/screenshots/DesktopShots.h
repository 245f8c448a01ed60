#pragma once
// The desktop layout as a surveyor sees it on a screen of `screen` pixels:
// the frame where the program places it and every dialog or list over it
// where it shows, on a black desktop without a window manager's frames, as
// OUTDIR/NAME-WxH.png. `site` is surveyed (a copy, made by the caller);
// `portraitSite`, opened last, is a plan taller than wide. The screen's
// size is the offscreen platform's, set before the application is made;
// the Open dialog lists the current folder.

#include <QSize>
#include <QString>

bool DesktopShots(const QString& out, const QString& site, const QString& portraitSite,
                  QSize screen);
