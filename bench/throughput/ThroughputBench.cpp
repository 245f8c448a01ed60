// The throughput test against a real iperf3 server on 127.0.0.1 (started
// here at a free port):
// - Overhead: a test of 1-second directions (download and upload), its time
//   beyond those 2 seconds: starting iperf3, its connections, its answer,
//   the reading (aim: 100 ms or less).
// - VersusIperf3Alone: the upload's Mbit/s through the runner against
//   `iperf3 -c` run alone just before, both 2-second runs (aim: 0.9x or more).
// - UiStall: the longest the event loop of the thread that runs the test is
//   kept from a 1 ms timer while a test runs (aim: 5 ms or less), as the
//   thread's own processor time between two ticks (busy: what the program
//   does there) and as the ticks' gaps (what the machine adds), beside the
//   timer alone in the same rounds; UiStallVariants the same for other ways
//   of scheduling the thread and the client, alternating.

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
#include "ThreadCpu.h"
#include "throughput/IperfJson.h"
#include "throughput/SchedulingSlice.h"
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

// The gaps between ticks of a 1 ms timer on this thread, in ms, and the
// thread's own processor time in each gap: what the program kept the event
// loop busy with, whatever else ran on the shared machine meanwhile.
struct Ticks {
    std::vector<double> gaps, busy;
};

class GapProbe {
public:
    GapProbe() {
        m_tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            const int64_t cpu = ThreadCpuNs();
            m_ticks.gaps.push_back(m_gap.nsecsElapsed() / 1e6);
            m_ticks.busy.push_back((cpu - m_cpu) / 1e6);
            m_cpu = cpu;
            m_gap.restart();
        });
        m_cpu = ThreadCpuNs();
        m_gap.start();
        m_tick.start(1);
    }
    const Ticks& Taken() const { return m_ticks; }

private:
    QElapsedTimer m_gap;
    int64_t m_cpu = 0;
    QTimer m_tick;
    Ticks m_ticks;
};

// Runs one test to its end; the timer's ticks meanwhile.
ThroughputOutcome RunTest(const ThroughputRequest& r, Ticks* ticks = nullptr,
                          const ThroughputScheduling& scheduling = {}) {
    CThroughputRunner runner;
    runner.SetScheduling(scheduling);
    ThroughputOutcome outcome;
    bool done = false;
    QObject::connect(&runner, &CThroughputRunner::finished, [&](const ThroughputOutcome& o) {
        outcome = o;
        done = true;
    });
    GapProbe probe;
    runner.Start(r);
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (ticks) *ticks = probe.Taken();
    return outcome;
}

// The timer's ticks over `ms` with nothing running.
Ticks IdleTicks(int ms) {
    GapProbe probe;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return probe.Taken();
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

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

double Longest(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// What one way of scheduling gave over its tests.
struct StallFigures {
    std::vector<double> gaps;     // every gap of every test
    std::vector<double> longest;  // each test's longest
    std::vector<double> busiest;  // each test's longest busy stretch
    std::vector<double> up, down;
    void Add(const Ticks& t, const ThroughputOutcome& o) {
        gaps.insert(gaps.end(), t.gaps.begin(), t.gaps.end());
        longest.push_back(Longest(t.gaps));
        busiest.push_back(Longest(t.busy));
        up.push_back(o.figures ? o.figures->upMbps : 0);
        down.push_back(o.figures ? o.figures->downMbps : 0);
    }
    void Report(benchmark::State& state, const std::string& name) const {
        state.counters[name + "_longest_ms"] = Longest(longest);
        state.counters[name + "_median_longest_ms"] = Median(longest);
        state.counters[name + "_p99_ms"] = Percentile(gaps, 0.99);
        state.counters[name + "_busy_longest_ms"] = Longest(busiest);
        state.counters[name + "_busy_median_ms"] = Median(busiest);
        if (!up.empty()) {
            state.counters[name + "_up_mbps"] = Median(up);
            state.counters[name + "_down_mbps"] = Median(down);
        }
    }
};

struct Variant {
    const char* name;
    ThroughputScheduling scheduling;
    bool test = true;  // false: the timer alone, at the variant's thread slice
};

// The timer's gaps while a test of 1-second directions runs, each way of
// scheduling in turn (the first of each round changing), and with nothing
// running (what the machine's scheduler costs by itself), in the same
// rounds: the longest, the median of each test's longest and the 99th
// percentile of all gaps; and each way's download and upload.
void StallRounds(benchmark::State& state, const std::vector<Variant>& variants) {
    std::vector<StallFigures> figures(variants.size());
    size_t round = 0;
    for (auto _ : state) {
        for (size_t k = 0; k < variants.size(); ++k) {
            const size_t v = (round + k) % variants.size();
            if (variants[v].test) {
                Ticks ticks;
                const ThroughputOutcome o = RunTest(Request(1), &ticks, variants[v].scheduling);
                if (!o.Measured()) state.SkipWithError(o.reason.c_str());
                figures[v].Add(ticks, o);
            } else {
                const std::optional<uint64_t> own = schedslice::Slice();
                schedslice::SetSlice(variants[v].scheduling.threadSliceNs);
                const Ticks ticks = IdleTicks(2000);
                if (own) schedslice::SetSlice(*own);
                figures[v].Add(ticks, {});
                figures[v].up.clear();
                figures[v].down.clear();
            }
        }
        ++round;
    }
    for (size_t v = 0; v < variants.size(); ++v) figures[v].Report(state, variants[v].name);
}

constexpr uint64_t kMs = 1000000;

// The runner as the program runs it.
void BM_UiStall(benchmark::State& state) {
    StallRounds(state, {{"idle", {0, false, 0}, false}, {"test", {}}});
}
BENCHMARK(BM_UiStall)->Iterations(5)->Unit(benchmark::kSecond);

// Ways of scheduling, alternating in the same rounds.
void BM_UiStallVariants(benchmark::State& state) {
    StallRounds(state, {
                           {"idle", {0, false, 0}, false},
                           {"idle_thread_0.1ms", {kMs / 10, false, 0}, false},
                           {"plain", {0, false, 0}},
                           {"thread_0.1ms", {kMs / 10, false, 0}},
                           {"thread_0.5ms", {kMs / 2, false, 0}},
                           {"thread_0.1ms_own_session", {kMs / 10, true, 0}},
                       });
}
BENCHMARK(BM_UiStallVariants)->Iterations(8)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
