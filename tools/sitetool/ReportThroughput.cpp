// The report's throughput pages: the iperf3 test at each point as the survey
// store keeps it, and the download and upload maps.
//
//   Point  Down Mbit/s  Up Mbit/s  RTT ms  Retransmits  Jitter ms  Loss %  Server  Time (UTC)
//   1      94.25        40.50      1.25    3            0.050      1.50    host:5201  2025-...
//   2      not measured: nothing listens at the port

#include <QDateTime>
#include <QTimeZone>

#include "ReportPages.h"
#include "coverage/SurveyPoints.h"

namespace {

QString Decimal(const std::optional<double>& v, int decimals) {
    return v ? QString::number(*v, 'f', decimals) : QString();
}

}  // namespace

bool AnyThroughput(const ReportSurvey& survey) {
    for (const std::optional<ThroughputOutcome>& t : survey.tests)
        if (t && t->Measured()) return true;
    return false;
}

void ThroughputPages(CReportLayout& page, const ReportSurvey& survey) {
    const int columns[] = {0, 130, 360, 570, 740, 990, 1190, 1370, 1750};
    const int failed[] = {0, 150};
    const QStringList titles = {"Point",     "Down Mbit/s", "Up Mbit/s", "RTT ms",    "Retransmits",
                                "Jitter ms", "Loss %",      "Server",    "Time (UTC)"};
    int tested = 0, measured = 0;
    for (const std::optional<ThroughputOutcome>& t : survey.tests) {
        tested += t ? 1 : 0;
        measured += t && t->Measured() ? 1 : 0;
    }
    int pages = 0;
    const auto header = [&] {
        page.NewPage();
        page.Heading(QStringLiteral("Throughput at each point") +
                     (pages++ > 0 ? QStringLiteral(" (continued)") : QString()));
        page.Font(9);
        page.Line(QStringLiteral("iperf3 TCP download and upload, and UDP where it was asked for, "
                                 "after the scan at %1 of %2 points, measured at %3.")
                      .arg(tested)
                      .arg(survey.tests.size())
                      .arg(measured));
        page.Gap(20);
        page.Font(8, true);
        page.Row(titles, columns);
        page.Font(8);
    };
    header();
    for (size_t i = 0; i < survey.tests.size(); ++i) {
        const std::optional<ThroughputOutcome>& t = survey.tests[i];
        if (!t) continue;
        if (!page.FitsRows(1)) header();
        const QString point = QString::number(i + 1);
        if (!t->Measured()) {
            page.Row({point, QStringLiteral("not measured: ") + QString::fromStdString(t->reason)},
                     failed);
            continue;
        }
        const ThroughputFigures& f = *t->figures;
        const std::optional<int64_t> retransmits = f.Retransmits();
        page.Row(
            {point, QString::number(RoundedMbps(f.downMbps), 'f', 2),
             QString::number(RoundedMbps(f.upMbps), 'f', 2), Decimal(f.rttMs, 2),
             retransmits ? QString::number(*retransmits) : QString(), Decimal(f.udpJitterMs, 3),
             Decimal(f.udpLossPct, 2), QString::fromStdString(f.server),
             QDateTime::fromMSecsSinceEpoch(f.startUtcMs, QTimeZone::utc())
                 .toString(QStringLiteral("yyyy-MM-dd hh:mm"))},
            columns);
    }

    page.NewPage();
    page.Heading(QStringLiteral("Throughput maps"));
    page.Font(10);
    page.Line(QStringLiteral("Interpolated between the points measured within R = %1.")
                  .arg(RadiusText(survey.radius, page.MetresPerPixel())));
    page.Gap(20);
    // Half of what is left to each, with its legend.
    MetricMap(page, survey, Metric::kDownload, NetworkChoice::StrongestOfAll(), nullptr,
              (page.Height() - page.Y()) / 2 + kLegendSpace);
    MetricMap(page, survey, Metric::kUpload, NetworkChoice::StrongestOfAll(), nullptr,
              kLegendSpace);
}
