#include "app/DesktopMapView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QScrollBar>
#include <QTouchEvent>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "app/MapScrollBars.h"
#include "coverage/CoverageOverlay.h"
#include "coverage/CoverageState.h"
#include "platform/Gdi.h"
#include "platform/TapAndHold.h"
#include "screens/BoardNotice.h"
#include "screens/ScreenArt.h"
#include "screens/Screens.h"

namespace {

constexpr int kScreenWidth = 240;  // the handheld's client
constexpr int kScreenHeight = 268;
constexpr int kPanelMargin = 8;
constexpr double kWheelPixels = 60;  // one notch of the wheel (120 units) moves this far
constexpr double kNotchZoom = 1.4142135623730951;  // Ctrl+wheel: two notches double
constexpr int kCoverageBlock = 2;                  // the grid's cells, in device pixels

}  // namespace

CDesktopMapView::CDesktopMapView(QWidget* canvas, CSurveyMap& map, CMapScrollBars& bars,
                                 platform::CTapAndHold& tap, std::function<bool()> frozen,
                                 std::function<void()> changed)
    : m_canvas(canvas),
      m_map(map),
      m_bars(bars),
      m_frozen(std::move(frozen)),
      m_changed(std::move(changed)),
      m_tap(tap) {
    canvas->installEventFilter(this);
    // The touches themselves, not QPinchGesture: one handler sees both the
    // one-finger tap and the two-finger pinch, and never both at once.
    canvas->setAttribute(Qt::WA_AcceptTouchEvents);
}

bool CDesktopMapView::OnTouch(const QTouchEvent& t) {
    if (t.type() == QEvent::TouchCancel) {
        m_tap.Cancel();
        m_pinching = false;
        return true;
    }
    QPointF down[2];
    int fingers = 0;
    for (const QEventPoint& point : t.points()) {
        if (point.state() == QEventPoint::Released) continue;
        if (fingers < 2) down[fingers] = point.position();
        ++fingers;
    }
    if (!m_pinching && fingers >= 2) {
        m_pinching = true;
        m_pinchSpan = 0;
        m_tap.Cancel();  // the first finger's press was no tap
    }
    if (m_pinching) {
        if (fingers >= 2) {
            const QPointF centre = (down[0] + down[1]) / 2;
            const double span = std::hypot(down[1].x() - down[0].x(), down[1].y() - down[0].y());
            if (m_pinchSpan > 0 && span > 0 && !m_frozen() && m_viewport.HasWorld()) {
                // The plan under the old centre ends under the new one.
                m_viewport.ZoomAt(span / m_pinchSpan, m_pinchCentre.x(), m_pinchCentre.y());
                m_viewport.ScrollBy(m_pinchCentre.x() - centre.x(), m_pinchCentre.y() - centre.y());
                Moved();
            }
            m_pinchCentre = centre;
            m_pinchSpan = span;
        } else {
            m_pinchSpan = 0;  // one finger left: it pans nothing, taps nothing
        }
        if (t.type() == QEvent::TouchEnd) m_pinching = false;
        return true;
    }
    // One finger: the tap and the hold, as the left button's.
    if (t.points().isEmpty()) return true;
    const QPoint at = t.points().first().position().toPoint();
    if (t.type() == QEvent::TouchBegin)
        m_tap.Press(at);
    else if (t.type() == QEvent::TouchUpdate)
        m_tap.Move(at);
    else
        m_tap.Release();
    return true;
}

void CDesktopMapView::SiteReplaced() {
    // Without the pyramid (no memory for it) the renderer averages the plan
    // itself: slower, the same picture.
    if (!m_map.HasMap() || !m_pyramid.Build(m_map.Plan())) m_pyramid.Clear();
    m_viewport = CDesktopViewport();
    m_painter.Forget();
    if (m_map.HasMap()) m_viewport.SetWorld(m_map.Width(), m_map.Height());
    FitClient(m_canvas->size());
    Moved();
}

void CDesktopMapView::FitClient(const QSize& size) {
    m_viewport.SetClient(std::max(size.width(), 1), std::max(size.height(), 1));
}

