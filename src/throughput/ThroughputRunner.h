#pragma once
// CThroughputRunner: one throughput test at a survey point with the iperf3
// program (--json), off the user-interface thread's time: each direction is
// an asynchronous QProcess whose answer arrives through the event loop. The
// test is the download (-R), the upload and, with a rate, a UDP test, one
// after the other, each for the request's seconds.
//
// One test at a time. Cancel() kills the running iperf3 at once (SIGKILL;
// the server frees itself when the connection drops) and is silent; a new
// Start may follow straight away. However the server or the network
// behaves, the test ends within its seconds plus kSlackSeconds: each
// direction may run until that bound less the seconds of the directions
// still to come, and is killed there ("stopped answering"). A server busy
// with another client's test is asked again once, a second later, in each
// direction. Every signal comes from the event loop, never from inside
// Start or Cancel.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "throughput/IperfJson.h"
#include "throughput/ThroughputProgress.h"
#include "throughput/ThroughputRequest.h"
#include "throughput/ThroughputResult.h"

// How the runner's thread and the iperf3 client are scheduled while a test
// runs (docs/performance.md has what each did on a loaded machine). Where
// the kernel refuses a setting the test runs without it.
struct ThroughputScheduling {
    // The slice the runner's thread asks while a test runs (0: left as it
    // is); its own slice comes back when the test ends. The kernel's own is
    // 0.7 ms x (1 + log2 cores), enforced at its 4 ms tick: without a short
    // one the waking thread waits out the running program's tick.
    uint64_t threadSliceNs = 100000;
    // The client in a session of its own: with the kernel's autogroups the
    // window's session and the client's share the cores as two groups.
    bool clientOwnSession = false;
    // The client's slice (0: the kernel's own).
    uint64_t clientSliceNs = 0;
};

class CThroughputRunner : public QObject {
    Q_OBJECT

public:
    static constexpr int kSlackSeconds = 5;
    // More than any answer of a 30-second run; a longer one is garbled.
    static constexpr qsizetype kMaxAnswerBytes = 4 << 20;

    explicit CThroughputRunner(QObject* parent = nullptr);
    ~CThroughputRunner() override;

    // The iperf3 program (a path, or a name looked up on PATH): "iperf3".
    void SetProgram(const QString& program) { m_program = program; }
    void SetScheduling(const ThroughputScheduling& s) { m_scheduling = s; }
    // False while a test runs.
    bool Start(const ThroughputRequest& request);
    void Cancel();
    bool Running() const { return m_running; }
    // The process id of the running iperf3, 0 between directions (tests).
    qint64 ProcessId() const;

signals:
    // Every quarter second while a direction runs, and when one ends.
    void progress(const ThroughputProgress& progress);
    void finished(const ThroughputOutcome& outcome);

private:
    void StartPhase();
    void OnPhaseEnded(int exitCode, QProcess::ExitStatus status);
    void OnStartFailed(QProcess::ProcessError error);
    void OnDeadline();
    void Take(const IperfReading& reading);
    void Finish(ThroughputFault fault, const std::string& detail);
    void DropProcess();
    void EmitProgress();
    void AskThreadSlice();
    void RestoreThreadSlice();
    ThroughputProgress Progress() const;
    // Calls fn from the event loop, unless the test ended or another began.
    void Later(std::function<void()> fn);

    QString m_program = QStringLiteral("iperf3");
    ThroughputScheduling m_scheduling;
    std::optional<uint64_t> m_threadSlice;  // the thread's own, while a test runs
    ThroughputRequest m_request;
    bool m_running = false;
    uint64_t m_generation = 0;
    std::array<ThroughputPhase, 3> m_phases{};
    size_t m_phaseCount = 0;
    size_t m_phase = 0;
    bool m_retried = false;  // this direction was asked again after "busy"
    bool m_waitingBusy = false;
    QPointer<QProcess> m_process;
    QByteArray m_answer;
    QByteArray m_errors;
    bool m_tooLong = false;
    ThroughputFigures m_figures;
    QElapsedTimer m_clock;       // since Start
    QElapsedTimer m_phaseClock;  // since this direction began
    qint64 m_boundMs = 0;        // the whole test's bound, from Start
    QTimer m_deadline;
    QTimer m_ticker;
    QTimer m_busyPause;
};
