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
    if (m_buffer.size() != size || m_plan.size() != size) {
        Forget();
        m_plan = QImage(size, QImage::Format_RGB32);
        m_buffer = QImage(size, QImage::Format_RGB32);
        if (m_plan.isNull() || m_buffer.isNull()) {
            m_plan = m_buffer = QImage();
            return;
        }
    }
    const PlanShown planNow{true,          blit.x.origin,   blit.x.perPixel,
                            blit.y.origin, blit.y.perPixel, plan.bits.data(),
                            plan.width,    plan.height};
    const Shown now{planNow, minRadius * ratio, circles.Revision(), overlay != nullptr,
                    overlay != nullptr ? overlayRevision : 0};
    if (now != m_shown) {
        if (planNow != m_planShown) {
            // The same plan at another place: the kept coat is of use.
            if (m_planShown.valid && m_planShown.plan == planNow.plan &&
                m_planShown.planW == planNow.planW && m_planShown.planH == planNow.planH)
                m_renderer.RenderPlanMoved(plan, pyramid, m_planBlit, blit, MapTargetOf(m_plan),
                                           &m_share);
            else
                m_renderer.RenderPlan(plan, pyramid, blit, MapTargetOf(m_plan), &m_share);
            m_planShown = planNow;
            m_planBlit = blit;
        }
        const MapTarget coat = MapTargetOf(m_plan);
        m_renderer.RenderCoats(plan, circles, blit, MapTargetOf(m_buffer), overlay,
                               minRadius * ratio, &coat);
        m_shown = now;
    }
    m_buffer.setDevicePixelRatio(ratio);
    p.drawImage(client.topLeft(), m_buffer);
}