void CDesktopMapView::Moved() {
    if (m_viewport.HasWorld()) {
        m_map.Viewport().SetCenterX(m_viewport.GetCenterX());
        m_map.Viewport().SetCenterY(m_viewport.GetCenterY());
        for (MapAxis axis : {MapAxis::kX, MapAxis::kY}) {
            const bool x = axis == MapAxis::kX;
            const ScrollBarState b = x ? m_viewport.HorizontalBar() : m_viewport.VerticalBar();
            // The thumb is the part of the plan shown, from its left (top):
            // the whole plan fills the bar. A plan that fits the window this
            // way but has part of it moved out (the cursor on a pixel near
            // its edge, a resize) gets the thumb of the part still shown,
            // so the bar never claims all of it and can bring the rest back.
            int32_t page = std::min(b.pageStep, b.maximum);
            int32_t start = b.value - page / 2;
            if (b.pageStep >= b.maximum) {
                const double side = b.maximum;
                const double from =
                    std::clamp(x ? m_viewport.VisibleLeft() : m_viewport.VisibleTop(), 0.0, side);
                const double to = std::clamp(
                    x ? m_viewport.VisibleRight() : m_viewport.VisibleBottom(), 0.0, side);
                page = std::clamp(static_cast<int32_t>(std::lround(to - from)), 1,
                                  std::max(b.maximum, 1));
                start = static_cast<int32_t>(std::lround(from));
            }
            const int32_t maximum = b.maximum - page;
            m_bars.SetState(axis, maximum, page, std::clamp(start, 0, maximum));
        }
    }
    if (m_changed) m_changed();
}

void CDesktopMapView::ZoomAt(double factor, QPointF at) {
    if (m_frozen() || !m_viewport.HasWorld()) return;
    if (m_viewport.ZoomAt(factor, at.x(), at.y())) Moved();
}

void CDesktopMapView::ZoomIn() {
    ZoomAt(2.0, QPointF(m_canvas->width() / 2.0, m_canvas->height() / 2.0));
}
void CDesktopMapView::ZoomOut() {
    ZoomAt(0.5, QPointF(m_canvas->width() / 2.0, m_canvas->height() / 2.0));
}

bool CDesktopMapView::OnKey(int qtKey) {
    const double w = m_viewport.ClientWidth(), h = m_viewport.ClientHeight();
    double dx = 0, dy = 0;
    switch (qtKey) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomIn();
            return true;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            ZoomOut();
            return true;
        case Qt::Key_Home:
            if (!m_frozen() && m_viewport.HasWorld()) {
                m_viewport.FitWhole();
                Moved();
            }
            return true;
        case Qt::Key_Left:
            dx = -w / 8;
            break;
        case Qt::Key_Right:
            dx = w / 8;
            break;
        case Qt::Key_Up:
            dy = -h / 8;
            break;
        case Qt::Key_Down:
            dy = h / 8;
            break;
        case Qt::Key_PageUp:
            dy = -h * 0.9;
            break;
        case Qt::Key_PageDown:
            dy = h * 0.9;
            break;
        default:
            return false;
    }
    if (!m_frozen() && m_viewport.HasWorld()) {
        m_viewport.ScrollBy(dx, dy);
        Moved();
    }
    return true;
}

void CDesktopMapView::OnScroll(MapAxis axis, int code, int position) {
    const bool x = axis == MapAxis::kX;
    if (m_frozen() || !m_viewport.HasWorld()) {
        Moved();  // a bar that moved its thumb is put back
        return;
    }
    const double page = x ? m_viewport.ClientWidth() : m_viewport.ClientHeight();
    double d = 0;
    switch (code) {
        case SB_LINELEFT:
            d = -page / 10;
            break;
        case SB_LINERIGHT:
            d = page / 10;
            break;
        case SB_PAGELEFT:
            d = -page * 0.9;
            break;
        case SB_PAGERIGHT:
            d = page * 0.9;
            break;
        case SB_THUMBTRACK:
            position += m_bars.Bar(axis)->pageStep() / 2;  // the thumb's middle
            x ? m_viewport.SetCenterX(position) : m_viewport.SetCenterY(position);
            break;
        default:
            break;
    }
    if (d != 0) m_viewport.ScrollBy(x ? d : 0, x ? 0 : d);
    Moved();
}

