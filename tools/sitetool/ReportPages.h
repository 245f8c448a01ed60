#pragma once
// The report's pages of what the survey store keeps beside the site file
// and of a requirement, and the metric maps they show (the window's metric
// coverage, CCoverageMap with a CoverageLayer, over the plan).

#include <optional>
#include <string>
#include <vector>

#include "ReportLayout.h"
#include "coverage/MetricBands.h"
#include "coverage/NetworkChoice.h"
#include "requirements/PointFigures.h"
#include "requirements/Requirement.h"
#include "throughput/ThroughputResult.h"

// What the pages read of the survey: its points (one measure and one test
// per point, in list order, either may be empty) and R in plan pixels.
struct ReportSurvey {
    const CApList& entries;
    const std::vector<PointMeasures>& measures;
    const std::vector<std::optional<ThroughputOutcome>>& tests;
    int radius;
};

// The map of `metric` for `choice` (pass/fail against `requirement`) over
// the plan, its heading line and its legend, in the page's height less
// `below` page pixels.
void MetricMap(CReportLayout& page, const ReportSurvey& survey, Metric metric,
               const NetworkChoice& choice, const Requirement* requirement, int below);

// Whether any point's test measured something.
bool AnyThroughput(const ReportSurvey& survey);
// The table of every point's test, then a page with the download and the
// upload maps.
void ThroughputPages(CReportLayout& page, const ReportSurvey& survey);

// The requirement's criteria, the share of the surveyed floor that passes,
// is unknown and fails, overall and per criterion, the pass/fail map, then
// the points that fail and why. `ssid`: the network the figures are of
// (nothing: all networks), shown as `networkName`.
void RequirementPages(CReportLayout& page, const ReportSurvey& survey,
                      const Requirement& requirement, const std::optional<std::string>& ssid,
                      const QString& networkName);
