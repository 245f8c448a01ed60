#include "throughput/ThroughputRunner.h"

#include <unistd.h>

#include <QDateTime>
#include <QProcessEnvironment>
#include <algorithm>

#include "throughput/IperfErrors.h"
#include "throughput/SchedulingSlice.h"

namespace {

constexpr int kTickMs = 250;
constexpr int kBusyPauseMs = 1000;
// iperf3's own bound on setting up the control connection: an unreachable
// host is named as such well before the test's bound kills it.
constexpr int kConnectTimeoutMs = 3000;
constexpr qsizetype kMaxErrorBytes = 2048;

}  // namespace

CThroughputRunner::CThroughputRunner(QObject* parent) : QObject(parent) {
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::PreciseTimer);
    connect(&m_deadline, &QTimer::timeout, this, &CThroughputRunner::OnDeadline);
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, &CThroughputRunner::EmitProgress);
    m_busyPause.setSingleShot(true);
    m_busyPause.setTimerType(Qt::PreciseTimer);  // a coarse one may end 5 % early
    m_busyPause.setInterval(kBusyPauseMs);
    connect(&m_busyPause, &QTimer::timeout, this, [this] {
        m_waitingBusy = false;
        StartPhase();
    });
}

CThroughputRunner::~CThroughputRunner() {
    DropProcess();
    RestoreThreadSlice();
}

qint64 CThroughputRunner::ProcessId() const { return m_process ? m_process->processId() : 0; }

bool CThroughputRunner::Start(const ThroughputRequest& request) {
    if (m_running) return false;
    m_request = request;
    m_request.seconds = std::clamp(request.seconds, kMinIperfSeconds, kMaxIperfSeconds);
    m_running = true;
    m_figures = {};
    m_figures.server = m_request.server.Text();
    m_figures.seconds = m_request.seconds;
    m_figures.startUtcMs = QDateTime::currentMSecsSinceEpoch();
    m_phaseCount = 0;
    m_phases[m_phaseCount++] = ThroughputPhase::kDownload;
    m_phases[m_phaseCount++] = ThroughputPhase::kUpload;
    if (m_request.udpRateBps) m_phases[m_phaseCount++] = ThroughputPhase::kUdp;
    m_phase = 0;
    m_retried = false;
    m_waitingBusy = false;
    m_clock.start();
    m_boundMs = (qint64{m_request.TestSeconds()} + kSlackSeconds) * 1000;
    ++m_generation;
    AskThreadSlice();
    if (m_request.server.host.empty()) {
        Later([this] { Finish(ThroughputFault::kNoServer, {}); });
        return true;
    }
    StartPhase();
    return true;
}

void CThroughputRunner::StartPhase() {
    const ThroughputPhase phase = m_phases[m_phase];
    QStringList args = {QStringLiteral("-c"),
                        QString::fromStdString(m_request.server.host),
                        QStringLiteral("-p"),
                        QString::number(m_request.server.port),
                        QStringLiteral("-t"),
                        QString::number(m_request.seconds),
                        QStringLiteral("--json"),
                        QStringLiteral("--connect-timeout"),
                        QString::number(kConnectTimeoutMs)};
    if (phase == ThroughputPhase::kDownload) args << QStringLiteral("-R");
    if (phase == ThroughputPhase::kUdp)
        args << QStringLiteral("-u") << QStringLiteral("-b")
             << QString::number(*m_request.udpRateBps);

    m_answer.clear();
    m_errors.clear();
    m_tooLong = false;
    auto* process = new QProcess(this);
    m_process = process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));  // iperf3's words, in English
    process->setProcessEnvironment(env);
    // At the window's own priority and the kernel's own slice: a niced
    // client does not wake the window sooner (the waits are ticks of other
    // programs) but does lose its share, and so its figure, on a busy laptop;
    // a 0.1 ms slice, the thread's during the test, would cost it switches
    // (docs/performance.md).
    const ThroughputScheduling s = m_scheduling;
    if (s.clientOwnSession || s.clientSliceNs || s.threadSliceNs)
        process->setChildProcessModifier([s] {
            if (s.clientOwnSession) ::setsid();
            // Also undoes a short slice the thread may have passed on.
            schedslice::SetSlice(s.clientSliceNs);
        });
    connect(process, &QProcess::readyReadStandardOutput, this, [this, process] {
        m_answer += process->readAllStandardOutput();
        if (m_answer.size() > kMaxAnswerBytes) {
            m_tooLong = true;
            process->kill();
        }
    });
    connect(process, &QProcess::readyReadStandardError, this, [this, process] {
        const QByteArray more = process->readAllStandardError();
        m_errors += more.left(kMaxErrorBytes - m_errors.size());
    });
    connect(process, &QProcess::finished, this, &CThroughputRunner::OnPhaseEnded);
    connect(process, &QProcess::errorOccurred, this, &CThroughputRunner::OnStartFailed);

    // This direction may run until the test's bound less the seconds of the
    // directions after it.
    const qint64 later =
        qint64{m_request.seconds} * static_cast<qint64>(m_phaseCount - m_phase - 1);
    m_deadline.start(
        static_cast<int>(std::max<qint64>(0, m_boundMs - later * 1000 - m_clock.elapsed())));
    m_phaseClock.start();
    m_ticker.start();
    process->start(m_program, args, QIODevice::ReadOnly);
}