bool CDesktopMapView::WorldAt(QPoint at, int32_t& wx, int32_t& wy) const {
    if (!m_viewport.HasWorld()) return false;
    m_viewport.ScreenToWorld(at.x(), at.y(), wx, wy);
    return wx >= 0 && wy >= 0 && wx < m_viewport.WorldWidth() && wy < m_viewport.WorldHeight();
}

bool CDesktopMapView::CenterOn(QPoint at) {
    int32_t wx = 0, wy = 0;
    if (!WorldAt(at, wx, wy)) return false;
    m_viewport.CenterOnScreenPoint(at.x(), at.y());
    Moved();
    return true;
}

bool CDesktopMapView::eventFilter(QObject* watched, QEvent* e) {
    if (watched != m_canvas) return false;
    switch (e->type()) {
        case QEvent::Resize:
            // The centre stays: resizing during a scan moves no point.
            FitClient(static_cast<QResizeEvent*>(e)->size());
            Moved();
            return false;
        case QEvent::Wheel: {
            auto* w = static_cast<QWheelEvent*>(e);
            if (w->modifiers() & Qt::ControlModifier) {
                ZoomAt(std::pow(kNotchZoom, w->angleDelta().y() / 120.0), w->position());
                return true;
            }
            // A touchpad's two fingers give pixels, a wheel notches.
            QPointF d = !w->pixelDelta().isNull()
                            ? QPointF(w->pixelDelta())
                            : QPointF(w->angleDelta()) * (kWheelPixels / 120.0);
            if ((w->modifiers() & Qt::ShiftModifier) && d.x() == 0) d = QPointF(d.y(), 0);
            if (!m_frozen() && m_viewport.HasWorld() && !d.isNull()) {
                m_viewport.ScrollBy(-d.x(), -d.y());
                Moved();
            }
            return true;
        }
        case QEvent::NativeGesture: {
            // A touchpad's pinch (its two-finger pan comes as the wheel's
            // pixels).
            auto* g = static_cast<QNativeGestureEvent*>(e);
            if (g->gestureType() != Qt::ZoomNativeGesture) return false;
            ZoomAt(1.0 + g->value(), g->position());
            return true;
        }
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            return OnTouch(*static_cast<QTouchEvent*>(e));
        case QEvent::MouseButtonPress: {
            auto* m = static_cast<QMouseEvent*>(e);
            if (m->button() != Qt::MiddleButton) return false;
            m_dragging = true;
            m_dragFrom = m->position();
            return true;
        }
        case QEvent::MouseMove: {
            auto* m = static_cast<QMouseEvent*>(e);
            if (!m_dragging) return false;
            const QPointF d = m->position() - m_dragFrom;
            m_dragFrom = m->position();
            if (!m_frozen() && m_viewport.HasWorld()) {
                m_viewport.ScrollBy(-d.x(), -d.y());
                Moved();
            }
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* m = static_cast<QMouseEvent*>(e);
            if (m->button() != Qt::MiddleButton) return false;
            m_dragging = false;
            return true;
        }
        default:
            return false;
    }
}

int CDesktopMapView::PanelScale(const QSize& size) {
    // At most two fifths of the width, so the middle (the point) stays free.
    const int across = (size.width() * 2 / 5) / kScreenWidth;
    const int down = (size.height() - 2 * kPanelMargin) / kScreenHeight;
    return std::max(1, std::min(across, down));
}

