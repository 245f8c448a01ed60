// The desktop layout's map: the whole repaint of a 10,000 x 7,000 plan with
// 2,000 circles into a 1920 x 1080 window (the plan whole, zoomed to 0.6 and
// zoomed to 5 screen pixels a plan pixel), with the coverage map off, on
// (the grid built anew), after a new point, after a pan and a zoom; a repaint that
// changed nothing; building the plan's
// pyramid, on a drawn plan and on one whose every 2 x 2 block is mixed.
// The pyramid's peak memory is measured by bench_app (BM_PeakResidentPyramid).

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "aplist/ApList.h"
#include "coverage/CoverageMap.h"
#include "coverage/CoverageOverlay.h"
#include "screens/DesktopPainting.h"
#include "site/SiteFile.h"

namespace {

constexpr int32_t kWidth = 10000, kHeight = 7000;
constexpr int32_t kWindowW = 1920, kWindowH = 1080;

// Mixed: every pixel differs from its neighbours, the pyramid's worst case.
// Drawn: white, with walls, thin lines and lettering, as plans are.
MapBitmap MakePlan(bool drawn) {
    MapBitmap plan;
    plan.width = kWidth;
    plan.height = kHeight;
    plan.stride = kWidth;
    for (int i = 0; i < 256; ++i) plan.colorTable[i] = 0x010101u * static_cast<uint32_t>(i);
    if (!plan.bits.Allocate(size_t{kWidth} * kHeight)) return plan;
    std::mt19937 rng(7);
    for (int32_t y = 0; y < kHeight; ++y) {
        uint8_t* row = plan.bits.data() + static_cast<size_t>(y) * kWidth;
        for (int32_t x = 0; x < kWidth; ++x) {
            if (!drawn) {
                row[x] = static_cast<uint8_t>((x ^ y) & 0xFF);
                continue;
            }
            const bool wall = x % 400 < 8 || y % 300 < 8;
            const bool line = x % 37 == 0 || y % 53 == 0;
            const bool text =
                x % 400 > 50 && x % 400 < 200 && y % 300 > 140 && y % 300 < 152 && rng() % 3 == 0;
            row[x] = wall || text ? 0 : line ? 90 : 255;
        }
    }
    return plan;
}

const MapBitmap& Plan() {
    static const MapBitmap plan = MakePlan(false);
    return plan;
}

const CPlanPyramid& Pyramid() {
    static const CPlanPyramid pyramid = [] {
        CPlanPyramid p;
        p.Build(Plan());
        return p;
    }();
    return pyramid;
}

// 2,000 points spread over the plan, each a circle and one access point.
struct Survey {
    CCircleLog circles;
    CApList points;
};
Survey& Points() {
    static Survey s;
    if (s.points.IsEmpty()) {
        std::mt19937 rng(1);
        for (int i = 0; i < 2000; ++i) {
            ApRecord* r = nullptr;
            if (s.points.NewRecord(r) != CApList::kOk) std::abort();  // out of memory
            r->x = static_cast<int32_t>(rng() % kWidth);
            r->y = static_cast<int32_t>(rng() % kHeight);
            std::strcpy(r->pointName, "TEST");
            r->channel = 6;
            r->rssi = -30 - static_cast<int32_t>(rng() % 70);
            s.points.AddTail(r);
            s.circles.Add(r->x, r->y, r->rssi, 1);
        }
    }
    return s;
}

// range(0): 0 the whole plan, 1 zoomed to 0.6, 2 zoomed to 5 screen pixels
// a plan pixel (about the middle of the plan).
CDesktopViewport View(const benchmark::State& state) {
    CDesktopViewport vp;
    vp.SetClient(kWindowW, kWindowH);
    vp.SetWorld(kWidth, kHeight);
    const double zoom[] = {1, 4, 32};
    vp.ZoomAt(zoom[state.range(0)], kWindowW / 2.0, kWindowH / 2.0);
    return vp;
}

void Label(benchmark::State& state, const CDesktopViewport& vp) {
    char text[64];
    std::snprintf(text, sizeof text, "scale %.3f", vp.Scale());
    state.SetLabel(text);
}

// range(1): 0 rendered anew, 1 nothing changed (the scan panel or the
// cursor repainted over the map: the kept picture copied).
void BM_DesktopRepaint(benchmark::State& state) {
    const CDesktopViewport vp = View(state);
    QImage window(kWindowW, kWindowH, QImage::Format_RGB32);
    CDesktopMapPainter painter;
    for (auto _ : state) {
        if (state.range(1) == 0) painter.Forget();
        QPainter p(&window);
        painter.Paint(p, window.rect(), vp, Plan(), Pyramid(), Points().circles);
        p.end();
        benchmark::DoNotOptimize(window.constBits());
    }
    Label(state, vp);
}
BENCHMARK(BM_DesktopRepaint)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);

