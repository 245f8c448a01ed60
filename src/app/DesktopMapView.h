#pragma once
// CDesktopMapView: the desktop layout's side of the view. The map through
// CDesktopViewport (the plan true to its shape, zoom about the pointer),
// painted by CDesktopMapPainter from the plan's pyramid; the wheel (Shift:
// across), Ctrl+wheel and pinch zoom about the pointer, + and - zoom, the
// arrows and Page keys scroll, Home shows the whole plan, a drag with the
// middle button pans; the scroll bars' thumbs are the part of the plan
// shown. The scan screen and the start-up screen are the handheld's,
// scaled by a whole factor, in a panel over the map's top-right corner
// (the point being measured, in the middle, stays in sight).
//
// The handheld viewport of CSurveyMap follows the desktop cursor, so the
// view takes points, and the panes show places, exactly as on the
// handheld. While a point is measured nothing moves the map.

#include <QObject>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <functional>

#include "map/DesktopViewport.h"
#include "map/PlanPyramid.h"
#include "map/SurveyMap.h"
#include "screens/DesktopPainting.h"
#include "screens/ViewScreen.h"

class CMapScrollBars;
class QPainter;
class QTouchEvent;
class QWidget;
namespace platform {
class CTapAndHold;
}

class CDesktopMapView : public QObject {
public:
    // Watches `canvas` (which must outlive it) for its size, the wheel, the
    // middle button, pinches and touches; one finger goes to `tap`, the
    // canvas's tap and hold. `frozen` says whether a point is being
    // measured; `changed` repaints.
    CDesktopMapView(QWidget* canvas, CSurveyMap& map, CMapScrollBars& bars,
                    platform::CTapAndHold& tap, std::function<bool()> frozen,
                    std::function<void()> changed);

    // A site was opened: its pyramid, the whole plan shown.
    void SiteReplaced();
    // Keys of the desktop layout; false for a key it leaves to the view.
    bool OnKey(int qtKey);
    void ZoomIn();
    void ZoomOut();
    // A scroll bar's action along `axis` (the handheld's scroll codes).
    void OnScroll(MapAxis axis, int code, int position);
    // The world pixel under client point `at`; false on a margin.
    bool WorldAt(QPoint at, int32_t& wx, int32_t& wy) const;
    // The tapped plan pixel becomes the cursor; false on a margin.
    bool CenterOn(QPoint at);

    void Paint(QPainter& p, const QRect& client, const ScreenContent& content);
    // The whole multiple of the handheld's size at which the notice strip,
    // the caption, the legend and the scale bar are drawn over the map: the
    // toolbar's, so that they read at the size of the rest of the window.
    void SetTextScale(int scale) { m_textScale = scale < 1 ? 1 : scale; }

    const CDesktopViewport& Viewport() const { return m_viewport; }
    // The whole factor of the handheld screens' panel on a client of `size`.
    static int PanelScale(const QSize& size);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FitClient(const QSize& size);
    // Zoom and pan end here: the handheld cursor, the bars, a repaint.
    void Moved();
    void ZoomAt(double factor, QPointF at);
    bool OnTouch(const QTouchEvent& t);
    void PaintMap(QPainter& p, const QRect& client, const ScreenContent& c);
    void PaintPanel(QPainter& p, const QRect& client, const ScreenContent& c);
    QRect AtTextScale(QPainter& p, const QRect& client, bool fromBottom) const;

    QWidget* m_canvas;
    CSurveyMap& m_map;
    CMapScrollBars& m_bars;
    std::function<bool()> m_frozen;
    std::function<void()> m_changed;
    CDesktopViewport m_viewport;
    CPlanPyramid m_pyramid;
    CDesktopMapPainter m_painter;
    platform::CTapAndHold& m_tap;
    int m_textScale = 1;
    bool m_dragging = false;
    QPointF m_dragFrom;
    // Two fingers down: their last centre and distance (0 until both are
    // down again after one lifted, so the pinch does not jump).
    bool m_pinching = false;
    QPointF m_pinchCentre;
    double m_pinchSpan = 0;
};
