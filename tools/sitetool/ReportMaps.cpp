// The metric maps of the report: the window's metric coverage (a layer of
// CoverageLayer.h, the values of requirements/MetricValues.h) over the plan,
// with the legend of the metric's bands (MetricBands.h).

#include "ReportPages.h"
#include "coverage/CoverageMap.h"
#include "coverage/CoverageOverlay.h"
#include "requirements/MetricValues.h"

namespace {

constexpr int kCoverageCell = 2;  // picture pixels per coverage cell, each way

}  // namespace

void MetricMap(CReportLayout& page, const ReportSurvey& survey, Metric metric,
               const NetworkChoice& choice, const Requirement* requirement, int below) {
    const MetricBands& bands = BandsOf(metric);
    page.Font(11, true);
    page.Line(
        QString::fromLatin1(bands.name) +
        (*bands.unit ? QStringLiteral(" (%1)").arg(QString::fromLatin1(bands.unit)) : QString()));
    page.Gap(10);
    CCoverageMap coverage;
    coverage.SetChoice(choice);
    coverage.SetRadius(survey.radius);
    coverage.SetLayer(
        CoverageLayer::Of(metric),
        [&](const CApList& entries, const NetworkChoice& network, std::vector<PointValue>& out) {
            CollectMetricValues(entries, network, metric, requirement, survey.measures, out);
        });
    page.Map(below, [&](const VpRect& world, QSize size) -> std::unique_ptr<IMapOverlay> {
        const CoverageView view{world, world, size.width(), size.height(), kCoverageCell};
        return std::make_unique<CCoverageOverlay>(coverage.Update(survey.entries, view));
    });
    std::vector<LegendEntry> legend;
    for (const MetricBand& b : bands.bands)
        legend.emplace_back(b.colour, QString::fromLatin1(b.label));
    page.Legend(legend);
}
