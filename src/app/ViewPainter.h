#pragma once
// CViewPainter: what the view's screen is made of at this moment, and its
// painting. The display mode picks the screen; the start-up screen takes the
// source's texts, the site map the plan, its circles and the coverage map,
// the scan screen the radar frame and the channels being scanned; the notice
// strip says the source's notice, else the throughput test's progress on the
// scan screen, else the "Set Scale" prompt. The desktop layout paints the
// same content its way.

#include <QImage>
#include <QPainter>
#include <QRect>
#include <memory>

#include "screens/ScreenArt.h"
#include "screens/ViewScreen.h"

class CCoverageState;
class CDesktopMapView;
class CPointFlow;
class CSetScaleFlow;
class CSurveyDocument;
class CSurveyMap;

class CViewPainter {
public:
    // `desktop` is null in the handheld layout.
    CViewPainter(const CPointFlow& flow, CSurveyMap& map, CCoverageState& coverage,
                 const CSurveyDocument& document, const CSetScaleFlow& scaleFlow,
                 const std::unique_ptr<CDesktopMapView>& desktop);

    void SetArt(ScreenArt art) { m_art = std::move(art); }  // tests, screenshots
    const CRadarAnimation& Radar() const { return m_radar; }

    // The screen's content now; the scan screen's radar turns a frame.
    ScreenContent Content();
    void Paint(QPainter& p, const QRect& client);
    QImage Render(QSize size);
    // The scan screen painted once off screen, so the first tap shows it at once.
    void WarmScanScreen(QSize client, qreal devicePixelRatio) const;

private:
    const CPointFlow& m_flow;
    CSurveyMap& m_map;
    CCoverageState& m_coverage;
    const CSurveyDocument& m_document;
    const CSetScaleFlow& m_scaleFlow;
    const std::unique_ptr<CDesktopMapView>& m_desktop;
    ScreenArt m_art;  // m_bmpCursor, splash and radar frames
    CRadarAnimation m_radar;
};
