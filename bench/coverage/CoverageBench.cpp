// The coverage grid with 1,000 points on a 10,000 x 7,000 plan: building it
// when the map is switched on, bringing it up to date after a new point, and
// an update that finds nothing new (every repaint makes one). Clients of
// 240 x 268 (scale 1) and 720 x 804 (scale 3), one cell per client pixel;
// the whole plan in view and zoomed in four times; points spread over the
// plan or walked 50 px apart over a 2,000 x 1,250 px part of it (the worst
// case: zoomed in on it, every cell lies within reach of about five points).

#include <benchmark/benchmark.h>

#include <random>

#include "CoverageSurvey.h"
#include "ThreadCpu.h"
#include "coverage/CoverageMap.h"

namespace {

using coveragesurvey::AddPoint;
using coveragesurvey::kPlanH;
using coveragesurvey::kPlanW;

constexpr int32_t kPoints = 1000;
constexpr int32_t kWalkX = 4000, kWalkY = 3000, kWalkW = 2000;

CApList& Survey(bool walked) {
    static CApList spread, walk;
    CApList& s = walked ? walk : spread;
    if (s.IsEmpty()) {
        std::mt19937 rng(3);
        std::uniform_int_distribution<int32_t> px(0, kPlanW - 1), py(0, kPlanH - 1);
        for (int i = 0; i < kPoints; ++i) {
            if (walked) {  // rows 50 px apart, back and forth
                const int32_t row = i / (kWalkW / 50), step = i % (kWalkW / 50);
                AddPoint(s, kWalkX + 50 * (row % 2 ? kWalkW / 50 - 1 - step : step),
                         kWalkY + 50 * row);
            } else {
                AddPoint(s, px(rng), py(rng));
            }
        }
    }
    return s;
}

double ThreadSeconds() { return static_cast<double>(ThreadCpuNs()) * 1e-9; }

// range(0): scale 1 or 3; range(1): zoomed in; range(2): walked survey;
// range(3): cell size in client pixels.
CoverageView View(const benchmark::State& state) {
    CMapViewport vp;
    vp.SetWorld(kPlanW, kPlanH);
    vp.SetView(kPlanW, kPlanH);
    if (state.range(1)) {
        for (int i = 0; i < 4; ++i) vp.ZoomIn();
        vp.SetCenterX(kWalkX + kWalkW / 2);
        vp.SetCenterY(kWalkY + 600);
    }
    const int32_t scale = static_cast<int32_t>(state.range(0));
    return CoverageView::Of(vp, 240 * scale, 268 * scale, static_cast<int32_t>(state.range(3)));
}

void Label(benchmark::State& state) {
    state.SetLabel(std::string(state.range(0) == 1 ? "240x268" : "720x804") +
                   (state.range(1) ? " zoomed" : " whole") +
                   (state.range(2) ? " walked" : " spread") +
                   (state.range(3) > 1 ? " 3x3 cells" : ""));
}

void BM_SwitchOn(benchmark::State& state) {
    const CApList& survey = Survey(state.range(2) != 0);
    const CoverageView view = View(state);
    CCoverageMap map;
    for (auto _ : state) {
        map.Release();
        benchmark::DoNotOptimize(map.Update(survey, view).Bands().data());
    }
    Label(state);
}

void BM_NewPoint(benchmark::State& state) {
    CApList& survey = Survey(state.range(2) != 0);
    const CoverageView view = View(state);
    const int32_t cx = (view.visible.left + view.visible.right) / 2;
    const int32_t cy = (view.visible.top + view.visible.bottom) / 2;
    CCoverageMap map;
    map.Update(survey, view);
    for (auto _ : state) {
        const double start = ThreadSeconds();
        AddPoint(survey, cx + 7, cy + 5);  // a new place at the cursor
        benchmark::DoNotOptimize(map.Update(survey, view).Bands().data());
        const double end = ThreadSeconds();
        if (map.LastUpdate() != CCoverageMap::UpdateKind::Incremental)
            state.SkipWithError("not incremental");
        state.SetIterationTime(end - start);
        for (int i = 0; i < 10; ++i) survey.Remove(survey.Sentinel()->prev);
        map.Update(survey, view);
    }
    Label(state);
}

void BM_Unchanged(benchmark::State& state) {
    const CApList& survey = Survey(state.range(2) != 0);
    const CoverageView view = View(state);
    CCoverageMap map;
    map.Update(survey, view);
    for (auto _ : state) benchmark::DoNotOptimize(map.Update(survey, view).Bands().data());
    Label(state);
}

void Views(benchmark::internal::Benchmark* b) {
    for (int64_t walked : {0, 1})
        for (int64_t scale : {1, 3})
            for (int64_t zoomed : {0, 1}) b->Args({scale, zoomed, walked, 1});
    // At scale 3, cells of 3 x 3 pixels have the size of scale 1's.
    b->Args({3, 1, 1, 3});
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_SwitchOn)->Apply(Views);
BENCHMARK(BM_NewPoint)->Apply(Views)->UseManualTime();
BENCHMARK(BM_Unchanged)->Args({1, 0, 0, 1})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
