#include "screens/DesktopPainting.h"

#include <QPaintDevice>

#include "screens/MapPainting.h"

void CDesktopMapPainter::Paint(QPainter& p, const QRect& client, const CDesktopViewport& viewport,
                               const MapBitmap& plan, const CPlanPyramid& pyramid,
                               const CCircleLog& circles, IMapOverlay* overlay,
                               uint64_t overlayRevision, double minRadius) {
    if (client.isEmpty()) return;
    const qreal ratio = p.device() != nullptr ? p.device()->devicePixelRatio() : 1.0;
    const DesktopBlit blit = viewport.Blit(ratio);
    // The blit's strips and plan together cover the device's client.
    QSize size(1, 1);
    for (int32_t i = 0; i < blit.stripCount; ++i)
        size = size.expandedTo(QSize(blit.strips[i].right, blit.strips[i].bottom));
    size = size.expandedTo(QSize(blit.dest.right, blit.dest.bottom));
    if (m_buffer.size() != size) {
        m_shown = {};
        m_buffer = QImage(size, QImage::Format_RGB32);
        if (m_buffer.isNull()) return;
    }
    const Shown now{true,
                    blit.x.origin,
                    blit.x.perPixel,
                    blit.y.origin,
                    blit.y.perPixel,
                    minRadius * ratio,
                    plan.bits.data(),
                    plan.width,
                    plan.height,
                    circles.Revision(),
                    overlay != nullptr,
                    overlay != nullptr ? overlayRevision : 0};
    if (now != m_shown) {
        m_renderer.Render(plan, pyramid, circles, blit, MapTargetOf(m_buffer), overlay,
                          minRadius * ratio);
        m_shown = now;
    }
    m_buffer.setDevicePixelRatio(ratio);
    p.drawImage(client.topLeft(), m_buffer);
}
