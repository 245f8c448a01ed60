#include "app/PointFlow.h"

#include <QTimer>
#include <QWidget>

#include "app/SurveyCommands.h"
#include "app/ViewSurface.h"
#include "map/SurveyMap.h"
#include "platform/MessageBoxes.h"
#include "platform/Sounds.h"
#include "sources/board/BoardSource.h"
#include "survey/SurveyDocument.h"

CPointFlow::CPointFlow(IViewSurface& view, CSurveyDocument& document, const CSurveyMap& map,
                       CSurveyCommands& commands, std::function<void()> recorded)
    : m_view(view),
      m_document(document),
      m_map(map),
      m_commands(commands),
      m_recorded(std::move(recorded)),
      m_session(*this, MakeBoardSource()),
      m_throughput([this] { ThroughputChanged(); },
                   [this](const std::string& text) { Warn(text, QStringLiteral("Throughput")); }) {
    m_throughput.SetTested(
        [this](const ThroughputOutcome& outcome) { (void)m_document.KeepThroughput(outcome); });
}

void CPointFlow::SetSource(std::unique_ptr<IMeasurementSource> source, IDrawNotifier* notifier) {
    m_session.SetSource(source ? std::move(source) : MakeBoardSource(), notifier);
    m_view.Repaint();
}

void CPointFlow::Start(ScanTrigger trigger) {
    if (!m_document.HasSite() || !m_map.HasMap() || Measuring()) return;
    if (!m_commands.MayEdit()) return;
    platform::PlaySoundAsync(QStringLiteral("ping"));
    const int32_t x = m_map.Center(MapAxis::kX);
    const int32_t y = m_map.Center(MapAxis::kY);
    m_document.BeginPoint(x, y);
    m_session.Start(x, y, trigger);
    m_displayMode = DisplayMode::kScanScreen;
    m_view.Repaint();
}

void CPointFlow::PointFinished() {
    // A scan that no tap of an open site asked for records nothing.
    if (!m_document.HasSite() || !m_map.HasMap()) return;
    m_displayMode = DisplayMode::kSiteMap;
    m_document.Apply(RecordScanCommand{});
    m_recorded();
    // The point is recorded; its throughput test follows on the scan screen.
    if (m_throughput.Start()) {
        m_displayMode = DisplayMode::kScanScreen;
        m_view.Repaint();
    }
}

void CPointFlow::Cancel() {
    m_session.Cancel();
    CancelThroughput();
}

void CPointFlow::CancelThroughput() {
    if (!m_throughput.Running()) return;
    m_throughput.Cancel();
    m_displayMode = DisplayMode::kSiteMap;
    m_view.Repaint();
}

void CPointFlow::ThroughputChanged() {
    if (!m_throughput.Running() && m_displayMode == DisplayMode::kScanScreen &&
        !m_session.Pending())
        m_displayMode = DisplayMode::kSiteMap;
    m_view.Repaint();
}

void CPointFlow::PointUnrecorded(const std::string& why) {
    m_displayMode = DisplayMode::kSiteMap;  // a point is only ever pending over an open map
    m_view.Repaint();
    // A lost source says so in the notice; a refusal needs its reason.
    if (!why.empty()) Warn(why, QStringLiteral("TambRUMO"));
}

void CPointFlow::SourceChanged(SourceState) { m_view.Repaint(); }

void CPointFlow::RunLater(std::function<void()> fn) {
    QTimer::singleShot(0, &m_view.Widget(), std::move(fn));
}

void CPointFlow::Warn(const std::string& text, const QString& caption) {
    platform::MessageBox(m_view.Widget().window(), QString::fromStdString(text), caption,
                         platform::MB_ICONEXCLAMATION | platform::MB_OK);
}
