#include "ReferenceMap.h"

#include <QColor>

namespace {

struct Style {
    QColor pen;
    int penWidth;
    QColor brush;
};

Style StyleFor(int32_t strength) {
    if (strength >= -39) return {QColor(255, 0, 0), 1, QColor(255, 0, 0)};
    if (strength >= -49) return {QColor(255, 128, 0), 1, QColor(255, 128, 0)};
    if (strength >= -59) return {QColor(255, 255, 0), 1, QColor(255, 255, 0)};
    if (strength >= -69) return {QColor(0, 255, 0), 1, QColor(0, 255, 0)};
    if (strength >= -79) return {QColor(0, 0, 255), 1, QColor(0, 0, 255)};
    return {QColor(0, 0, 0), 2, QColor(0, 0, 0)};
}

void Ellipse(QImage& image, const QRect& box, const QColor& pen, int penWidth,
             const QColor& brush) {
    const double a = box.width() / 2.0;
    const double b = box.height() / 2.0;
    if (a <= 0 || b <= 0) return;
    const double cx = box.left() + a;
    const double cy = box.top() + b;
    const double ia = a - penWidth;
    const double ib = b - penWidth;
    const QRgb penRgb = pen.rgb();
    const QRgb brushRgb = brush.rgb();
    const QRect clip = box.intersected(image.rect());
    for (int y = clip.top(); y <= clip.bottom(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double dy = y + 0.5 - cy;
        for (int x = clip.left(); x <= clip.right(); ++x) {
            const double dx = x + 0.5 - cx;
            if ((dx * dx) / (a * a) + (dy * dy) / (b * b) > 1.0) continue;
            const bool inner =
                ia > 0 && ib > 0 && (dx * dx) / (ia * ia) + (dy * dy) / (ib * ib) <= 1.0;
            line[x] = inner ? brushRgb : penRgb;
        }
    }
}

QRect GdiRect(const VpRect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

}  // namespace

CReferenceMap::CReferenceMap(const MapBitmap& plan)
    : m_image(plan.width, plan.height, QImage::Format_RGB32) {
    QRgb table[256];
    for (int i = 0; i < 256; ++i) table[i] = 0xFF000000u | (plan.colorTable[i] & 0x00FFFFFFu);
    for (int32_t y = 0; y < plan.height; ++y) {
        QRgb* dst = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        for (int32_t x = 0; x < plan.width; ++x) dst[x] = table[plan.IndexAt(x, y)];
    }
}

void CReferenceMap::PaintCircle(int32_t x, int32_t y, int32_t strength) {
    const Style s = StyleFor(strength);
    Ellipse(m_image, QRect(x - 10, y - 10, 20, 20), s.pen, s.penWidth, s.brush);
}

void CReferenceMap::PaintScreen(QPainter& p, const QRect& client, CMapViewport& viewport,
                                const QImage* cursor) const {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    VpRect dest{0, 0, client.width(), client.height()};
    VpRect source;
    viewport.ComputeBlit(dest, source);
    if (dest.right > dest.left && dest.bottom > dest.top && source.right > source.left &&
        source.bottom > source.top)
        p.drawImage(GdiRect(dest), m_image, GdiRect(source));
    for (int32_t i = 0; i < viewport.GetStripCount(); ++i) {
        const QRect strip = GdiRect(viewport.GetStrip(i));
        if (strip.width() > 0 && strip.height() > 0) p.fillRect(strip, Qt::white);
    }
    if (cursor != nullptr) {
        p.save();
        p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        p.drawImage(QPoint(client.width() / 2 - 16, client.height() / 2 - 16), *cursor);
        p.restore();
    }
}
