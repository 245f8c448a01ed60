#include "app/ViewInputRouter.h"

#include <QWidget>

#include "aplist/ApList.h"
#include "app/DesktopMapView.h"
#include "app/MapScrollBars.h"
#include "app/PointFlow.h"
#include "app/ScaleFlow.h"
#include "app/SurveyCommands.h"
#include "app/ViewDialogs.h"
#include "app/ViewSurface.h"
#include "coverage/CoverageState.h"
#include "dialogs/LocationInfoDlg.h"
#include "requirements/PointFigures.h"
#include "site/SiteRecord.h"
#include "survey/SurveyDocument.h"

namespace {

VpRect ToVp(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// The noise and SNR of the selected point's primary (as the per-point
// export takes it: the strongest record of all), "" where the noise of its
// channel was not measured.
std::string SelectedNoiseLine(const CSiteRecord& site, const std::vector<ScanNoise>& stored) {
    ApRecord* first = nullptr;
    if (stored.empty() || site.m_selApCount < 1 ||
        surveyList.GetAt(first, site.m_selFirstIndex) != CApList::kOk)
        return {};
    const ApRecord* end = first;
    for (int32_t i = 0; i < site.m_selApCount && end != surveyList.Sentinel(); ++i) end = end->next;
    PointMeasures measures;
    measures.noise = ChannelNoiseOf(stored);
    return NoiseSummaryLine(FiguresOfPoint(*first, end, std::nullopt, FigureLevels{}, &measures));
}

}  // namespace

void CViewInputRouter::KeyPressed(int qtKey, bool autoRepeat) {
    const bool once = qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter ||
                      qtKey == Qt::Key_Select || qtKey == Qt::Key_H;
    if (!(once && autoRepeat)) OnKeyDown(qtKey);
}

void CViewInputRouter::OnKeyDown(int qtKey) {
    if (m_parts.desktop && m_parts.desktop->OnKey(qtKey)) return;
    switch (qtKey) {
        case Qt::Key_Left:
        case Qt::Key_Right:
            OnScroll(MapAxis::kX, qtKey == Qt::Key_Left ? SB_LINELEFT : SB_LINERIGHT, 0);
            break;
        case Qt::Key_Up:
        case Qt::Key_Down:
            OnScroll(MapAxis::kY, qtKey == Qt::Key_Up ? SB_LINELEFT : SB_LINERIGHT, 0);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Select:
            m_parts.points.Start(ScanTrigger::kCentreKey);  // the joystick's centre: mode 7 again
            break;
        case Qt::Key_Escape:
            Cancel();
            break;
        case Qt::Key_H:
            m_parts.coverage.Toggle();
            break;
        default:
            break;
    }
}

void CViewInputRouter::OnScroll(MapAxis axis, int code, int position) {
    if (m_parts.desktop) return m_parts.desktop->OnScroll(axis, code, position);
    if (m_parts.points.Measuring()) {
        m_parts.bars.SyncTo(m_parts.map);
        return;
    }
    const QRect client = m_view.ClientRect();
    m_parts.map.Scroll(axis, code, position,
                       axis == MapAxis::kX ? client.width() : client.height());
    m_parts.bars.SyncTo(axis, m_parts.map.Center(axis));
    m_view.Repaint();
}

void CViewInputRouter::ZoomIn() {
    if (m_parts.points.Measuring()) return;
    if (m_parts.desktop) return m_parts.desktop->ZoomIn();
    m_parts.map.ZoomIn();
    m_view.Repaint();
}

void CViewInputRouter::ZoomOut() {
    if (m_parts.points.Measuring()) return;
    if (m_parts.desktop) return m_parts.desktop->ZoomOut();
    m_parts.map.ZoomOut();
    m_parts.bars.SyncTo(m_parts.map);  // zooming out near an edge moves the cursor
    m_view.Repaint();
}

void CViewInputRouter::Cancel() {
    m_parts.scaleFlow.Cancel();
    m_parts.points.Cancel();
    m_view.Repaint();  // the prompt of "Set Scale" goes with it
}

bool CViewInputRouter::Cancellable() const {
    return m_parts.scaleFlow.Active() || m_parts.points.Measuring();
}

bool CViewInputRouter::MapTakesTaps() const {
    return m_parts.document.HasSite() && m_parts.map.HasMap() && !m_parts.points.Measuring();
}

bool CViewInputRouter::WorldAt(QPoint at, int32_t& wx, int32_t& wy) const {
    if (m_parts.desktop) return m_parts.desktop->WorldAt(at, wx, wy);
    m_parts.map.Viewport().ScreenToWorld(ToVp(m_view.ClientRect()), at.x(), at.y(), wx, wy);
    return true;
}

void CViewInputRouter::OnTap(QPoint client) {
    if (!MapTakesTaps()) return;
    if (m_parts.scaleFlow.Active()) {  // a mark of "Set Scale", not a point
        int32_t wx = 0, wy = 0;
        if (!WorldAt(client, wx, wy)) return;
        m_parts.scaleFlow.Tap(wx, wy, client);
        m_view.Repaint();
        return;
    }
    // A tap on the desktop map's margin is off the plan: no point there.
    // (The desktop map sets its own bars: their thumbs are the part shown,
    // not the handheld's cursor.)
    if (m_parts.desktop && !m_parts.desktop->CenterOn(client)) return;
    if (!m_parts.desktop) {
        m_parts.map.Viewport().CenterOnScreenPoint(ToVp(m_view.ClientRect()), client.x(),
                                                   client.y());
        m_parts.bars.SyncTo(m_parts.map);
    }
    m_parts.points.Start(ScanTrigger::kTap);
}

void CViewInputRouter::OnTapAndHold(QPoint client) {
    if (!MapTakesTaps()) return;
    int32_t wx = 0, wy = 0;
    if (!WorldAt(client, wx, wy)) return;
    CSurveyDocument& document = m_parts.document;
    if (!document.SelectNearestPoint(wx, wy)) return;
    if (m_parts.dialogs().LocationInfo(
            m_view.Widget().window(), document.SelectedThroughput(),
            SelectedNoiseLine(*document.Site(), document.SelectedNoise())) ==
            CLocationInfoDlg::kDeleted &&
        m_parts.commands.MayEdit())
        document.Apply(DeletePointCommand::OfSelection(*document.Site()));
    m_view.Repaint();
}
