#pragma once
// The line of the start-up picture (bitmap 137) under the product name: the
// resource generator draws "for Brindax 802.11bg" there, and the start-up
// screen of another source draws its own line in its place
// (screens::PaintStartupScreen). Header-only, for the generator's sake.

#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

namespace splash {

// In the picture's 240 x 290 pixels, on the vertical gradient of its foot.
inline QRect HardwareLineRect() { return QRect(0, 224, 240, 18); }

// The line in white, 13-pixel Liberation Sans, centred; the painter smooths.
inline void DrawHardwareLine(QPainter& p, const QString& text) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(HardwareLineRect(), Qt::AlignCenter, text);
}

}  // namespace splash
