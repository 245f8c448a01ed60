#include "requirements/MetricValues.h"

std::optional<double> MetricValueOf(Metric metric, const PointFigures& f,
                                    const Requirement* requirement) {
    switch (metric) {
        case Metric::kSecondarySignal:
            return f.secondaryDbm.value_or(kNothingHeard);
        case Metric::kUsableAps:
            return f.apsUsable;
        case Metric::kCochannel:
            if (!f.cochannel) return std::nullopt;
            return *f.cochannel;
        case Metric::kSnr:
            if (!f.snrDb) return std::nullopt;
            return *f.snrDb;
        case Metric::kPassFail: {
            if (!requirement) return std::nullopt;
            const Verdict v = Evaluate(*requirement, f).overall;
            return v == Verdict::kPass   ? kPassValue
                   : v == Verdict::kFail ? kFailValue
                                         : kUnknownValue;
        }
        case Metric::kDownload:
        case Metric::kUpload:
            if (!f.throughput) return std::nullopt;
            return RoundedMbps(metric == Metric::kDownload ? f.throughput->downMbps
                                                           : f.throughput->upMbps);
    }
    return std::nullopt;
}

std::optional<std::string> FiguresNetwork(const CApList& survey, const NetworkChoice& choice) {
    if (choice.kind == NetworkChoice::Kind::Ssid) return choice.ssid;
    if (choice.kind != NetworkChoice::Kind::AccessPoint) return std::nullopt;
    const ApRecord* const stop = survey.Sentinel();
    for (const ApRecord* e = stop->next; e != stop; e = e->next)
        if (choice.Hears(*e)) return std::string(SsidBytes(*e));
    return std::nullopt;
}

void CollectMetricValues(const CApList& survey, const NetworkChoice& choice, Metric metric,
                         const Requirement* requirement, const std::vector<PointMeasures>& measures,
                         std::vector<PointValue>& out) {
    out.clear();
    const CoverageLayer layer = CoverageLayer::Of(metric);
    const FigureLevels levels = requirement ? requirement->Levels() : FigureLevels{};
    const std::optional<std::string> network = FiguresNetwork(survey, choice);
    size_t i = 0;
    ForEachPoint(survey, [&](const ApRecord& first, const ApRecord* end) {
        const PointMeasures* m = i < measures.size() ? &measures[i] : nullptr;
        ++i;
        const PointFigures f = FiguresOfPoint(first, end, network, levels, m);
        if (const std::optional<double> v = MetricValueOf(metric, f, requirement))
            out.push_back({first.x, first.y, layer.Fixed(*v)});
    });
}
