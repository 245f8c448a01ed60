// The throughput test against a real iperf3 server on 127.0.0.1 (started
// here at a free port):
// - Overhead: a test of 1-second directions (download and upload), its time
//   beyond those 2 seconds: starting iperf3, its connections, its answer,
//   the reading (aim: 100 ms or less).
// - VersusIperf3Alone: the upload's Mbit/s through the runner against
//   `iperf3 -c` run alone just before, both 2-second runs (aim: 0.9x or more).
// - UiStall: the longest the event loop of the thread that runs the test is
//   kept from a 1 ms timer while a test runs (aim: 5 ms or less).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "LoopbackPort.h"
#include "throughput/IperfJson.h"
#include "throughput/ThroughputRunner.h"

namespace {

struct Server {
    uint16_t port = FreeLoopbackPort();
    QProcess process;
    Server() {
        process.start(QStringLiteral("iperf3"),
                      {"-s", "-B", "127.0.0.1", "-p", QString::number(port)});
        process.waitForStarted();
        QThread::msleep(300);  // a benchmark, not a test: time to listen
    }
    ~Server() {
        process.kill();
        process.waitForFinished();
    }
};

Server& TheServer() {
    static Server server;
    return server;
}

ThroughputRequest Request(int seconds) {
    ThroughputRequest r;
    r.server = {"127.0.0.1", TheServer().port};
    r.seconds = seconds;
    return r;
}

// Runs one test to its end; the longest gap between 1 ms ticks meanwhile.
ThroughputOutcome RunTest(const ThroughputRequest& r, double* longestGapMs = nullptr) {
    CThroughputRunner runner;
    ThroughputOutcome outcome;
    bool done = false;
    QObject::connect(&runner, &CThroughputRunner::finished, [&](const ThroughputOutcome& o) {
        outcome = o;
        done = true;
    });
    QElapsedTimer gap;
    double longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, gap.nsecsElapsed() / 1e6);
        gap.restart();
    });
    gap.start();
    tick.start(1);
    runner.Start(r);
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (longestGapMs) *longestGapMs = longest;
    return outcome;
}

// Seconds `iperf3 -c` takes for one run of `seconds` (upload, or with
// `reverse` download) and its upload Mbit/s.
double Iperf3Alone(int seconds, bool reverse, double* mbps = nullptr) {
    QStringList args = {"-c",    "127.0.0.1",
                        "-p",    QString::number(TheServer().port),
                        "-t",    QString::number(seconds),
                        "--json"};
    if (reverse) args << "-R";
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(QStringLiteral("iperf3"), args);
    p.waitForFinished(40000);
    const double took = t.nsecsElapsed() / 1e9;
    if (mbps) *mbps = ReadIperfJson(p.readAllStandardOutput(), ThroughputPhase::kUpload).mbps;
    return took;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The runner's test of two 1-second directions, its time beyond the 2 s,
// and beside it the same two runs of iperf3 alone: the difference is the
// runner's own share.
void BM_Overhead(benchmark::State& state) {
    std::vector<double> runner, alone;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        const ThroughputOutcome o = RunTest(Request(1));
        const double beyond = t.nsecsElapsed() / 1e9 - 2.0;
        if (!o.Measured()) state.SkipWithError(o.reason.c_str());
        state.SetIterationTime(beyond);
        runner.push_back(beyond * 1000);
        alone.push_back((Iperf3Alone(1, true) + Iperf3Alone(1, false) - 2.0) * 1000);
    }
    state.counters["runner_beyond_ms"] = Median(runner);
    state.counters["iperf3_alone_beyond_ms"] = Median(alone);
    state.counters["runner_own_ms"] = Median(runner) - Median(alone);
}
BENCHMARK(BM_Overhead)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Upload Mbit/s of the runner and of iperf3 alone, alternating, medians.
void BM_VersusIperf3Alone(benchmark::State& state) {
    std::vector<double> alone, runner;
    for (auto _ : state) {
        double mbps = 0;
        Iperf3Alone(2, false, &mbps);
        alone.push_back(mbps);
        const ThroughputOutcome o = RunTest(Request(2));
        if (!o.Measured()) state.SkipWithError(o.reason.c_str());
        runner.push_back(o.figures ? o.figures->upMbps : 0);
    }
    state.counters["alone_mbps"] = Median(alone);
    state.counters["runner_mbps"] = Median(runner);
    state.counters["ratio"] = Median(alone) > 0 ? Median(runner) / Median(alone) : 0;
}
BENCHMARK(BM_VersusIperf3Alone)->Iterations(5)->Unit(benchmark::kSecond);

// The longest gap of a 1 ms timer while a test runs, and while nothing does
// (what the machine's scheduler costs by itself).
void BM_UiStall(benchmark::State& state) {
    double worst = 0, idle = 0;
    for (auto _ : state) {
        double gap = 0;
        RunTest(Request(1), &gap);
        worst = std::max(worst, gap);
        QElapsedTimer t;
        t.start();
        double quiet = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QElapsedTimer g;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            quiet = std::max(quiet, g.nsecsElapsed() / 1e6);
            g.restart();
        });
        g.start();
        tick.start(1);
        while (t.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        idle = std::max(idle, quiet);
    }
    state.counters["longest_stall_ms"] = worst;
    state.counters["idle_longest_gap_ms"] = idle;
}
BENCHMARK(BM_UiStall)->Iterations(3)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