void CDesktopMapView::Paint(QPainter& p, const QRect& client, const ScreenContent& c) {
    const bool hasMap = c.map != nullptr && c.map->HasMap() && m_viewport.HasWorld();
    if (c.mode == DisplayMode::kStartup || !hasMap) {
        // The start-up screen at a whole scale in the middle of white.
        p.fillRect(client, Qt::white);
        const int s =
            std::max(1, std::min(client.width() / kScreenWidth, client.height() / kScreenHeight));
        p.save();
        p.translate(client.left() + (client.width() - kScreenWidth * s) / 2,
                    client.top() + (client.height() - kScreenHeight * s) / 2);
        p.scale(s, s);
        ScreenContent startup = c;
        startup.mode = DisplayMode::kStartup;
        screens::PaintScreen(p, QRect(0, 0, kScreenWidth, kScreenHeight), startup);
        p.restore();
        return;
    }
    if (m_viewport.ClientWidth() != client.width() || m_viewport.ClientHeight() != client.height())
        FitClient(client.size());
    PaintMap(p, client, c);
    if (c.mode == DisplayMode::kScanScreen) {
        PaintPanel(p, client, c);
    } else {
        p.save();
        screens::PaintBoardNotice(p, AtTextScale(p, client, true), c.notice);
        p.restore();
    }
}

// Scales `p` by the text's multiple and gives `client` in its units, whole
// units that cover it, laid from its top-left corner or (`fromBottom`) its
// bottom-right one, so that a strip along the bottom edge ends exactly there.
QRect CDesktopMapView::AtTextScale(QPainter& p, const QRect& client, bool fromBottom) const {
    const int s = m_textScale;
    const QSize units((client.width() + s - 1) / s, (client.height() + s - 1) / s);
    const QPoint origin = fromBottom ? client.bottomRight() + QPoint(1, 1) -
                                           QPoint(units.width() * s, units.height() * s)
                                     : client.topLeft();
    p.translate(origin);
    p.scale(s, s);
    return QRect(QPoint(0, 0), units);
}

void CDesktopMapView::PaintMap(QPainter& p, const QRect& client, const ScreenContent& c) {
    const bool coverage = c.coverage != nullptr && c.coverage->Shown() && c.survey != nullptr;
    if (coverage) {
        const qreal ratio = p.device() != nullptr ? p.device()->devicePixelRatio() : 1.0;
        const CoverageView view = CoverageView::Of(m_viewport, ratio, kCoverageBlock);
        CCoverageOverlay overlay(c.coverage->Map().Update(*c.survey, view, &m_painter.Share()));
        m_painter.Paint(p, client, m_viewport, m_map.Plan(), m_pyramid, m_map.Circles(), &overlay,
                        c.coverage->Map().Revision());
    } else {
        m_painter.Paint(p, client, m_viewport, m_map.Plan(), m_pyramid, m_map.Circles());
    }
    if (c.art != nullptr && !c.art->cursor.isNull())
        gdi::BitBltAnd(p, client.left() + client.width() / 2 - 16,
                       client.top() + client.height() / 2 - 16, c.art->cursor);
    // Outside a scan the notice strip runs along the map's bottom edge
    // (during one, in the scan panel): the corners stand above it.
    if (coverage) {
        p.save();
        screens::PaintMapCaption(p, AtTextScale(p, client, false),
                                 QString::fromStdString(c.coverage->Caption()));
        p.restore();
    }
    p.save();
    const QRect text = AtTextScale(p, client, true);
    const QRect corners =
        c.mode == DisplayMode::kScanScreen ? text : screens::AboveNotice(text, c.notice);
    if (coverage) screens::PaintMapLegend(p, corners, c.coverage->Map().Layer());
    if (c.metresPerPixel > 0)
        screens::PaintScaleBar(p, corners, m_viewport.Scale() / m_textScale, c.metresPerPixel);
    p.restore();
}

void CDesktopMapView::PaintPanel(QPainter& p, const QRect& client, const ScreenContent& c) {
    const int s = PanelScale(client.size());
    const QRect panel(client.right() + 1 - kPanelMargin - kScreenWidth * s,
                      client.top() + kPanelMargin, kScreenWidth * s, kScreenHeight * s);
    p.fillRect(panel.adjusted(-2, -2, 2, 2), Qt::black);
    p.save();
    p.setClipRect(panel);
    p.translate(panel.topLeft());
    p.scale(s, s);
    screens::PaintScreen(p, QRect(0, 0, kScreenWidth, kScreenHeight), c);
    p.restore();
}
