#pragma once
// Point circles on the circle layer: the RSSI colour band of a strength, the
// circle painted with GDI's ellipse geometry, and the mending of the layer
// after points were deleted. No Qt.

#include <cstdint>
#include <vector>

#include "map/CircleLayer.h"
#include "map/CircleLog.h"

struct CircleStyle {
    uint32_t pen = 0;  // 0xRRGGBB
    int32_t penWidth = 1;
    uint32_t brush = 0;
};

// The pen and brush of the strength's band (map/RssiBands.h).
CircleStyle CircleStyleFor(int32_t strength);

// The circle of a point at (x, y): box (x - 10, y - 10, x + 10, y + 10),
// painted over whatever the layer holds there.
void PaintPointCircle(CCircleLayer& layer, int32_t x, int32_t y, int32_t strength);

// Takes the `removed` circles off the layer: their boxes are cleared (the
// plan shows there again) and the circles left in `log` that reach into a
// box are painted again there, in the log's order. The map then shows
// exactly what it would had the removed circles never been painted.
void MendDeletedCircles(CCircleLayer& layer, const CCircleLog& log,
                        const std::vector<LoggedCircle>& removed);