void CThroughputRunner::OnStartFailed(QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart || !m_process) return;  // the rest end in finished
    const std::string why =
        (m_program + QStringLiteral(": ") + m_process->errorString()).toStdString();
    DropProcess();
    // QProcess may say so from inside start(), that is from inside Start().
    Later([this, why] { Finish(ThroughputFault::kNoProgram, why); });
}

void CThroughputRunner::Later(std::function<void()> fn) {
    const uint64_t generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation, fn = std::move(fn)] {
            if (m_running && generation == m_generation) fn();
        },
        Qt::QueuedConnection);
}

void CThroughputRunner::OnPhaseEnded(int exitCode, QProcess::ExitStatus status) {
    if (!m_process) return;
    m_answer += m_process->readAllStandardOutput();
    if (m_tooLong || m_answer.size() > kMaxAnswerBytes)
        return Finish(ThroughputFault::kGarbled, "an answer of more than 4 MB");
    if (status == QProcess::CrashExit)
        return Finish(ThroughputFault::kFailed, "iperf3 ended by a signal");
    IperfReading reading = ReadIperfJson(m_answer, m_phases[m_phase]);
    if (!reading.Ok() && m_answer.trimmed().isEmpty()) {
        // Nothing on standard output: iperf3 refused its arguments or could
        // not start its test; its standard error says why.
        const std::string words = QString::fromLocal8Bit(m_errors).trimmed().toStdString();
        reading.fault = words.empty() ? ThroughputFault::kFailed : ClassifyIperfError(words);
        reading.error = words.empty()
                            ? "iperf3 wrote nothing and exited with " + std::to_string(exitCode)
                            : words;
    }
    Take(reading);
}

void CThroughputRunner::Take(const IperfReading& reading) {
    if (reading.fault == ThroughputFault::kBusy && !m_retried) {
        m_retried = true;
        DropProcess();
        m_waitingBusy = true;
        EmitProgress();
        m_busyPause.start();
        return;
    }
    if (!reading.Ok()) return Finish(reading.fault, reading.error);
    switch (m_phases[m_phase]) {
        case ThroughputPhase::kDownload:
            m_figures.downMbps = reading.mbps;
            m_figures.downRetransmits = reading.retransmits;
            break;
        case ThroughputPhase::kUpload:
            m_figures.upMbps = reading.mbps;
            m_figures.upRetransmits = reading.retransmits;
            m_figures.rttMs = reading.rttMs;
            break;
        case ThroughputPhase::kUdp:
            m_figures.udpJitterMs = reading.jitterMs;
            m_figures.udpLossPct = reading.lossPct;
            m_figures.udpRateBps = m_request.udpRateBps;
            break;
    }
    DropProcess();
    if (++m_phase < m_phaseCount) {
        m_retried = false;
        StartPhase();
        EmitProgress();  // the direction just measured
        return;
    }
    Finish(ThroughputFault::kNone, {});
}

void CThroughputRunner::OnDeadline() {
    if (!m_running) return;
    Finish(ThroughputFault::kNoAnswer, {});
}

void CThroughputRunner::Finish(ThroughputFault fault, const std::string& detail) {
    DropProcess();
    m_deadline.stop();
    m_ticker.stop();
    m_busyPause.stop();
    m_running = false;
    RestoreThreadSlice();
    ThroughputOutcome outcome;
    outcome.fault = fault;
    if (fault == ThroughputFault::kNone) {
        m_figures.durationSeconds = static_cast<double>(m_clock.elapsed()) / 1000.0;
        outcome.figures = m_figures;
    } else {
        outcome.reason =
            FaultReason(fault, m_figures.server, detail, static_cast<int>(m_boundMs / 1000));
    }
    emit finished(outcome);
}

void CThroughputRunner::Cancel() {
    if (!m_running) return;
    ++m_generation;
    DropProcess();
    m_deadline.stop();
    m_ticker.stop();
    m_busyPause.stop();
    m_running = false;
    RestoreThreadSlice();
}

void CThroughputRunner::DropProcess() {
    if (!m_process) return;
    QProcess* process = m_process;
    m_process = nullptr;
    process->disconnect(this);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    // Killed now, reaped through the event loop: the window never waits.
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->kill();
}

void CThroughputRunner::AskThreadSlice() {
    if (!m_scheduling.threadSliceNs || m_threadSlice) return;
    m_threadSlice = schedslice::Slice();
    if (m_threadSlice && !schedslice::SetSlice(m_scheduling.threadSliceNs)) m_threadSlice.reset();
}

void CThroughputRunner::RestoreThreadSlice() {
    if (m_threadSlice) schedslice::SetSlice(*m_threadSlice);
    m_threadSlice.reset();
}

ThroughputProgress CThroughputRunner::Progress() const {
    ThroughputProgress p;
    p.phase = m_phases[m_phase];
    p.seconds = m_request.seconds;
    p.elapsedSeconds = m_waitingBusy ? 0
                                     : static_cast<int32_t>(std::min<qint64>(
                                           m_phaseClock.elapsed() / 1000, m_request.seconds));
    p.waitingForBusyServer = m_waitingBusy;
    if (m_phase > 0) p.downMbps = m_figures.downMbps;
    if (m_phase > 1) p.upMbps = m_figures.upMbps;
    return p;
}

void CThroughputRunner::EmitProgress() {
    if (m_running) emit progress(Progress());
}
