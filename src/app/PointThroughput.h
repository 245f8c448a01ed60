#pragma once
// CPointThroughput: the throughput test of the point just recorded, when the
// surveyor named an iperf3 server (--iperf). The scan comes first and the
// test after it, so that the one does not disturb the other; the point is
// recorded with its Wi-Fi readings before the test begins, and whatever the
// test gives (figures, or "throughput not measured" and why) goes to
// whoever keeps it (the survey store) when it ends. A fault is told once
// per cause (CThroughputNotices), a cancelled test never. One test at a
// time; user-interface thread only.

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "throughput/ThroughputNotices.h"
#include "throughput/ThroughputRequest.h"
#include "throughput/ThroughputRunner.h"

class CPointThroughput {
public:
    using Changed = std::function<void()>;                      // repaint: progress, end
    using Tell = std::function<void(const std::string& text)>;  // "throughput not measured: ..."
    using Tested = std::function<void(const ThroughputOutcome&)>;

    CPointThroughput(Changed changed, Tell tell);

    // The server and test; nothing: no test after a point.
    void SetRequest(std::optional<ThroughputRequest> request);
    const std::optional<ThroughputRequest>& Request() const { return m_request; }
    void SetProgram(const QString& program) { m_runner.SetProgram(program); }  // tests
    // Who keeps each ended test's outcome (null: nobody).
    void SetTested(Tested tested) { m_tested = std::move(tested); }

    // Starts the test of the point just recorded; false without a server.
    bool Start();
    // Escape, Open, a close: the test ends at once, silently, unkept.
    void Cancel() { m_runner.Cancel(); }
    bool Running() const { return m_runner.Running(); }
    // The scan screen's line while the test runs ("Down 2/3 s").
    QString ProgressLine() const;
    // The last test's outcome (tests, the status line).
    const std::optional<ThroughputOutcome>& Last() const { return m_last; }
    CThroughputRunner& Runner() { return m_runner; }

private:
    void Ended(const ThroughputOutcome& outcome);

    Changed m_changed;
    Tell m_tell;
    Tested m_tested;
    std::optional<ThroughputRequest> m_request;
    CThroughputRunner m_runner;
    CThroughputNotices m_notices;
    std::optional<ThroughputProgress> m_progress;
    std::optional<ThroughputOutcome> m_last;
};
