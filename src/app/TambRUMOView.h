#pragma once
// CTambRUMOView: the one view. Shows the start-up screen, the site map or the
// scan screen (m_displayMode 0, 1, 2), takes the map input, records finished
// scans ("TALV_DRAW") and runs Open and Save. It measures through an
// IMeasurementSource (the board, the simulated board or the Wi-Fi adapter)
// and knows nothing else of them. The handlers live beside their subjects:
// map input in map/MapInput.cpp, Open and Save in site/SiteCommands.cpp,
// the scan's end in app/ScanControl.cpp, painting in screens/.

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <mutex>

#include "app/ViewDialogs.h"
#include "board/BoardInterfaces.h"
#include "coverage/CoverageMap.h"
#include "journal/SurveyJournal.h"
#include "map/CircleLayer.h"
#include "map/CircleLog.h"
#include "map/MapViewport.h"
#include "platform/TapAndHold.h"
#include "screens/ScreenArt.h"
#include "site/SiteFile.h"
#include "sources/MeasurementSource.h"

class QScrollBar;
class CViewCanvas;

// Posts "TALV_DRAW" to the view from any thread; detached before the view
// goes, so a late post from the worker never reaches a dead object.
class CViewDrawNotifier : public IDrawNotifier {
public:
    explicit CViewDrawNotifier(QObject* target) : m_target(target) {}
    void PostTalvDraw() override;
    void PostBoardState() override;
    void Detach();

private:
    std::mutex m_lock;
    QObject* m_target;
};

class CTambRUMOView : public QWidget {
public:
    static constexpr int kClientWidth = 240;
    static constexpr int kClientHeight = 268;
    static constexpr int kScrollLine = 10;

    // Scroll codes of the handheld's scroll messages.
    enum ScrollCode {
        SB_LINELEFT = 0,
        SB_LINERIGHT = 1,
        SB_PAGELEFT = 2,
        SB_PAGERIGHT = 3,
        SB_THUMBTRACK = 5,
        SB_ENDSCROLL = 8  // moves nothing; the thumb goes back to the cursor
    };

    explicit CTambRUMOView(QWidget* parent = nullptr);
    ~CTambRUMOView() override;

    // Commands.
    void OnOpenSite();
    // The Open flow on `path` without the file dialog (the question whether
    // to save unsaved points first included); true when it opened.
    bool OpenSitePath(const QString& path);
    // True when the site was written; false also when the sign-off was
    // closed without "SAVE SITE SURVEY".
    bool OnSaveSite();
    // With points recorded or deleted since the last Open or Save, asks
    // `question` (Yes, No, Cancel) and saves on Yes. True when the caller
    // may go on: nothing to save, saved, or No.
    bool SaveOrDiscardSurvey(const QString& question);
    void OnZoomIn();
    void OnZoomOut();
    void OnHelp();
    void OnColorCodes();
    void OnAbout();
    // "Coverage Map" (button 8, key H): the coverage of the chosen network
    // over the plan, under the circles, while the map shows.
    void OnCoverageMap() { SetCoverageShown(!m_coverageShown); }
    void SetCoverageShown(bool shown);
    bool CoverageShown() const { return m_coverageShown; }
    // "Networks" (button 9): every network heard; the one chosen, and the
    // radius, go to the coverage map, which then shows.
    void OnNetworks();
    CCoverageMap& Coverage() { return m_coverage; }
    // What the map shows, e.g. "Strongest of all, R 60 px".
    QString CoverageCaption() const;
    // Told whenever the coverage map is switched or its network or radius
    // changes (the frame checks its button and names the network there).
    void SetCoverageListener(std::function<void()> fn) { m_onCoverageChanged = std::move(fn); }

    // Map input.
    void OnHScroll(int code, int position);
    void OnVScroll(int code, int position);
    void OnKeyDown(int qtKey);
    void OnTap(QPoint client);
    void OnTapAndHold(QPoint client);

    // "TALV_DRAW": records a finished scan, repaints.
    int OnTalvDraw();
    // "TALV_BOARD_STATE": a scan the source gave up ends without a point; the
    // notice of a lost source comes or goes.
    void OnBoardState();
    // Escape, Open, a second close: the scan under way ends without a point.
    void CancelPoint();
    // What the notice strip says ("" while the source is present).
    QString BoardNotice() const;
    // Runs `fn` once, from the event loop, when the point being measured has
    // been recorded or has ended without a point (null: nothing). While it
    // waits, the notice strip says so.
    void AfterPoint(std::function<void()> fn);
    bool WaitsForPoint() const { return static_cast<bool>(m_afterPoint); }

