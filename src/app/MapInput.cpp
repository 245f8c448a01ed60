// The site map's input handlers of CTambRUMOView: zoom, the two scroll bars,
// the joystick, taps and tap-and-holds, and the circles in the map bitmap.
// While a point is being measured the cursor stays where it was taken: taps,
// holds, bars, arrows and zoom do nothing (a bar is put back), the centre
// press starts no second scan, and Escape cancels the scan.

#include <QScrollBar>

#include "aplist/ApList.h"
#include "app/TambRUMOView.h"
#include "map/PointCircles.h"
#include "platform/Sounds.h"
#include "site/SiteRecord.h"

namespace {
VpRect ToVp(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
}  // namespace

void CTambRUMOView::OnZoomIn() {
    if (m_pointPending) return;
    m_pViewport->ZoomIn();
    Repaint();
}

void CTambRUMOView::OnZoomOut() {
    if (m_pointPending) return;
    m_pViewport->ZoomOut();
    SetBarsToCenter();  // zooming out near an edge moves the cursor
    Repaint();
}

void CTambRUMOView::OnHScroll(int code, int position) {
    if (m_pointPending) {
        SetBarsToCenter();  // the bar has moved its thumb already
        return;
    }
    switch (code) {
        case SB_LINELEFT:
            m_pViewport->ScrollLeft(kScrollLine);
            break;
        case SB_LINERIGHT:
            m_pViewport->ScrollRight(kScrollLine);
            break;
        case SB_PAGELEFT:
            m_pViewport->ScrollLeft(ClientRect().width());
            break;
        case SB_PAGERIGHT:
            m_pViewport->ScrollRight(ClientRect().width());
            break;
        case SB_THUMBTRACK:
            m_pViewport->SetCenterX(position);
            break;
        default:
            break;
    }
    const QSignalBlocker block(m_hBar);
    m_hBar->setValue(m_pViewport->GetCenterX());
    Repaint();
}

void CTambRUMOView::OnVScroll(int code, int position) {
    if (m_pointPending) {
        SetBarsToCenter();
        return;
    }
    switch (code) {
        case SB_LINELEFT:
            m_pViewport->ScrollUp(kScrollLine);
            break;
        case SB_LINERIGHT:
            m_pViewport->ScrollDown(kScrollLine);
            break;
        case SB_PAGELEFT:
            m_pViewport->ScrollUp(ClientRect().height());
            break;
        case SB_PAGERIGHT:
            m_pViewport->ScrollDown(ClientRect().height());
            break;
        case SB_THUMBTRACK:
            m_pViewport->SetCenterY(position);
            break;
        default:
            break;
    }
    const QSignalBlocker block(m_vBar);
    m_vBar->setValue(m_pViewport->GetCenterY());
    Repaint();
}

void CTambRUMOView::OnKeyDown(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Left:
            OnHScroll(SB_LINELEFT, 0);
            break;
        case Qt::Key_Right:
            OnHScroll(SB_LINERIGHT, 0);
            break;
        case Qt::Key_Up:
            OnVScroll(SB_LINELEFT, 0);
            break;
        case Qt::Key_Down:
            OnVScroll(SB_LINERIGHT, 0);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Select:
            // The joystick's centre press always asks for mode 7 first.
            StartPoint(ScanTrigger::kCentreKey);
            break;
        case Qt::Key_Escape:
            CancelPoint();
            break;
        case Qt::Key_H:
            OnCoverageMap();
            break;
        default:
            break;
    }
}

void CTambRUMOView::StartPoint(ScanTrigger trigger) {
    // Without an open site there is no map to take a point on; while a point
    // is measured, a second press would take its place and its readings.
    if (g_pSite == nullptr || !HasMap() || m_pointPending) return;
    platform::PlaySoundAsync(QStringLiteral("ping"));
    const int32_t x = m_pViewport->GetCenterX();
    const int32_t y = m_pViewport->GetCenterY();
    g_pSite->BeginPoint(x, y, "TEST");
    m_source->StartScan(x, y, trigger);
    m_pointPending = true;
    m_displayMode = 2;
    Repaint();
}

void CTambRUMOView::OnTap(QPoint client) {
    if (g_pSite == nullptr || !HasMap() || m_pointPending) return;
    const VpRect cr = ToVp(ClientRect());
    m_pViewport->CenterOnScreenPoint(cr, client.x(), client.y());
    SetBarsToCenter();
    StartPoint(ScanTrigger::kTap);
}

void CTambRUMOView::OnTapAndHold(QPoint client) {
    if (g_pSite == nullptr || !HasMap() || m_pointPending) return;
    int32_t wx = 0, wy = 0;
    m_pViewport->ScreenToWorld(ToVp(ClientRect()), client.x(), client.y(), wx, wy);
    if (g_pSite->SelectNearestPoint(wx, wy) == 0) return;
    const int32_t first = g_pSite->m_selFirstIndex;
    if (Dialogs().LocationInfo(window()) == -2) {
        m_journal.PointDeleted(surveyList, *g_pSite);
        SetSurveyChanged(true);
        EraseDeletedPoint(first);
    }
    Repaint();
}

void CTambRUMOView::PaintRecordedPoint(int32_t records) {
    if (g_pSite == nullptr) return;
    int16_t best = -90;
    g_pSite->GetBestRssi(best);
    // Where the point was taken, which is where its records say it is.
    PaintPointCircle(m_layer, g_pSite->m_pendingX, g_pSite->m_pendingY, best);
    m_circles.Add(g_pSite->m_pendingX, g_pSite->m_pendingY, best, records);
}

void CTambRUMOView::EraseDeletedPoint(int32_t firstRecord) {
    // Every circle added a record count to the log and a delete only takes
    // records away, so what the list lacks now is what was deleted (also
    // when a scan was recorded while the point's dialog was up).
    const int64_t deleted = m_circles.Records() - surveyList.Count();
    if (deleted <= 0) return;
    const std::vector<LoggedCircle> removed = m_circles.RemoveRecords(firstRecord, deleted);
    MendDeletedCircles(m_layer, m_circles, removed);
}
