#pragma once
// Dialog units to pixels, the one conversion every dialog uses.
//
// Dialog templates give sizes in dialog units of their font ("System 8
// point"): a horizontal unit is a quarter of the font's average character
// width, a vertical unit an eighth of its height. Measuring a font here would
// make the layouts depend on whatever fontconfig resolves, so the base units
// are fixed instead, chosen so that the widest dialog (160 units, the colour
// legend) is exactly 240 pixels, the width of the handheld's screen:
//
//   base unit x = 6 pixels   ->  x px = dlu * 6 / 4
//   base unit y = 12 pixels  ->  y px = dlu * 12 / 8
//
// Each value is converted on its own (position and extent alike), truncating
// toward zero as the rest of the program's integer arithmetic does. On larger
// displays Qt's scale factor enlarges the whole window, dialogs included.

#include <QRect>
#include <QSize>

namespace dlu {

constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 12;

constexpr int ToPixelsX(int units) { return units * kBaseUnitX / 4; }
constexpr int ToPixelsY(int units) { return units * kBaseUnitY / 8; }

// A control's rectangle from a template's x, y, cx, cy.
QRect ToPixels(int x, int y, int cx, int cy);
// A dialog's client size from a template's cx, cy.
QSize ToPixels(int cx, int cy);

}  // namespace dlu
