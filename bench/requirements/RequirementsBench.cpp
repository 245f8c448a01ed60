// The requirement's figures and shares for 2,000 points on a 10,000 x 7,000
// plan: each point's figures and verdict for the voice requirement, and the
// share of the surveyed area that passes, at the default radius and at
// larger ones (whose discs overlap more). Points of ten access points each,
// spread over the plan or walked 50 px apart over a 2,500 x 2,000 px part of
// it (every place within reach of some fifteen points).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>

#include "CoverageSurvey.h"
#include "requirements/AreaShare.h"
#include "requirements/PointFigures.h"

namespace {

constexpr int32_t kPlanW = 10000, kPlanH = 7000, kPoints = 2000;

void AddPoint(CApList& survey, int32_t x, int32_t y, std::mt19937& rng) {
    std::uniform_int_distribution<int> mac(0, 39), dbm(-90, -40), channel(0, 2);
    for (int i = 0; i < 10; ++i) {
        const uint8_t m[6] = {0, 0x1A, 0x2B, 0x3C, 0, static_cast<uint8_t>(mac(rng))};
        const auto ch = static_cast<uint8_t>(1 + 5 * channel(rng));
        coveragesurvey::AddEntry(survey, x, y, m, m[5] % 3 ? "office" : "guest", ch, dbm(rng));
    }
}

void Survey(CApList& survey, bool walked) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> px(0, kPlanW - 1), py(0, kPlanH - 1);
    for (int i = 0; i < kPoints; ++i) {
        if (walked)
            AddPoint(survey, 4000 + (i % 50) * 50, 3000 + (i / 50) * 50, rng);
        else
            AddPoint(survey, px(rng), py(rng), rng);
    }
}

const Requirement& Voice() {
    static const Requirement r = *ParseRequirement("voice").requirement;
    return r;
}

std::vector<PlacedVerdict> Verdicts(const CApList& survey) {
    std::vector<PlacedVerdict> out;
    for (const PointFigures& f :
         CollectPointFigures(survey, std::string("office"), Voice().Levels()))
        out.push_back({f.x, f.y, Evaluate(Voice(), f)});
    return out;
}

void BM_FiguresAndVerdicts(benchmark::State& state) {
    CApList survey;
    Survey(survey, false);
    for (auto _ : state) benchmark::DoNotOptimize(Verdicts(survey));
    state.SetLabel("2,000 points of 10 records");
}
BENCHMARK(BM_FiguresAndVerdicts)->Unit(benchmark::kMillisecond);

void BM_AreaShares(benchmark::State& state) {
    const bool walked = state.range(0) != 0;
    const int32_t radius = static_cast<int32_t>(state.range(1));
    CApList survey;
    Survey(survey, walked);
    const std::vector<PlacedVerdict> verdicts = Verdicts(survey);
    AreaShares shares;
    for (auto _ : state) {
        shares = ComputeAreaShares(verdicts, {kPlanW, kPlanH, radius, 0.05});
        benchmark::DoNotOptimize(shares.surveyed);
    }
    state.counters["surveyed_m2"] = *shares.SquareMetres(shares.surveyed);
    state.counters["cell_px"] = shares.cell;
    state.SetLabel(walked ? "walked 50 px apart" : "spread over the plan");
}
BENCHMARK(BM_AreaShares)
    ->ArgNames({"walked", "R"})
    ->Args({0, 60})
    ->Args({1, 60})
    ->Args({0, 240})
    ->Args({1, 240})
    ->Args({0, 1000})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
