#pragma once
// Point circles in the map bitmap: the RSSI colour band of a strength, and
// the circle, the erase disc painted with GDI's ellipse geometry.

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdint>

struct CircleStyle {
    QColor pen;
    int penWidth = 1;
    QColor brush;
};

// -39 and above red, -49..-40 orange, -59..-50 yellow, -69..-60 green,
// -79..-70 blue, -80 and below black with a 2-pixel pen.
CircleStyle CircleStyleFor(int32_t strength);

// The circle of a point at (x, y): box (x - 10, y - 10, x + 10, y + 10).
void PaintCircle(QImage& map, int32_t x, int32_t y, int32_t strength);
// A circle of `style` in the GDI box (l, t, r, b).
void PaintCircleBox(QImage& map, const QRect& box, const CircleStyle& style);
// The white disc (white 2-pixel pen, white brush) that erases a point.
void PaintEraseDisc(QImage& map, const QRect& box);
