#pragma once
// CTambRUMOView: the one view, and only its wiring: it owns the parts and
// hands them the commands, keys, taps, bars and posted messages. A point
// from press to map and the display mode are CPointFlow's, the input's
// routes CViewInputRouter's, the screen CViewPainter's, the window's answer
// to the document's changes CDocumentFollower's, title and panes
// CViewStatus's, Open and Save CSurveyCommands'.

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/DesktopMapView.h"
#include "app/DocumentFollower.h"
#include "app/IperfServerFlow.h"
#include "app/MapScrollBars.h"
#include "app/MapShowsFlow.h"
#include "app/PointFlow.h"
#include "app/ScaleFlow.h"
#include "app/SurveyCommands.h"
#include "app/ViewDialogs.h"
#include "app/ViewInputRouter.h"
#include "app/ViewPainter.h"
#include "app/ViewParts.h"
#include "app/ViewStatus.h"
#include "app/ViewSurface.h"
#include "coverage/CoverageState.h"
#include "map/SurveyMap.h"
#include "platform/TapAndHold.h"
#include "survey/SiteCoverage.h"
#include "survey/SurveyDocument.h"

class CTambRUMOView : public QWidget, private IViewSurface {
public:
    static constexpr int kClientWidth = 240;
    static constexpr int kClientHeight = 268;

    explicit CTambRUMOView(QWidget* parent = nullptr);
    ~CTambRUMOView() override;

    // Commands (the toolbar's buttons).
    void OnOpenSite();
    bool OpenSitePath(const QString& path);  // Open without the file dialog
    bool OnSaveSite() { return m_commands.Save(); }
    bool OnSaveSiteAs() { return m_commands.SaveAs(); }  // Ctrl+Shift+S
    bool SaveOrDiscardSurvey(const QString& question) { return m_commands.SaveOrDiscard(question); }
    void OnZoomIn() { m_input.ZoomIn(); }
    void OnZoomOut() { m_input.ZoomOut(); }
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
    void OnScroll(MapAxis axis, int code, int position) { m_input.OnScroll(axis, code, position); }
    void OnKeyDown(int qtKey) { m_input.OnKeyDown(qtKey); }
    void OnTap(QPoint client) { m_input.OnTap(client); }
    void OnTapAndHold(QPoint client) { m_input.OnTapAndHold(client); }
    // "TALV_DRAW" and "TALV_BOARD_STATE" of the measurement source.
    int OnTalvDraw();
    void OnBoardState() { m_points.Session().OnSourceState(); }
    void OnCancel() { m_input.Cancel(); }  // Escape: "Set Scale" and the point end
    bool CanCancel() const { return m_input.Cancellable(); }
    void CancelPoint() { m_points.Cancel(); }                 // Open, a second close
    void CancelThroughput() { m_points.CancelThroughput(); }  // a close

    void OnDraw(QPainter& p, const QRect& client) { m_painter.Paint(p, client); }
    QImage Render(QSize size = QSize());  // the screen as an image (default: the client's size)
    QRect ClientRect() const override { return m_bars.ClientRect(); }
    void Repaint() override { m_canvas->update(); }

    // Where "TALV_STATUS_UPDATE" goes (the frame); the parent window if unset.
    void SetStatusTarget(QObject* target) { m_status.SetTarget(target); }
    IDrawNotifier* DrawNotifier() { return &m_drawNotifier; }
    void SetDialogs(IViewDialogs* dialogs) { m_dialogs = dialogs; }  // null: the real ones
    // What measures from now on (null: the board); a point under way ends.
    void SetSource(std::unique_ptr<IMeasurementSource> source);
    void SetArt(ScreenArt art) { m_painter.SetArt(std::move(art)); }  // tests, screenshots
    // The scan screen painted once off screen, so the first tap shows it at once.
    void WarmScanScreen();
    // The desktop layout from now on: its map, wheel, keys and scan panel.
    void UseDesktopLayout();
    CDesktopMapView* Desktop() const { return m_desktop.get(); }

    CSurveyDocument& Document() { return m_document; }
    CSurveyMap& Map() { return m_map; }
    const CSurveyMap& Map() const { return m_map; }
    CPointSession& Session() { return m_points.Session(); }
    CPointThroughput& Throughput() { return m_points.Throughput(); }
    CCoverageState& Coverage() { return m_coverage; }
    CMapScrollBars& Bars() { return m_bars; }
    CSetScaleFlow& ScaleFlow() { return m_scaleFlow; }
    CMapShowsFlow& MapShows() { return m_mapShows; }
    CIperfServerFlow& IperfServer() { return m_iperfServer; }
    platform::CTapAndHold& Gesture() { return m_gesture; }
    DisplayMode Mode() const { return m_points.Mode(); }
    const CRadarAnimation& Radar() const { return m_painter.Radar(); }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QWidget& Widget() override { return *this; }
    bool Opened(CSurveyCommands::Opened opened);
    IViewDialogs& Dialogs() { return m_dialogs != nullptr ? *m_dialogs : m_defaultDialogs; }

    CSurveyDocument m_document;
    CSurveyMap m_map;
    CCoverageState m_coverage;
    CSiteCoverage m_siteCoverage{m_document, m_coverage};  // after both
    CViewDrawNotifier m_drawNotifier{this};
    CDefaultViewDialogs m_defaultDialogs;
    IViewDialogs* m_dialogs = nullptr;
    std::function<void()> m_onCoverage;
    std::unique_ptr<CDesktopMapView> m_desktop;  // null: the handheld layout
    CViewStatus m_status{*this, m_document, m_map};
    CSurveyCommands m_commands;
    CSetScaleFlow m_scaleFlow;
    CPointFlow m_points{*this, m_document, m_map, m_commands, [this] { m_status.PostStatus(); }};
    CMapShowsFlow m_mapShows{m_document, m_coverage,
                             [this]() -> IViewDialogs& { return Dialogs(); }};
    CIperfServerFlow m_iperfServer{m_document, m_points.Throughput(),
                                   [this]() -> IViewDialogs& { return Dialogs(); }};
    platform::CTapAndHold m_gesture{this};
    CViewCanvas* m_canvas;
    CMapScrollBars m_bars;
    CDocumentFollower m_follower{*this,       m_document, m_map,    m_bars,
                                 m_scaleFlow, m_status,   m_desktop};
    CViewPainter m_painter{m_points, m_map, m_coverage, m_document, m_scaleFlow, m_desktop};
    CViewInputRouter m_input;
};
