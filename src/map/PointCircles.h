#pragma once
// Point circles in the map bitmap: the RSSI colour band of a strength, the
// circle painted with GDI's ellipse geometry, and the mending of the map
// after points were deleted.

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdint>
#include <vector>

#include "map/CircleLog.h"

struct MapBitmap;

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

// Takes the `removed` circles off `map`: their boxes are painted from the
// plan again and the circles left in `log` that reach into a box are painted
// again there, in the log's order. The map then shows exactly what it would
// had the removed circles never been painted.
void MendDeletedCircles(QImage& map, const MapBitmap& plan, const CCircleLog& log,
                        const std::vector<LoggedCircle>& removed);
