// Decoding speed of the board protocol: a recorded stream of report frames
// through ReceiveStep, DispatchFrame and MergeReport, driven one byte at a
// time as the board worker drives it. The board link runs at 38400 baud
// (under 4 kB/s), so anything in the MB/s range leaves the worker idle.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "aplist/ApList.h"
#include "board/ScannerBoard.h"

namespace {

class NullNotifier : public IDrawNotifier {
public:
    void PostTalvDraw() override { ++draws; }
    long draws = 0;
};

class ReportCatcher : public IFrameObserver {
public:
    void OnFrameDispatched(uint8_t type, const uint8_t* payload, uint16_t length,
                           bool checksumOk) override {
        if (report.empty() && checksumOk && type == MSG_SCAN_REPORT && length > 0)
            report.assign(payload, payload + length - 1);  // without the checksum
    }
    std::vector<uint8_t> report;
};

std::vector<uint8_t> LoadStream() {
    std::ifstream in(PELLORIN_TEST_DATA "/board/report_stream.bin", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

// The worker's loop without the port: a step that asks for no read is
// repeated with the previous result.
void Feed(CScannerBoard& board, const std::vector<uint8_t>& stream) {
    uint8_t byte = 0;
    uint32_t count = 0;
    for (size_t pos = 0; pos < stream.size();) {
        if (board.ReceiveStep(&byte, count) == 1) {
            byte = stream[pos++];
            count = 1;
        }
    }
    while (board.ReceiveStep(&byte, count) == 0) {
    }
}

void BM_DecodeReportStream(benchmark::State& state) {
    const std::vector<uint8_t> stream = LoadStream();
    if (stream.empty()) {
        state.SkipWithError("report_stream.bin not found");
        return;
    }
    NullNotifier notifier;
    theBoard.Reset();
    theBoard.SetNotifier(&notifier);
    for (auto _ : state) {
        // Each scan starts with an empty list, as BeginPoint leaves it.
        scanList.RemoveAll();
        Feed(theBoard, stream);
        benchmark::DoNotOptimize(scanList.First());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(stream.size()));
    state.counters["draws/iter"] =
        static_cast<double>(notifier.draws) / static_cast<double>(state.iterations());
    state.counters["aps"] = scanList.Count();
    theBoard.SetNotifier(nullptr);
    scanList.RemoveAll();
    theBoard.Reset();
}
BENCHMARK(BM_DecodeReportStream)->Unit(benchmark::kMicrosecond);

void BM_MergeReportOnly(benchmark::State& state) {
    // The merge alone: one report of 32 probes against a list of 40 records.
    const std::vector<uint8_t> stream = LoadStream();
    if (stream.empty()) {
        state.SkipWithError("report_stream.bin not found");
        return;
    }
    theBoard.Reset();
    scanList.RemoveAll();
    // Take the message of the first scan report as the receiver hands it
    // over; the replay also fills scanList with the 40 access points.
    ReportCatcher catcher;
    theBoard.SetFrameObserver(&catcher);
    Feed(theBoard, stream);
    theBoard.SetFrameObserver(nullptr);
    const std::vector<uint8_t>& report = catcher.report;
    if (report.empty()) {
        state.SkipWithError("no scan report in the stream");
        return;
    }
    for (auto _ : state) {
        theBoard.MergeReport(report.data(), report.size());
        benchmark::DoNotOptimize(scanList.First());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(report.size()));
    state.counters["aps"] = scanList.Count();
    scanList.RemoveAll();
    theBoard.Reset();
}
BENCHMARK(BM_MergeReportOnly);

}  // namespace

BENCHMARK_MAIN();
