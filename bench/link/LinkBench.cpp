// link_bench: figures for the board link on a pseudo-terminal.
//   1. latency from QueueTx on a quiet line to the request's last byte at the
//      board side (median and 99th percentile over 200 requests);
//   2. CPU time of the worker with a silent board;
//   3. CPU time of the worker while the device is gone;
//   4. the whole stop (worker, link with its one-second pause, port) on a line
//      that never drains, with a full outbox (median and maximum of 5).
// Usage: link_bench [--seconds N]   (default 10: about N/2 s each for 2 and 3)

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BoardPty.h"
#include "link/BoardLink.h"
#include "link/BoardWorker.h"
#include "board/ScannerBoard.h"

namespace {

using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5));
    return v[i];
}

double MeasureCpu(CBoardWorker& worker, double seconds) {
    const double before = worker.CpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    return 100.0 * (worker.CpuSeconds() - before) / wall;
}

// One stop on a stalled line, in seconds.
double StalledStop() {
    BoardPty pty;
    CScannerBoard board;
    BoardLinkOptions options;
    options.portOverride = pty.SlavePath();
    options.board = &board;  // closePause stays the program's 1000 ms
    auto link = std::make_unique<CBoardLink>(options);
    CBoardWorker worker(*link);
    worker.Start();
    FillUntilRefused(link->Port().Fd());
    for (size_t i = 0; i < CTxQueue::kDefaultCapacity; ++i) board.RequestScan();
    while (link->Outbox().Size() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto t0 = Clock::now();
    worker.Stop();
    link.reset();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 10;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--seconds") seconds = std::atof(argv[++i]);

    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("pellorin-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path device = dir / "board";
    auto pty = std::make_unique<BoardPty>();
    fs::create_symlink(pty->SlavePath(), device);

    CScannerBoard board;
    BoardLinkOptions linkOptions;
    linkOptions.portOverride = device.string();
    linkOptions.board = &board;
    linkOptions.closePause = std::chrono::milliseconds(0);
    auto link = std::make_unique<CBoardLink>(linkOptions);
    CBoardWorker worker(*link);
    worker.Start();

    // 1. Latency of a request on a quiet line.
    std::vector<double> latencies;
    const uint8_t request[] = {0x11, 0x12, 0x16, 0x00, 0x11, 0x13};
    for (int i = 0; i < 200; ++i) {
        std::this_thread::sleep_for(
            std::chrono::milliseconds(3 + i % 7));  // land anywhere in a read
        const auto t0 = Clock::now();
        link->QueueTx(request, sizeof request);
        if (pty->Read(sizeof request, std::chrono::milliseconds(2000)).size() != sizeof request) {
            std::fprintf(stderr, "link_bench: request %d did not arrive\n", i);
            return 1;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::printf(
        "request latency on a quiet line (200 requests): median %.3f ms, p99 %.3f ms, max %.3f "
        "ms\n",
        Percentile(latencies, 0.5), Percentile(latencies, 0.99),
        *std::max_element(latencies.begin(), latencies.end()));

    // 2. Silent board.
    const double silent = MeasureCpu(worker, seconds / 2);
    std::printf("worker CPU, silent board, %.0f s: %.4f %% of one core\n", seconds / 2, silent);

    // 3. Device gone (the worker retries every two seconds).
    pty.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (worker.Connected())
        std::fprintf(stderr, "link_bench: the worker did not notice the hang-up\n");
    const double gone = MeasureCpu(worker, seconds / 2);
    std::printf("worker CPU, device gone, %.0f s: %.4f %% of one core\n", seconds / 2, gone);

    worker.Stop();
    link.reset();
    fs::remove_all(dir);

    // 4. Stop on a stalled line.
    std::vector<double> stops;
    for (int i = 0; i < 5; ++i) stops.push_back(StalledStop());
    std::printf("stop on a line that never drains, full outbox: median %.3f s, max %.3f s\n",
                Percentile(stops, 0.5), *std::max_element(stops.begin(), stops.end()));
    return 0;
}
