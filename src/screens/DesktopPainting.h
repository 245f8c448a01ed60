#pragma once
// The desktop layout's map painted with Qt: CDesktopMapRenderer at the
// painter's device pixels into a buffer kept between paints (a fresh
// 1920 x 1080 buffer costs its page faults on every paint), then drawn
// device pixel for device pixel over the client. Two pictures are kept:
// the plan's coat for the view, rendered again only when the view or the
// plan changed, and the map with the overlay and the circles over a copy of
// it, again only when the circles' revision or the overlay's changed too.
// After a pan the plan's coat is moved and only the uncovered bands are
// rendered (CDesktopMapRenderer::RenderPlanMoved); a coat rendered anew is
// rendered in bands on two threads (CBandShare).
// So switching the coverage map on or a new point costs the coats alone,
// and a repaint that changed nothing (the scan panel, the cursor, a
// caption over the map) the copy to the screen alone.

#include <QImage>
#include <QPainter>
#include <QRect>
#include <cstdint>

#include "map/DesktopRender.h"

class CDesktopMapPainter {
public:
    // The client (the painter's logical coordinates) shows `viewport`, whose
    // client size must be the client's. `overlayRevision` changes whenever
    // the overlay's picture does. `minRadius` is the smallest circle radius
    // in logical pixels.
    void Paint(QPainter& p, const QRect& client, const CDesktopViewport& viewport,
               const MapBitmap& plan, const CPlanPyramid& pyramid, const CCircleLog& circles,
               IMapOverlay* overlay = nullptr, uint64_t overlayRevision = 0,
               double minRadius = kMinCircleRadius);
    // The next paint renders anew (a new site: its plan may reuse the old
    // one's memory).
    void Forget() {
        m_planShown = {};
        m_shown = {};
    }

    // The painting thread's share with the worker kept for it, for other
    // work of a paint done before Paint (the coverage grid's strips).
    CBandShare& Share() { return m_share; }

    static constexpr double kMinCircleRadius = 4;

private:
    // What a picture shows: the view and the plan (the plan's coat), with
    // the circles and the overlay (the map).
    struct PlanShown {
        bool valid = false;
        double originX = 0, perPixelX = 0, originY = 0, perPixelY = 0;
        const uint8_t* plan = nullptr;
        int32_t planW = 0, planH = 0;
        bool operator==(const PlanShown&) const = default;
    };
    struct Shown {
        PlanShown plan;
        double minRadius = 0;
        uint64_t circles = 0;
        bool overlay = false;
        uint64_t overlayRevision = 0;
        bool operator==(const Shown&) const = default;
    };

    CBandShare m_share;
    CDesktopMapRenderer m_renderer;
    QImage m_plan;
    QImage m_buffer;
    PlanShown m_planShown;
    DesktopBlit m_planBlit;  // what m_plan shows, while m_planShown is valid
    Shown m_shown;
};
