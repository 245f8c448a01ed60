#pragma once
// What every dialog of the program shares: a fixed client size from dialog
// units, a caption with only the close control (the surveyor closes the
// read-only dialogs there), the white background of the handheld's dialogs
// and the dialog font, "System 8 point", stood in for by Arial 8.
//
// The desktop layout shows every dialog at the whole multiple its toolbar
// and panes take (lengths, font, icon and painted texts alike), so a dialog
// keeps its handheld layout, only larger; the handheld's is 1. It is the
// one multiple of platform/DialogScale.h, which Qt's own dialogs take too.

#include <QDialog>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QWidget>

namespace dialogs {

void SetScale(int scale);
int Scale();

// Client size and font, at Scale().
void SetUpDialog(QDialog& dialog, const QString& caption, int cxUnits, int cyUnits);

// Places a control at a template rectangle given in dialog units, at Scale().
void PlaceControl(QWidget& control, int x, int y, int cx, int cy);

// The sunken edge of the signature area and the colour swatches: two rings
// inside `r`, dark at the top and left, light at the bottom and right, every
// side of them darker than the white dialog so that the surveyor sees where
// the area ends.
constexpr int kSunkenEdgeWidth = 2;
void PaintSunkenEdge(QPainter& p, const QRect& r);

}  // namespace dialogs
