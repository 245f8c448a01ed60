#include "map/PointCircles.h"

#include "platform/Gdi.h"

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

void PaintEraseDisc(QImage& map, const QRect& box) {
    PaintCircleBox(map, box, {QColor(255, 255, 255), 2, QColor(255, 255, 255)});
}
