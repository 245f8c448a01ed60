// The runner against a real iperf3 server on 127.0.0.1 (never another
// address), started and stopped by each test at a free port: figures in
// both directions and over UDP, a closed port, a server stopped mid-test or
// frozen, a second client while the server is busy, and a cancel mid-test.

#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <functional>
#include <vector>

#include "LoopbackPort.h"
#include "throughput/SchedulingSlice.h"
#include "throughput/ThroughputRunner.h"

namespace {

using F = ThroughputFault;

// Runs the event loop until pred() holds; false after boundMs.
bool WaitFor(const std::function<bool()>& pred, int boundMs = 20000) {
    return QTest::qWaitFor(pred, boundMs);
}

// Sockets on 127.0.0.1:port in a TCP state ("0A" listening, "01" established).
int Sockets(uint16_t port, const char* state) {
    QFile f(QStringLiteral("/proc/net/tcp"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray local =
        "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    int n = 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> cols = line.simplified().split(' ');
        if (cols.size() > 3 && cols[1] == local && cols[3] == state) ++n;
    }
    return n;
}

// The server's control and data connections: a test is under way.
bool TestRunning(uint16_t port) { return Sockets(port, "01") >= 2; }

class ThroughputRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_port = FreeLoopbackPort();
        QObject::connect(&m_runner, &CThroughputRunner::finished,
                         [this](const ThroughputOutcome& o) { m_outcomes.push_back(o); });
        QObject::connect(&m_runner, &CThroughputRunner::progress,
                         [this](const ThroughputProgress& p) { m_progress.push_back(p); });
    }
    void TearDown() override {
        m_runner.Cancel();
        for (QProcess* p : {&m_server, &m_other}) {
            if (p->state() != QProcess::NotRunning) {
                ::kill(static_cast<pid_t>(p->processId()), SIGCONT);
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }
    void StartServer() {
        m_server.start(QStringLiteral("iperf3"),
                       {"-s", "-B", "127.0.0.1", "-p", QString::number(m_port)});
        ASSERT_TRUE(WaitFor([&] { return Sockets(m_port, "0A") > 0; }))
            << "iperf3 -s did not listen";
    }
    // Another surveyor's long test, under way when this returns.
    void StartOtherClient() {
        m_other.start(QStringLiteral("iperf3"),
                      {"-c", "127.0.0.1", "-p", QString::number(m_port), "-t", "30", "--json"});
        ASSERT_TRUE(WaitFor([&] { return TestRunning(m_port); }));
    }
    ThroughputRequest Request(int seconds, std::optional<int64_t> udp = {}) const {
        ThroughputRequest r;
        r.server = {"127.0.0.1", m_port};
        r.seconds = seconds;
        r.udpRateBps = udp;
        return r;
    }
    // Runs a test to its end; its outcome and how long it took in seconds.
    ThroughputOutcome Run(const ThroughputRequest& r, double* seconds = nullptr) {
        QElapsedTimer t;
        t.start();
        const size_t before = m_outcomes.size();
        EXPECT_TRUE(m_runner.Start(r));
        EXPECT_TRUE(WaitFor([&] { return m_outcomes.size() > before; }, 40000));
        if (seconds) *seconds = t.elapsed() / 1000.0;
        return m_outcomes.size() > before ? m_outcomes.back() : ThroughputOutcome{};
    }

    uint16_t m_port = 0;
    QProcess m_server, m_other;
    CThroughputRunner m_runner;
    std::vector<ThroughputOutcome> m_outcomes;
    std::vector<ThroughputProgress> m_progress;
};

// A test cancelled mid-way, then one to its end in both directions and over UDP.
TEST_F(ThroughputRunnerTest, CancelKillsTheClientAtOnceAndTheNextMeasuresBothDirectionsAndUdp) {
    StartServer();
    ASSERT_TRUE(m_runner.Start(Request(10)));
    ASSERT_TRUE(WaitFor([&] { return TestRunning(m_port); }));
    const qint64 pid = m_runner.ProcessId();
    ASSERT_GT(pid, 0);
    QElapsedTimer t;
    t.start();
    m_runner.Cancel();
    EXPECT_FALSE(m_runner.Running());
    // Dead (gone, or a zombie not reaped yet) within half a second.
    const auto dead = [pid] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
    };
    ASSERT_TRUE(WaitFor(dead, 500));
    EXPECT_LT(t.elapsed(), 500);
    m_progress.clear();

    // Nothing of the cancelled test is heard; the server serves the next one.
    const int64_t before = QDateTime::currentMSecsSinceEpoch();
    ASSERT_TRUE(m_runner.Start(Request(1, 10000000)));
    EXPECT_FALSE(m_runner.Start(Request(1)));  // one at a time
    ASSERT_TRUE(WaitFor([&] { return !m_outcomes.empty(); }));
    ASSERT_EQ(m_outcomes.size(), 1u);
    const ThroughputOutcome& o = m_outcomes.back();
    ASSERT_TRUE(o.Measured()) << o.reason;
    const ThroughputFigures& f = *o.figures;
    EXPECT_GT(f.downMbps, 0);
    EXPECT_GT(f.upMbps, 0);
    EXPECT_GT(f.rttMs.value_or(0), 0);
    EXPECT_TRUE(f.Retransmits().has_value());
    EXPECT_GE(f.udpJitterMs.value_or(-1), 0);
    EXPECT_GE(f.udpLossPct.value_or(-1), 0);
    EXPECT_LE(f.udpLossPct.value_or(101), 100);
    EXPECT_EQ(f.udpRateBps, 10000000);
    EXPECT_EQ(f.server, "127.0.0.1:" + std::to_string(m_port));
    EXPECT_GE(f.startUtcMs, before);
    EXPECT_GE(f.durationSeconds, 3);
    EXPECT_LE(f.durationSeconds, 3 + CThroughputRunner::kSlackSeconds);
    // The scan screen heard each direction in turn, the measured ones' figures with it.
    ASSERT_FALSE(m_progress.empty());
    EXPECT_EQ(m_progress.front().phase, ThroughputPhase::kDownload);
    EXPECT_EQ(m_progress.back().phase, ThroughputPhase::kUdp);
    EXPECT_EQ(m_progress.back().downMbps, f.downMbps);
    EXPECT_EQ(m_progress.back().upMbps, f.upMbps);
}

// The window's thread asks its short slice only while a test runs, and the
// client does not take it over (a 0.1 ms slice would cost it its figure).
TEST_F(ThroughputRunnerTest, TheShortSliceIsTheThreadsOnlyWhileATestRuns) {
    const std::optional<uint64_t> own = schedslice::Slice();
    const uint64_t asked = ThroughputScheduling{}.threadSliceNs;
    if (!own || !schedslice::SetSlice(asked) || schedslice::Slice() != asked)
        GTEST_SKIP() << "this kernel keeps no slice of a thread's own";
    schedslice::SetSlice(*own);
    StartServer();
    ASSERT_TRUE(m_runner.Start(Request(1)));
    EXPECT_EQ(schedslice::Slice(), asked);
    ASSERT_TRUE(WaitFor([&] { return TestRunning(m_port) && m_runner.ProcessId() != 0; }));
    EXPECT_NE(schedslice::Slice(static_cast<pid_t>(m_runner.ProcessId())), asked);
    ASSERT_TRUE(WaitFor([&] { return !m_outcomes.empty(); }));
    EXPECT_TRUE(m_outcomes.back().Measured()) << m_outcomes.back().reason;
    EXPECT_EQ(schedslice::Slice(), own);
}

TEST_F(ThroughputRunnerTest, AServerStoppedMidTestIsGone) {
    StartServer();
    ASSERT_TRUE(m_runner.Start(Request(3)));
    ASSERT_TRUE(WaitFor([&] { return TestRunning(m_port); }));
    m_server.terminate();
    ASSERT_TRUE(WaitFor([&] { return !m_outcomes.empty(); }));
    EXPECT_EQ(m_outcomes.back().fault, F::kGone) << m_outcomes.back().reason;
    EXPECT_FALSE(m_outcomes.back().figures);
}

TEST_F(ThroughputRunnerTest, AFrozenServerIsGivenUpAtTheBound) {
    StartServer();
    ::kill(static_cast<pid_t>(m_server.processId()), SIGSTOP);
    double took = 0;
    const ThroughputOutcome o = Run(Request(1), &took);
    EXPECT_EQ(o.fault, F::kNoAnswer) << o.reason;
    // The download may run to the bound less the upload's second.
    EXPECT_GE(took, 2 + CThroughputRunner::kSlackSeconds - 1 - 0.05);
    EXPECT_LE(took, 2 + CThroughputRunner::kSlackSeconds + 3.0);  // a loaded machine's lag
}

TEST_F(ThroughputRunnerTest, ABusyServerIsAskedAgainOnceAfterASecond) {
    StartServer();
    StartOtherClient();
    double took = 0;
    const ThroughputOutcome o = Run(Request(1), &took);
    EXPECT_EQ(o.fault, F::kBusy) << o.reason;
    EXPECT_GE(took, 0.99);  // the pause, less the clocks' millisecond rounding
    int waits = 0;          // the times the runner began waiting for the busy server
    for (size_t i = 0; i < m_progress.size(); ++i)
        waits += m_progress[i].waitingForBusyServer &&
                 (i == 0 || !m_progress[i - 1].waitingForBusyServer);
    EXPECT_EQ(waits, 1);

    // Free again within that second: the second try measures.
    m_progress.clear();
    QObject::connect(&m_runner, &CThroughputRunner::progress, [this](const ThroughputProgress& p) {
        if (p.waitingForBusyServer) m_other.kill();
    });
    const ThroughputOutcome again = Run(Request(1));
    EXPECT_TRUE(again.Measured()) << again.reason;
}

// Nothing listening, no server asked and no program: each its own fault.
TEST_F(ThroughputRunnerTest, AClosedPortNoServerAndNoProgram) {
    const ThroughputOutcome o = Run(Request(1));
    EXPECT_EQ(o.fault, F::kRefused);
    EXPECT_NE(o.reason.find("127.0.0.1:" + std::to_string(m_port)), std::string::npos) << o.reason;
    EXPECT_FALSE(o.figures);

    m_outcomes.clear();
    ThroughputRequest none;
    ASSERT_TRUE(m_runner.Start(none));
    EXPECT_TRUE(m_outcomes.empty());
    ASSERT_TRUE(WaitFor([&] { return !m_outcomes.empty(); }));
    EXPECT_EQ(m_outcomes.back().fault, F::kNoServer);

    m_runner.SetProgram(QStringLiteral("/nonexistent/iperf3"));
    ASSERT_TRUE(m_runner.Start(Request(1)));
    EXPECT_EQ(m_outcomes.size(), 1u);
    ASSERT_TRUE(WaitFor([&] { return m_outcomes.size() == 2; }));
    EXPECT_EQ(m_outcomes.back().fault, F::kNoProgram) << m_outcomes.back().reason;
}

}  // namespace
