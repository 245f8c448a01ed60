#pragma once
// The desktop layout's map painted with Qt: CDesktopMapRenderer at the
// painter's device pixels into a buffer kept between paints (a fresh
// 1920 x 1080 buffer costs its page faults on every paint), then drawn
// device pixel for device pixel over the client.

#include <QImage>
#include <QPainter>
#include <QRect>

#include "map/DesktopRender.h"

class CDesktopMapPainter {
public:
    // The client (the painter's logical coordinates) shows `viewport`, whose
    // client size must be the client's. `minRadius` is the smallest circle
    // radius in logical pixels.
    void Paint(QPainter& p, const QRect& client, const CDesktopViewport& viewport,
               const MapBitmap& plan, const CPlanPyramid& pyramid, const CCircleLog& circles,
               IMapOverlay* overlay = nullptr, double minRadius = kMinCircleRadius);

    static constexpr double kMinCircleRadius = 4;

private:
    CDesktopMapRenderer m_renderer;
    QImage m_buffer;
};
