#pragma once
// The site map (plan, overlay, circles) painted with Qt: into a painter at
// its device's resolution (the screen, a report page), or as an image of
// any size (a report, pellorin-site render). Both stretch as the map screen
// has always stretched. RenderMapImage needs only QtGui.

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>

#include "map/MapRender.h"

// World rectangle `source` of the plan stretched over `dest` (the painter's
// logical coordinates), sampled at the device's pixels: at a device pixel
// ratio of 3 a 240 x 268 destination takes 720 x 804 samples. `overlay`
// sees target positions in device pixels of the painter's device.
void PaintMap(QPainter& p, const QRect& dest, const MapBitmap& plan, const CCircleLayer& layer,
              const VpRect& source, IMapOverlay* overlay = nullptr);

// The pixels of a 32-bit image as a target whose (0, 0) stands at `origin`.
inline MapTarget MapTargetOf(QImage& image, QPoint origin = QPoint(0, 0)) {
    MapTarget t;
    t.pixels = reinterpret_cast<uint32_t*>(image.bits());
    t.width = image.width();
    t.height = image.height();
    t.stride = static_cast<size_t>(image.bytesPerLine()) / sizeof(uint32_t);
    t.originX = origin.x();
    t.originY = origin.y();
    return t;
}

// World rectangle `source` stretched over a new image of `size` pixels
// (Format_RGB32); a null image when memory runs out or the size is empty.
inline QImage RenderMapImage(const MapBitmap& plan, const CCircleLayer& layer, const VpRect& source,
                             QSize size, IMapOverlay* overlay = nullptr) {
    if (size.isEmpty()) return {};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) return {};
    image.fill(Qt::white);
    RenderMap(plan, layer, source, {0, 0, size.width(), size.height()}, MapTargetOf(image),
              overlay);
    return image;
}

class CSurveyMap;
// The map's plan with its circles, one pixel per world pixel (for tests and
// small maps: a 10,000 x 7,000 plan makes a 280 MB picture); null without a plan.
QImage MapPicture(const CSurveyMap& map);
