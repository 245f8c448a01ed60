// The whole map repaint when a metric of the coverage map is switched on:
// the grid built anew from every point's figures (as the window's
// CSiteMetric hands CollectMetricValues to the map), the bands blended over
// the plan, the circles, caption and legend. The window's big site
// (BigSiteView.h: 2,000 points on a 10,000 x 7,000 plan), the whole plan and
// zoomed in x32, at scale 1 and 3. So that every metric has a value at every
// point, each point of that site is heard here as a coverage-benchmark point
// (CoverageSurvey.h: ten access points of two networks on channels 1, 6 and
// 11), with the noise of those channels and a throughput test; the signal
// of the same points is the yardstick.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <random>
#include <string>
#include <vector>

#include "BigSiteView.h"
#include "CoverageSurvey.h"
#include "coverage/SurveyPoints.h"
#include "requirements/MetricValues.h"

namespace {

// The big site's points, each with ten access points, and what was measured
// there besides.
struct RichSurvey {
    CApList survey;
    std::vector<PointMeasures> measures;
};

const RichSurvey& Rich() {
    static const RichSurvey* rich = [] {
        bigsite::OpenedView();  // surveyList holds the site's points
        auto* r = new RichSurvey;
        std::mt19937 rng(9);
        std::uniform_int_distribution<int32_t> noise(-97, -85);
        std::uniform_real_distribution<double> mbps(2, 150);
        ForEachPoint(surveyList, [&](const ApRecord& first, const ApRecord*) {
            coveragesurvey::AddPoint(r->survey, first.x, first.y);
            PointMeasures m;
            for (uint8_t channel : {1, 6, 11})
                m.noise.push_back({WifiBand::kUnknown, channel, noise(rng)});
            m.throughput = ThroughputFigures{};
            m.throughput->downMbps = mbps(rng);
            m.throughput->upMbps = mbps(rng);
            r->measures.push_back(std::move(m));
        });
        return r;
    }();
    return *rich;
}

const Requirement& Voice() {
    static const Requirement r = *ParseRequirement("voice").requirement;
    return r;
}

// range(2): the layer, 0 the signal, else Metric(range(2) - 1).
CoverageLayer LayerOf(const benchmark::State& state) {
    return state.range(2) == 0 ? CoverageLayer::Signal()
                               : CoverageLayer::Of(static_cast<Metric>(state.range(2) - 1));
}

void BM_MetricSwitchedOn(benchmark::State& state) {
    const RichSurvey& rich = Rich();
    const CoverageLayer layer = LayerOf(state);
    CCoverageState& coverage = bigsite::OpenedView().Coverage();
    if (layer.metric) {
        const Metric metric = *layer.metric;
        coverage.SetLayer(layer, [&rich, metric](const CApList& survey, const NetworkChoice& choice,
                                                 std::vector<PointValue>& out) {
            CollectMetricValues(survey, choice, metric, &Voice(), rich.measures, out);
        });
    } else {
        coverage.SetLayer(layer);
    }
    bigsite::CoverageRepaints(state, rich.survey, [](CTambRUMOView& view) {
        view.Coverage().SetShown(false);  // frees the grid
        view.Coverage().SetShown(true);
    });
    // Every point gives each metric a value here (a blank map would be cheap).
    state.counters["points_valued"] = 0;
    if (layer.metric) {
        std::vector<PointValue> values;
        CollectMetricValues(rich.survey, coverage.Map().Choice(), *layer.metric, &Voice(),
                            rich.measures, values);
        state.counters["points_valued"] = static_cast<double>(values.size());
    }
    coverage.SetLayer(CoverageLayer::Signal());
    state.SetLabel(std::string(layer.metric ? BandsOf(*layer.metric).name : "Signal") +
                   (state.range(1) ? ", zoomed" : ", whole") + ", scale " +
                   std::to_string(state.range(0)));
}
BENCHMARK(BM_MetricSwitchedOn)
    ->ArgNames({"scale", "zoomed", "layer"})
    ->ArgsProduct({{1, 3}, {0, 1}, benchmark::CreateDenseRange(0, kMetricCount, 1)})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