    // The circle of the point just recorded, at its own place, standing for
    // its `records` survey records.
    void PaintRecordedPoint(int32_t records);
    // Takes the circles of the records deleted from list position
    // `firstRecord` off the map, leaving it as if they had never been there.
    void EraseDeletedPoint(int32_t firstRecord);

    // Paints the current screen into `p` over `client`.
    void OnDraw(QPainter& p, const QRect& client);
    // The current screen as an image of the client area's size (or `size`).
    QImage Render(QSize size = QSize());
    QRect ClientRect() const;
    // Invalidates the whole client area (no erase); OnDraw repaints it.
    void Repaint();

    // Where "TALV_STATUS_UPDATE" goes (the frame); the parent window if unset.
    void SetStatusTarget(QObject* target) { m_statusTarget = target; }
    IDrawNotifier* DrawNotifier() { return m_drawNotifier.get(); }
    void SetDialogs(IViewDialogs* dialogs);  // not owned; null restores the real ones
    // What measures from now on (null: the board). A point under way ends
    // without a point; the source's posts go to this view.
    void SetSource(std::unique_ptr<IMeasurementSource> source);
    IMeasurementSource& Source() { return *m_source; }
    platform::CTapAndHold& Gesture() { return m_gesture; }
    QScrollBar* HorizontalBar() const { return m_hBar; }
    QScrollBar* VerticalBar() const { return m_vBar; }
    CMapViewport& Viewport() { return *m_pViewport; }
    const MapBitmap& Plan() const { return m_plan; }
    const CCircleLayer& Layer() const { return m_layer; }
    const CCircleLog& Circles() const { return m_circles; }
    // The plan with its circles, one pixel per world pixel (for tests and
    // small maps: a 10,000 x 7,000 plan makes a 280 MB picture).
    QImage MapPicture() const;
    // The scan screen painted once off screen, so the first tap shows it at once.
    void WarmScanScreen();
    const QString& SitePath() const { return m_strSitePath; }
    CRadarAnimation& Radar() { return m_radar; }
    // Replaces the pictures (tests, screenshots).
    void SetArt(ScreenArt art) { m_art = std::move(art); }
    // The survey journal beside the open site (tests give it failing file calls).
    CSurveyJournal& Journal() { return m_journal; }

    bool HasMap() const { return m_plan.IsWhole() && m_pViewport->HasWorld(); }
    // Points recorded or deleted since the last Open or Save.
    bool HasUnsavedChanges() const { return m_surveyChanged; }
    bool PointPending() const { return m_pointPending; }

    int32_t m_displayMode = 0;
    int32_t m_mapWidth = 0;
    int32_t m_mapHeight = 0;

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    friend class CViewCanvas;
    // Starts a point at the cursor, unless one is being measured.
    void StartPoint(ScanTrigger trigger);
    void EndPointUnrecorded();
    // The pending point has ended, recorded or not.
    void PointEnded();
    bool OpenSiteFile(const QString& path);
    // Sets the unsaved-points mark and shows it, with the site's name, in the
    // window title.
    void SetSurveyChanged(bool changed);
    void SetBarsToCenter();
    void ShowScrollBars(bool show);
    IViewDialogs& Dialogs();
    // Open: "Recover N survey points recorded after the last save?", and the
    // survey brought back as it was recorded (app/SurveyRecovery.cpp).
    bool AskRecovery(const JournalFinding& found);
    void RecoverSurvey(const JournalFinding& found);
    void TellJournal(const std::string& caption, const std::string& text);

    std::unique_ptr<CMapViewport> m_pViewport;
    QString m_strSitePath;
    MapBitmap m_plan;      // the file's 8-bit bitmap as it was read
    CCircleLayer m_layer;  // the circles painted over it, in world pixels
    CCircleLog m_circles;  // the circles in painting order
    ScreenArt m_art;       // m_bmpCursor, splash and radar frames
    CRadarAnimation m_radar;
    bool m_surveyChanged = false;
    bool m_pointPending = false;

    CViewCanvas* m_canvas = nullptr;
    QScrollBar* m_hBar = nullptr;
    QScrollBar* m_vBar = nullptr;
    platform::CTapAndHold m_gesture;
    std::unique_ptr<CViewDrawNotifier> m_drawNotifier;
    QPointer<QObject> m_statusTarget;
    CDefaultViewDialogs m_defaultDialogs;
    IViewDialogs* m_dialogs = nullptr;
    CSurveyJournal m_journal{[this](const std::string& caption, const std::string& text) {
        TellJournal(caption, text);
    }};
    std::unique_ptr<IMeasurementSource> m_source;
    std::function<void()> m_afterPoint;
    CCoverageMap m_coverage;  // the grid is kept only while the map is on
    bool m_coverageShown = false;
    std::function<void()> m_onCoverageChanged;
};
