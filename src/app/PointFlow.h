#pragma once
// CPointFlow: one survey point from the press to the map, and so which
// screen shows. A press (a tap, the centre key) starts the scan at the
// cursor over an open site that may be edited, and the scan screen shows;
// the finished scan is recorded as a command on the document, the panes are
// told, and the throughput test follows on the scan screen when a server
// was named; a scan or test that ends otherwise returns to the map, a
// refusal with its reason in a box.

#include <functional>
#include <memory>
#include <string>

#include "app/PointThroughput.h"
#include "screens/ViewScreen.h"
#include "sources/PointSession.h"

class CSurveyCommands;
class CSurveyDocument;
class CSurveyMap;
class IViewSurface;

class CPointFlow : private IPointSessionOwner {
public:
    // `recorded` runs after each point recorded (the panes' status message).
    CPointFlow(IViewSurface& view, CSurveyDocument& document, const CSurveyMap& map,
               CSurveyCommands& commands, std::function<void()> recorded);

    // What measures from now on (null: the board); a point under way ends.
    void SetSource(std::unique_ptr<IMeasurementSource> source, IDrawNotifier* notifier);
    // Starts a point at the cursor; nothing without an open map or while a
    // point is measured, whose place and readings a second press would take.
    void Start(ScanTrigger trigger);
    // Escape, Open, a second close: the point being measured ends
    // unrecorded, a throughput test under way at once, unkept.
    void Cancel();
    // A close: the throughput test under way ends (the point is recorded).
    void CancelThroughput();
    // A point is being scanned, or its throughput tested.
    bool Measuring() const { return m_session.Pending() || m_throughput.Running(); }

    DisplayMode Mode() const { return m_displayMode; }
    void ShowSiteMap() { m_displayMode = DisplayMode::kSiteMap; }  // a site was opened
    CPointSession& Session() { return m_session; }
    const CPointSession& Session() const { return m_session; }
    CPointThroughput& Throughput() { return m_throughput; }
    const CPointThroughput& Throughput() const { return m_throughput; }

private:
    void PointFinished() override;
    void PointUnrecorded(const std::string& why) override;
    void SourceChanged(SourceState) override;
    void RunLater(std::function<void()> fn) override;
    void ThroughputChanged();
    void Warn(const std::string& text, const QString& caption);

    IViewSurface& m_view;
    CSurveyDocument& m_document;
    const CSurveyMap& m_map;
    CSurveyCommands& m_commands;
    std::function<void()> m_recorded;
    CPointSession m_session;
    CPointThroughput m_throughput;
    DisplayMode m_displayMode = DisplayMode::kStartup;
};
