#pragma once
// CTambRUMOView: the one view, and only its wiring. The survey is the
// document's (CSurveyDocument), the map CSurveyMap's, the point being
// measured CPointSession's and the coverage map CCoverageState's; Open and
// Save as the surveyor meets them are CSurveyCommands, the scroll bars
// CMapScrollBars, and the screens a function of ScreenContent. The view owns
// them, routes the keys, taps, bars and posted messages to them, and keeps
// m_displayMode: what the screen shows.

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/DesktopMapView.h"
#include "app/IperfServerFlow.h"
#include "app/MapScrollBars.h"
#include "app/MapShowsFlow.h"
#include "app/PointThroughput.h"
#include "app/ScaleFlow.h"
#include "app/SurveyCommands.h"
#include "app/ViewDialogs.h"
#include "app/ViewParts.h"
#include "coverage/CoverageState.h"
#include "map/SurveyMap.h"
#include "platform/TapAndHold.h"
#include "screens/ScreenArt.h"
#include "screens/ViewScreen.h"
#include "sources/PointSession.h"
#include "survey/SiteCoverage.h"
#include "survey/SurveyDocument.h"

class CTambRUMOView : public QWidget, private ISurveyListener, private IPointSessionOwner {
public:
    static constexpr int kClientWidth = 240;
    static constexpr int kClientHeight = 268;

    explicit CTambRUMOView(QWidget* parent = nullptr);
    ~CTambRUMOView() override;

    // Commands (the toolbar's buttons).
    void OnOpenSite();
    bool OpenSitePath(const QString& path);  // Open without the file dialog
    bool OnSaveSite();
    bool OnSaveSiteAs();  // Ctrl+Shift+S
    bool SaveOrDiscardSurvey(const QString& question);
    void OnZoomIn();
    void OnZoomOut();
    void OnHelp() { Dialogs().Help(window()); }
    void OnColorCodes() { Dialogs().ColorCodes(window()); }
    void OnAbout() { Dialogs().About(window()); }
    void OnCoverageMap() { m_coverage.Toggle(); }  // button 8, key H
    void OnNetworks();
    void OnMapShows() { m_mapShows.Run(window()); }        // Ctrl+M
    void OnIperfServer() { m_iperfServer.Run(window()); }  // Ctrl+I
    void OnSetScale();         // the next two taps mark a known distance
    void OnNewSiteFromPlan();  // a site file made from a floor plan, then opened
    // Told of every change of the coverage map (the frame's button).
    void SetCoverageListener(std::function<void()> fn) { m_onCoverage = std::move(fn); }

    // Input: a scroll code along an axis (bars, arrows), keys, the stylus.
    void OnScroll(MapAxis axis, int code, int position);
    void OnKeyDown(int qtKey);
    void OnTap(QPoint client);
    void OnTapAndHold(QPoint client);
    // "TALV_DRAW" and "TALV_BOARD_STATE" of the measurement source.
    int OnTalvDraw();
    void OnBoardState() { m_session.OnSourceState(); }
    // Escape, Open, a second close: the point being measured ends unrecorded,
    // a throughput test under way at once, unkept.
    void CancelPoint();
    // A close: the throughput test under way ends (the point is recorded).
    void CancelThroughput();

    void OnDraw(QPainter& p, const QRect& client);
    QImage Render(QSize size = QSize());  // the screen as an image (default: the client's size)
    QRect ClientRect() const;
    void Repaint();

    // Where "TALV_STATUS_UPDATE" goes (the frame); the parent window if unset.
    void SetStatusTarget(QObject* target) { m_statusTarget = target; }
    IDrawNotifier* DrawNotifier() { return &m_drawNotifier; }
    void SetDialogs(IViewDialogs* dialogs) { m_dialogs = dialogs; }  // null: the real ones
    // What measures from now on (null: the board); a point under way ends.
    void SetSource(std::unique_ptr<IMeasurementSource> source);
    void SetArt(ScreenArt art) { m_art = std::move(art); }  // tests, screenshots
    // The scan screen painted once off screen, so the first tap shows it at once.
    void WarmScanScreen();
    // The desktop layout from now on: its map, wheel, keys and scan panel.
    void UseDesktopLayout();
    CDesktopMapView* Desktop() const { return m_desktop.get(); }

    CSurveyDocument& Document() { return m_document; }
    CSurveyMap& Map() { return m_map; }
    const CSurveyMap& Map() const { return m_map; }
    CPointSession& Session() { return m_session; }
    CPointThroughput& Throughput() { return m_throughput; }
    CCoverageState& Coverage() { return m_coverage; }
    CMapScrollBars& Bars() { return m_bars; }
    CSetScaleFlow& ScaleFlow() { return m_scaleFlow; }
    CMapShowsFlow& MapShows() { return m_mapShows; }
    CIperfServerFlow& IperfServer() { return m_iperfServer; }
    platform::CTapAndHold& Gesture() { return m_gesture; }
    DisplayMode Mode() const { return m_displayMode; }
    const CRadarAnimation& Radar() const { return m_radar; }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void SiteReplaced(CSiteLoader& loaded) override;
    void PointRecorded(const RecordedPoint& point) override;
    void PointDeleted(const DeletedPoint& point) override;
    void Saved() override { ShowTitle(); }
    void ScaleChanged() override { Repaint(); }
    void PointFinished() override;
    void PointUnrecorded(const std::string& why) override;
    void SourceChanged(SourceState) override { Repaint(); }
    void RunLater(std::function<void()> fn) override;

    void StartPoint(ScanTrigger trigger);
    // A point is being scanned, or its throughput tested.
    bool Measuring() const { return m_session.Pending() || m_throughput.Running(); }
    void ThroughputChanged();
    bool Opened(CSurveyCommands::Opened opened);
    void ShowTitle();
    void PostStatus();
    IViewDialogs& Dialogs() { return m_dialogs != nullptr ? *m_dialogs : m_defaultDialogs; }

    CSurveyDocument m_document;
    CSurveyMap m_map;
    CCoverageState m_coverage;
    CSiteCoverage m_siteCoverage{m_document, m_coverage};  // after both
    CViewDrawNotifier m_drawNotifier{this};
    CPointSession m_session;
    CPointThroughput m_throughput;
    platform::CTapAndHold m_gesture;
    CViewCanvas* m_canvas;
    CMapScrollBars m_bars;
    CSurveyCommands m_commands;
    CSetScaleFlow m_scaleFlow;
    CMapShowsFlow m_mapShows{m_document, m_coverage,
                             [this]() -> IViewDialogs& { return Dialogs(); }};
    CIperfServerFlow m_iperfServer{m_document, m_throughput,
                                   [this]() -> IViewDialogs& { return Dialogs(); }};
    ScreenArt m_art;  // m_bmpCursor, splash and radar frames
    CRadarAnimation m_radar;
    CDefaultViewDialogs m_defaultDialogs;
    IViewDialogs* m_dialogs = nullptr;
    QPointer<QObject> m_statusTarget;
    std::function<void()> m_onCoverage;
    DisplayMode m_displayMode = DisplayMode::kStartup;
    std::unique_ptr<CDesktopMapView> m_desktop;  // null: the handheld layout
};
