// Paint time of the map (a 10,000 x 7,000 plan with 2,000 circles, whole and
// zoomed in, at scale 1 and 3) and of the scan screen with 30 APs; the time
// of painting one recorded point's circle and of taking one off; the map
// with the coverage map switched on and after a new point; Open of
// that site against reading its bytes, in time and in peak memory, and the
// peak the desktop map's pyramid of its plan adds.
//
// Peak memory is measured in a fresh child process per turn (this program
// started again with --peak-open or --peak-read), from its VmHWM; the child
// also times its one reading or Open (first_ms).

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BigSiteView.h"
#include "aplist/ApList.h"
#include "app/TambRUMOView.h"
#include "board/ScannerBoard.h"
#include "map/PlanPyramid.h"
#include "map/PointCircles.h"
#include "platform/MessageBoxes.h"
#include "screens/ViewScreen.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

extern char** environ;

namespace {

using bigsite::BigSite;
using bigsite::Content;
using bigsite::kHeight;
using bigsite::kWidth;
using bigsite::OpenedView;

constexpr uint64_t kPlanBytes = uint64_t{kWidth} * kHeight;  // rows of 10,000 need no padding

void PaintOnce(benchmark::State& state, CTambRUMOView& view, int scale,
               DisplayMode mode = DisplayMode::kSiteMap) {
    QImage target(240 * scale, 268 * scale, QImage::Format_RGB32);
    target.setDevicePixelRatio(scale);
    const ScreenContent content = Content(view, mode);
    for (auto _ : state) {
        QPainter p(&target);
        screens::PaintScreen(p, QRect(0, 0, 240, 268), content);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

void BM_MapWholePlan(benchmark::State& state) {
    CTambRUMOView& view = OpenedView();
    bigsite::ShowPlan(view, false);
    PaintOnce(state, view, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_MapWholePlan)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_MapZoomedIn(benchmark::State& state) {
    CTambRUMOView& view = OpenedView();
    bigsite::ShowPlan(view, true);
    PaintOnce(state, view, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_MapZoomedIn)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_ScanScreen30Aps(benchmark::State& state) {
    CTambRUMOView& view = OpenedView();
    theBoard.m_scanChannel = 6;
    scanList.RemoveAll();
    for (int i = 0; i < 30; ++i) {
        ApRecord* r = nullptr;
        if (scanList.NewRecord(r) != CApList::kOk) std::abort();  // out of memory
        r->channel = static_cast<uint8_t>(1 + i % 13);
        std::snprintf(r->macText, sizeof r->macText, "00112233%04X", i);
        std::snprintf(r->ssid, sizeof r->ssid, "network-%02d", i);
        r->rssi = -50 * 3 - i;
        r->readingCount = 3;
        scanList.AddTail(r);
    }
    PaintOnce(state, view, 1, DisplayMode::kScanScreen);
}
BENCHMARK(BM_ScanScreen30Aps)->Unit(benchmark::kMillisecond);

// A recorded point's circle on the layer of the big plan, each on fresh
// ground (new tiles), and the mending after such a point is deleted.
void BM_PaintRecordedCircle(benchmark::State& state) {
    CCircleLayer layer;
    layer.Reset(kWidth, kHeight);
    int32_t x = 20;
    for (auto _ : state) {
        PaintPointCircle(layer, x, 3500, -55);
        x = x + 45 < kWidth ? x + 45 : 20;
    }
}
BENCHMARK(BM_PaintRecordedCircle)->Unit(benchmark::kMicrosecond);

void BM_DeleteOneOf2000Circles(benchmark::State& state) {
    CCircleLayer layer;
    layer.Reset(kWidth, kHeight);
    CCircleLog log;
    std::mt19937 rng(2);
    for (int i = 0; i < 2000; ++i) {
        const auto cx = static_cast<int32_t>(rng() % kWidth),
                   cy = static_cast<int32_t>(rng() % kHeight);
        PaintPointCircle(layer, cx, cy, -60);
        log.Add(cx, cy, -60, 1);
    }
    for (auto _ : state) {
        const std::vector<LoggedCircle> gone = log.RemoveRecords(1000, 1);
        MendDeletedCircles(layer, log, gone);
        state.PauseTiming();
        PaintPointCircle(layer, gone[0].x, gone[0].y, gone[0].strength);
        log.Add(gone[0].x, gone[0].y, gone[0].strength, 1);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteOneOf2000Circles)->Unit(benchmark::kMicrosecond);

// The map with the coverage map on (bigsite::CoverageRepaints) over the
// 2,000 points: switched on (the grid built anew), and back on the map after
// a new point (the grid brought up to date by its disc).
void BM_CoverageSwitchedOn(benchmark::State& state) {
    bigsite::CoverageRepaints(state, surveyList, [](CTambRUMOView& view) {
        view.Coverage().SetShown(false);  // frees the grid
        view.Coverage().SetShown(true);
    });
}

void BM_CoverageAfterNewPoint(benchmark::State& state) {
    int32_t step = 0;
    bigsite::CoverageRepaints(state, surveyList, [&step](CTambRUMOView& view) {
        // A point at the cursor (a new place each time, as a walk goes on).
        ApRecord* r = nullptr;
        if (surveyList.NewRecord(r) != CApList::kOk) std::abort();  // out of memory
        r->x = view.Map().Viewport().GetCenterX() + (step % 40) - 20;
        r->y = view.Map().Viewport().GetCenterY() + (step / 40 % 40) - 20;
        ++step;
        std::strcpy(r->pointName, "TEST");
        r->channel = 6;
        r->rssi = -45;
        surveyList.AddTail(r);
    });
}

BENCHMARK(BM_CoverageSwitchedOn)->ArgsProduct({{1, 3}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoverageAfterNewPoint)->ArgsProduct({{1, 3}, {0, 1}})->Unit(benchmark::kMillisecond);

// Open's yardstick: the file's bytes read in one call into fresh memory of
// the kind Open keeps a plan in (ByteBlock, huge pages where the kernel
// gives them), so the two differ only by what Open does besides the reading.
bool ReadAllBytes(const std::string& path, ByteBlock& bytes) {
    FileSource src(path);
    return bytes.Allocate(src.Size()) && src.ReadAt(0, bytes.data(), bytes.size()) == bytes.size();
}

double MsSince(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Both repeated benchmarks take untimed turns first (the reading one, Open
// two), and give the median of their turns (median_ms) beside the mean: on
// a virtual machine whose balloon takes back free memory (free page
// reporting), a turn that lands on memory the host has taken back can wait
// 10-200 ms on the host, in the reading and in Open alike; the median is
// what a turn costs, the mean what the run took. The first Open of a
// process, with what it costs, is BM_PeakResidentOpen's first_ms.
void BM_ReadBigSiteBytes(benchmark::State& state) {
    const std::string& path = BigSite();
    {
        ByteBlock untimed;
        if (!ReadAllBytes(path, untimed)) state.SkipWithError("the site could not be read");
    }
    std::vector<double> turns;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        {
            ByteBlock bytes;
            if (!ReadAllBytes(path, bytes)) state.SkipWithError("the site could not be read");
            benchmark::DoNotOptimize(bytes.data());
        }
        turns.push_back(MsSince(start));
    }
    state.counters["median_ms"] = Median(turns);
}
BENCHMARK(BM_ReadBigSiteBytes)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same into ordinary memory (4 kB pages, never written before): what
// the plan's huge pages save.
void BM_ReadBigSiteBytesIntoOrdinaryMemory(benchmark::State& state) {
    const std::string& path = BigSite();
    for (auto _ : state) {
        FileSource src(path);
        const std::unique_ptr<uint8_t[]> bytes(new uint8_t[src.Size()]);
        if (src.ReadAt(0, bytes.get(), src.Size()) != src.Size())
            state.SkipWithError("the site could not be read");
        benchmark::DoNotOptimize(bytes.get());
    }
}
BENCHMARK(BM_ReadBigSiteBytesIntoOrdinaryMemory)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenBigSite(benchmark::State& state) {
    platform::SetMessageBoxes(&bigsite::Answers());
    bigsite::Answers().answer = platform::IDYES;
    const QString path = QString::fromStdString(BigSite());
    CTambRUMOView view;
    view.resize(240, 268);
    // Two untimed turns, as a repeated Open holds two plans: the reading's
    // one untimed turn touches all the memory its timed turns use.
    for (int i = 0; i < 2; ++i)
        if (!view.OpenSitePath(path)) state.SkipWithError("the site could not be opened");
    std::vector<double> turns;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(view.OpenSitePath(path));
        turns.push_back(MsSince(start));
    }
    state.counters["median_ms"] = Median(turns);
    bigsite::Answers().answer = platform::IDNO;
}
BENCHMARK(BM_OpenBigSite)->Unit(benchmark::kMillisecond)->Iterations(5);

// Kilobytes of a /proc/self/status line ("VmRSS:", "VmHWM:").
long StatusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(key), nullptr, 10);
    return -1;
}

// In the child: prints "<resident before> <peak>" in kB and the time the
// reading or the Open took, in ms: the first in a fresh process, as a
// surveyor's Open is.
int MeasurePeak(const char* what, const std::string& path) {
    if (std::strcmp(what, "--peak-pyramid") == 0) {  // the plan read, then its pyramid
        FileSource src(path);
        CSiteRecord site;
        MapBitmap plan;
        if (!ReadSiteHeader(src, site).ok || !ReadMapBitmap(src, site.BitmapOffset(), plan).ok)
            return 1;
        const long before = StatusKb("VmHWM:");
        const auto start = std::chrono::steady_clock::now();
        CPlanPyramid pyramid;
        if (!pyramid.Build(plan)) return 1;
        const double ms = MsSince(start);
        std::printf("%ld %ld %.3f\n", before, StatusKb("VmHWM:"), ms);
        return 0;
    }
    if (std::strcmp(what, "--peak-read") == 0) {
        const long before = StatusKb("VmRSS:");
        const auto start = std::chrono::steady_clock::now();
        ByteBlock bytes;
        const bool read = ReadAllBytes(path, bytes);
        const double ms = MsSince(start);
        if (!read) return 1;
        std::printf("%ld %ld %.3f\n", before, StatusKb("VmHWM:"), ms);
        return 0;
    }
    int argc = 1;
    char name[] = "bench_app";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    platform::SetMessageBoxes(&bigsite::Answers());
    bigsite::Answers().answer = platform::IDYES;
    CTambRUMOView view;
    view.resize(240, 268);
    const long before = StatusKb("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    if (!view.OpenSitePath(QString::fromStdString(path))) return 1;
    const double ms = MsSince(start);
    std::printf("%ld %ld %.3f\n", before, StatusKb("VmHWM:"), ms);
    return 0;
}

// Runs this program again as a child measuring `what`; false on failure.
bool ChildPeak(const char* what, long& beforeKb, long& peakKb, double& ms) {
    int out[2];
    if (::pipe(out) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string self = "/proc/self/exe", flag = what, path = BigSite();
    char* argv[] = {self.data(), flag.data(), path.data(), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    char text[64] = {};
    const ssize_t n = rc == 0 ? ::read(out[0], text, sizeof text - 1) : -1;
    ::close(out[0]);
    int status = 0;
    if (rc == 0) ::waitpid(pid, &status, 0);
    return n > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           std::sscanf(text, "%ld %ld %lf", &beforeKb, &peakKb, &ms) == 3;
}

// One child per turn: first_ms is the median of the turns' first readings
// or Opens (first_max_ms the slowest, for the same reason as median_ms
// above), the peak the largest growth of any turn.
void PeakOf(benchmark::State& state, const char* what) {
    long growth = 0, peak = 0;
    std::vector<double> firsts;
    for (auto _ : state) {
        long before = 0, top = 0;
        double ms = 0;
        if (!ChildPeak(what, before, top, ms)) {
            state.SkipWithError("the child failed");
            break;
        }
        firsts.push_back(ms);
        if (top - before > growth) {
            growth = top - before;
            peak = top;
        }
    }
    state.counters["first_ms"] = Median(firsts);
    state.counters["first_max_ms"] =
        firsts.empty() ? 0 : *std::max_element(firsts.begin(), firsts.end());
    const double planMb = static_cast<double>(kPlanBytes) / (1024.0 * 1024.0);
    state.counters["plan_MB"] = planMb;
    state.counters["peak_MB"] = static_cast<double>(peak) / 1024.0;
    state.counters["growth_MB"] = static_cast<double>(growth) / 1024.0;
    state.counters["growth_per_plan"] = static_cast<double>(growth) / 1024.0 / planMb;
}

void BM_PeakResidentReadingBytes(benchmark::State& state) { PeakOf(state, "--peak-read"); }
BENCHMARK(BM_PeakResidentReadingBytes)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PeakResidentOpen(benchmark::State& state) { PeakOf(state, "--peak-open"); }
BENCHMARK(BM_PeakResidentOpen)->Unit(benchmark::kMillisecond)->Iterations(5);

// The desktop map's pyramid of that plan: what it adds to the peak beyond
// the plan read (growth_MB, growth_per_plan) and its building time.
void BM_PeakResidentPyramid(benchmark::State& state) { PeakOf(state, "--peak-pyramid"); }
BENCHMARK(BM_PeakResidentPyramid)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::strncmp(argv[1], "--peak-", 7) == 0) return MeasurePeak(argv[1], argv[2]);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
