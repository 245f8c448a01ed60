#pragma once
// The site map as a picture: a rectangle of the world stretched over a
// rectangle of 32-bit pixels, nearest neighbour, in three coats per row of
// pixels: the plan's palette indices through its palette, then an optional
// overlay (say a coverage map), then the circle layer's painted pixels on top.
// No Qt: the screen, a report or a tool hand in the pixels to paint.
//
// The stretch samples exactly as QPainter::drawImage(target, image, source)
// with smooth transform off samples a 32-bit image on the raster engine:
// 16.16 fixed-point steps from the centre of the first target pixel. So the
// screen shows, pixel for pixel, what the map looked like when it was a
// 32-bit image drawn by Qt.

#include <cstddef>
#include <cstdint>

#include "map/CircleLayer.h"
#include "map/MapViewport.h"
#include "site/SiteFile.h"

// One axis of a nearest-neighbour stretch: target pixels `first` ..
// `first + count - 1` take the source pixels Source(0) .. Source(count - 1).
struct StretchAxis {
    int32_t first = 0;
    int32_t count = 0;   // 0: nothing to draw
    uint32_t start = 0;  // 16.16 source position of the first target pixel
    int32_t step = 0;    // 16.16 source distance between target pixels
    int32_t Source(int32_t i) const {
        return static_cast<int32_t>(
            (start + static_cast<uint32_t>(i) * static_cast<uint32_t>(step)) >> 16);
    }
};

// Source pixels [sourceBegin, sourceEnd) over target pixels [targetBegin,
// targetEnd), drawn where they meet [clipBegin, clipEnd). `sourceLimit` is
// the source image's size along the axis: the raster engine leaves the last
// target pixel alone when rounding would take it to a pixel at or past it.
StretchAxis StretchAlong(int32_t sourceBegin, int32_t sourceEnd, int32_t targetBegin,
                         int32_t targetEnd, int32_t clipBegin, int32_t clipEnd,
                         int32_t sourceLimit);

// 32-bit pixels (0xFFRRGGBB) to paint into: `width` x `height` of them,
// `stride` pixels from one row to the next. Pixel (0, 0) stands at target
// position (originX, originY), so a buffer may hold just a part of a larger
// target (the map's part of the screen) and still be addressed in the
// target's own coordinates.
struct MapTarget {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    size_t stride = 0;
    int32_t originX = 0;
    int32_t originY = 0;
};

// One row of the stretched map as the overlay sees it, after the plan and
// before the circles: `count` pixels from target position (x, y), the plan's
// colours in them, and the world pixel each of them shows.
struct MapRow {
    int32_t y = 0;
    int32_t x = 0;
    int32_t count = 0;
    uint32_t* pixels = nullptr;       // 0xFFRRGGBB, to be changed in place
    int32_t worldY = 0;               // the world row the pixels show
    const int32_t* worldX = nullptr;  // the world column of each pixel
};

// Paints over the plan and under the circles, one row at a time, in target
// order (top to bottom); whatever it leaves in the pixels shows where no
// circle is painted.
class IMapOverlay {
public:
    virtual ~IMapOverlay() = default;
    virtual void PaintRow(const MapRow& row) = 0;
};

// Stretches world rectangle `source` of the plan, `overlay` and the circle
// layer over target rectangle `dest` (target coordinates), touching only
// target pixels inside `dest` and the buffer. `source` must lie inside the
// plan; an empty or outside rectangle, or a plan that does not hold
// together, paints nothing. The layer is taken when it covers the plan's
// world (a layer of another size is left out).
void RenderMap(const MapBitmap& plan, const CCircleLayer& layer, const VpRect& source,
               const VpRect& dest, const MapTarget& target, IMapOverlay* overlay = nullptr);