// range(1): cells of 1 x 1 or 2 x 2 pixels; range(2): 0 switched on (the
// grid built anew before each paint, on fresh memory), 1 after a new point
// at the cursor, 2 a pan by 3 pixels (the plan's coat moved, the grid built
// anew in the memory kept), 3 a zoom by a notch of the wheel, in and out
// in turn (the plan rendered anew as well).
void BM_DesktopRepaintWithCoverage(benchmark::State& state) {
    CDesktopViewport vp = View(state);
    QImage window(kWindowW, kWindowH, QImage::Format_RGB32);
    CDesktopMapPainter painter;
    CCoverageMap coverage;
    Survey& s = Points();
    const int32_t block = static_cast<int32_t>(state.range(1));
    CoverageView view = CoverageView::Of(vp, 1.0, block);
    coverage.Update(s.points, view);
    int step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ApRecord* added = nullptr;
        if (state.range(2) == 0) {
            coverage.Release();
        } else if (state.range(2) == 2) {
            vp.ScrollBy(step++ % 2 == 0 ? 3 : -3, 0);
            view = CoverageView::Of(vp, 1.0, block);
        } else if (state.range(2) == 3) {
            constexpr double kNotch = 1.4142135623730951;
            vp.ZoomAt(step++ % 2 == 0 ? kNotch : 1 / kNotch, kWindowW / 2.0, kWindowH / 2.0);
            view = CoverageView::Of(vp, 1.0, block);
        } else {
            if (s.points.NewRecord(added) != CApList::kOk) std::abort();  // out of memory
            added->x = vp.GetCenterX() + step % 40 - 20;
            added->y = vp.GetCenterY() + step / 40 % 40 - 20;
            ++step;
            std::strcpy(added->pointName, "TEST");
            added->channel = 6;
            added->rssi = -45;
            s.points.AddTail(added);
        }
        state.ResumeTiming();
        CCoverageOverlay overlay(coverage.Update(s.points, view, &painter.Share()));
        QPainter p(&window);
        painter.Paint(p, window.rect(), vp, Plan(), Pyramid(), s.circles, &overlay,
                      coverage.Revision());
        p.end();
        benchmark::DoNotOptimize(window.constBits());
    }
    // The added points go again, so that every case sees the same survey.
    while (s.points.Count() > 2000) s.points.Remove(const_cast<ApRecord*>(s.points.Last()));
    Label(state, vp);
}
BENCHMARK(BM_DesktopRepaintWithCoverage)
    ->ArgsProduct({{0, 1, 2}, {1, 2}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond);

// range(0): 0 the mixed plan, 1 the drawn one.
void BM_BuildPyramid(benchmark::State& state) {
    static const MapBitmap drawn = MakePlan(true);
    const MapBitmap& plan = state.range(0) != 0 ? drawn : Plan();
    CPlanPyramid pyramid;
    for (auto _ : state)
        if (!pyramid.Build(plan)) state.SkipWithError("out of memory");
    state.counters["levels"] = static_cast<double>(pyramid.LevelCount());
    state.counters["bytes_per_plan"] =
        static_cast<double>(pyramid.Bytes()) / (double{kWidth} * kHeight);
    state.SetLabel(state.range(0) != 0 ? "drawn plan" : "mixed plan");
}
BENCHMARK(BM_BuildPyramid)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
