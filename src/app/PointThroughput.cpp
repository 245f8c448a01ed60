#include "app/PointThroughput.h"

#include "throughput/ThroughputSummary.h"

CPointThroughput::CPointThroughput(Changed changed, Tell tell)
    : m_changed(std::move(changed)), m_tell(std::move(tell)) {
    QObject::connect(&m_runner, &CThroughputRunner::progress, &m_runner,
                     [this](const ThroughputProgress& p) {
                         m_progress = p;
                         if (m_changed) m_changed();
                     });
    QObject::connect(&m_runner, &CThroughputRunner::finished, &m_runner,
                     [this](const ThroughputOutcome& o) { Ended(o); });
}

void CPointThroughput::SetRequest(std::optional<ThroughputRequest> request) {
    m_runner.Cancel();
    m_request = std::move(request);
    m_notices.Reset();  // another server: every cause is new again
}

bool CPointThroughput::Start() {
    if (!m_request || m_runner.Running()) return false;
    m_progress.reset();
    return m_runner.Start(*m_request);
}

QString CPointThroughput::ProgressLine() const {
    if (!m_runner.Running()) return {};
    ThroughputProgress p;
    if (m_progress) {
        p = *m_progress;
    } else {
        p.seconds = m_request ? m_request->seconds : 0;  // before the first report
    }
    return QString::fromStdString(ProgressText(p));
}

void CPointThroughput::Ended(const ThroughputOutcome& outcome) {
    m_progress.reset();
    if (outcome.fault == ThroughputFault::kCancelled) return;  // never reported, but be sure
    m_last = outcome;
    if (m_tested) m_tested(outcome);
    if (m_changed) m_changed();
    if (m_notices.ShouldTell(outcome) && m_tell) m_tell(NotMeasuredText(outcome));
}
