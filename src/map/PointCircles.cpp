#include "map/PointCircles.h"

#include "map/MapImage.h"
#include "platform/Gdi.h"

namespace {
QRect BoxOf(const LoggedCircle& c) {
    const VpRect b = CircleBox(c.x, c.y);
    return gdi::Rect(b.left, b.top, b.right, b.bottom);
}
}  // namespace

CircleStyle CircleStyleFor(int32_t strength) {
    if (strength >= -39) return {QColor(255, 0, 0), 1, QColor(255, 0, 0)};
    if (strength >= -49) return {QColor(255, 128, 0), 1, QColor(255, 128, 0)};
    if (strength >= -59) return {QColor(255, 255, 0), 1, QColor(255, 255, 0)};
    if (strength >= -69) return {QColor(0, 255, 0), 1, QColor(0, 255, 0)};
    if (strength >= -79) return {QColor(0, 0, 255), 1, QColor(0, 0, 255)};
    return {QColor(0, 0, 0), 2, QColor(0, 0, 0)};
}

void PaintCircleBox(QImage& map, const QRect& box, const CircleStyle& style) {
    if (map.isNull()) return;
    gdi::Ellipse(map, box, style.pen, style.penWidth, style.brush);
}

void PaintCircle(QImage& map, int32_t x, int32_t y, int32_t strength) {
    PaintCircleBox(map, gdi::Rect(x - 10, y - 10, x + 10, y + 10), CircleStyleFor(strength));
}

void MendDeletedCircles(QImage& map, const MapBitmap& plan, const CCircleLog& log,
                        const std::vector<LoggedCircle>& removed) {
    if (map.isNull() || map.format() != QImage::Format_RGB32) return;
    for (const LoggedCircle& gone : removed) {
        const QRect area = BoxOf(gone).intersected(map.rect());
        if (area.isEmpty()) continue;
        RestoreFromPlan(map, plan, area);
        // The area's pixels as an image of their own, sharing the map's
        // memory: the ellipse rasteriser clips to it and, on whole-pixel
        // offsets, sets exactly the pixels it sets in the whole map.
        const qsizetype line = map.bytesPerLine();
        QImage part(map.bits() + area.top() * line + area.left() * 4, area.width(), area.height(),
                    line, QImage::Format_RGB32);
        for (const LoggedCircle& c : log.Circles()) {
            const QRect box = BoxOf(c);
            if (box.intersects(area))
                PaintCircleBox(part, box.translated(-area.topLeft()), CircleStyleFor(c.strength));
        }
    }
}
