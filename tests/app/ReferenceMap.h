#pragma once
// The map as it was painted before the plan stayed 8-bit: the plan
// converted into one 32-bit image, every circle rasterised into that image,
// and the visible part stretched onto the screen by QPainter::drawImage
// without smoothing, then the white strips and the cursor ANDed in. Kept
// here as the picture the map screen has to match pixel for pixel.

#include <QImage>
#include <QPainter>
#include <QRect>
#include <cstdint>

#include "map/MapViewport.h"
#include "site/SiteFile.h"

class CReferenceMap {
public:
    explicit CReferenceMap(const MapBitmap& plan);
    // The circle of a point at (x, y) painted into the image.
    void PaintCircle(int32_t x, int32_t y, int32_t strength);
    // The map screen over `client` as it was painted.
    void PaintScreen(QPainter& p, const QRect& client, CMapViewport& viewport,
                     const QImage* cursor) const;
    const QImage& Image() const { return m_image; }

private:
    QImage m_image;
};
