#include "app/DocumentFollower.h"

#include <QWidget>

#include "app/DesktopMapView.h"
#include "app/MapScrollBars.h"
#include "app/ScaleFlow.h"
#include "app/ViewStatus.h"
#include "app/ViewSurface.h"
#include "map/SurveyMap.h"
#include "platform/MessageBoxes.h"
#include "platform/Sounds.h"
#include "survey/SiteLoader.h"

CDocumentFollower::CDocumentFollower(IViewSurface& view, CSurveyDocument& document, CSurveyMap& map,
                                     CMapScrollBars& bars, CSetScaleFlow& scaleFlow,
                                     CViewStatus& status,
                                     const std::unique_ptr<CDesktopMapView>& desktop)
    : m_view(view),
      m_document(document),
      m_map(map),
      m_bars(bars),
      m_scaleFlow(scaleFlow),
      m_status(status),
      m_desktop(desktop) {
    m_document.AddListener(this);
}

CDocumentFollower::~CDocumentFollower() { m_document.RemoveListener(this); }

void CDocumentFollower::SiteReplaced(CSiteLoader& loaded) {
    m_map.Adopt(std::move(loaded.Plan()), std::move(loaded.Layer()), std::move(loaded.Circles()));
    m_scaleFlow.Cancel();
    const QRect client = m_view.ClientRect();
    m_bars.SetRanges(m_map.Width(), m_map.Height(), client.width(), client.height());
    m_bars.Show(true);
    m_bars.SyncTo(m_map);
    if (m_desktop) m_desktop->SiteReplaced();
    m_status.ShowTitle();
}

void CDocumentFollower::PointRecorded(const RecordedPoint& point) {
    m_status.ShowTitle();
    if (!point.heard) {
        platform::PlaySoundSync(QStringLiteral("REDALERT"));
        platform::MessageBox(m_view.Widget().window(), QStringLiteral("No Access Points Detected!"),
                             QStringLiteral("COVERAGE WARNING"),
                             platform::MB_ICONEXCLAMATION | platform::MB_OK);
    }
    // Where the point was taken, which is where its records say it is.
    m_map.PaintPoint(point.x, point.y, point.bestRssi, point.records);
}

void CDocumentFollower::PointDeleted(const DeletedPoint& point) {
    m_status.ShowTitle();
    m_map.EraseRecords(point.firstRecord, point.records);
}

void CDocumentFollower::Saved() { m_status.ShowTitle(); }

void CDocumentFollower::ScaleChanged() { m_view.Repaint(); }
