#include "app/ViewPainter.h"

#include "aplist/ApList.h"
#include "app/DesktopMapView.h"
#include "app/PointFlow.h"
#include "app/ScaleFlow.h"
#include "coverage/CoverageGrid.h"
#include "platform/Gdi.h"
#include "screens/Screens.h"
#include "survey/SurveyDocument.h"

CViewPainter::CViewPainter(const CPointFlow& flow, CSurveyMap& map, CCoverageState& coverage,
                           const CSurveyDocument& document, const CSetScaleFlow& scaleFlow,
                           const std::unique_ptr<CDesktopMapView>& desktop)
    : m_flow(flow),
      m_map(map),
      m_coverage(coverage),
      m_document(document),
      m_scaleFlow(scaleFlow),
      m_desktop(desktop),
      m_art(ScreenArt::Load()) {}

ScreenContent CViewPainter::Content() {
    ScreenContent c;
    c.mode = m_flow.Mode();
    c.art = &m_art;
    const IMeasurementSource& source = m_flow.Session().Source();
    if (c.mode == DisplayMode::kStartup) {
        const SourceTexts texts = source.StartupTexts();
        c.left = gdi::DisplayText(texts.left.c_str());
        c.right = gdi::DisplayText(texts.right.c_str());
        c.hardware = QString::fromUtf8(texts.hardware.c_str());
    }
    c.map = &m_map;
    c.coverage = &m_coverage;
    c.survey = &surveyList;
    if (c.mode == DisplayMode::kScanScreen) {
        c.radarBitmap = m_radar.Advance();
        c.channelCells = source.ChannelCells();
    }
    c.notice = QString::fromStdString(m_flow.Session().NoticeText());
    if (c.notice.isEmpty() && c.mode == DisplayMode::kScanScreen)
        c.notice = m_flow.Throughput().ProgressLine();
    if (m_scaleFlow.Active() && c.notice.isEmpty()) c.notice = m_scaleFlow.Prompt();
    c.metresPerPixel = m_document.MetresPerPixel().value_or(0);
    return c;
}

void CViewPainter::Paint(QPainter& p, const QRect& client) {
    const ScreenContent c = Content();
    if (m_desktop)
        m_desktop->Paint(p, client, c);
    else
        screens::PaintScreen(p, client, c);
    if (c.mode != DisplayMode::kSiteMap) return;
    // The map's visible span stretched over the client, as the coverage map
    // is painted: a plan pixel's middle lands where its circle would.
    const CoverageView view =
        m_desktop ? CoverageView::Of(m_desktop->Viewport(), 1.0)
                  : CoverageView::Of(m_map.Viewport(), client.width(), client.height());
    m_scaleFlow.PaintMarks(p, [&](int32_t x, int32_t y) {
        const WorldSpan& v = view.visible;
        if (v.Width() <= 0 || v.Height() <= 0) return QPointF(-100, -100);
        return QPointF(client.left() + (x + 0.5 - v.left) * view.clientWidth / v.Width(),
                       client.top() + (y + 0.5 - v.top) * view.clientHeight / v.Height());
    });
}

QImage CViewPainter::Render(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter p(&image);
    Paint(p, QRect(QPoint(0, 0), size));
    return image;
}

void CViewPainter::WarmScanScreen(QSize client, qreal devicePixelRatio) const {
    screens::WarmScanScreen(m_art.Radar(139), client, devicePixelRatio);
}
