// The report's requirement pages: does the surveyed floor meet what the
// network must deliver? The criteria, the share of the surveyed area that
// passes, is unknown and fails (requirements/AreaShare: each place takes
// the verdicts of its nearest point within R), the pass/fail map, and the
// points that fail with the criteria they fail and the figure behind each.

#include "ReportPages.h"
#include "coverage/SurveyPoints.h"
#include "requirements/AreaShare.h"

namespace {

constexpr Criterion kCriteria[] = {Criterion::kPrimary,   Criterion::kSecondary, Criterion::kSnr,
                                   Criterion::kCochannel, Criterion::kAps,       Criterion::kDown,
                                   Criterion::kUp};
static_assert(std::size(kCriteria) == kCriterionCount);

QString Dbm(const std::optional<int32_t>& v, const char* none) {
    return v ? QStringLiteral("%1 dBm").arg(*v) : QString::fromLatin1(none);
}

// What the point measured for `c`, as the failing points' table shows it.
QString FigureOf(Criterion c, const PointFigures& f) {
    switch (c) {
        case Criterion::kPrimary:
            return Dbm(f.hasPrimary ? std::optional<int32_t>(f.primaryDbm) : std::nullopt,
                       "not heard");
        case Criterion::kSecondary:
            return Dbm(f.secondaryDbm, "none");
        case Criterion::kSnr:
            return f.snrDb ? QStringLiteral("%1 dB").arg(*f.snrDb) : QStringLiteral("not heard");
        case Criterion::kCochannel:
            return f.cochannel ? QString::number(*f.cochannel) : QStringLiteral("not heard");
        case Criterion::kAps:
            return QString::number(f.apsUsable);
        case Criterion::kDown:
            return f.throughput ? QStringLiteral("%1 Mbit/s")
                                      .arg(RoundedMbps(f.throughput->downMbps), 0, 'f', 2)
                                : QString();
        case Criterion::kUp:
            return f.throughput ? QStringLiteral("%1 Mbit/s")
                                      .arg(RoundedMbps(f.throughput->upMbps), 0, 'f', 2)
                                : QString();
    }
    return {};
}

// "72.5 %" and, with a scale, " (310.4 m²)".
QString Share(const AreaShares& s, int64_t px2) {
    QString text = QStringLiteral("%1 %").arg(s.Percent(px2), 0, 'f', 1);
    if (const std::optional<double> m2 = s.SquareMetres(px2))
        text += QStringLiteral(" (%1 m²)").arg(*m2, 0, 'f', 1);
    return text;
}

}  // namespace

void RequirementPages(CReportLayout& page, const ReportSurvey& survey,
                      const Requirement& requirement, const std::optional<std::string>& ssid,
                      const QString& networkName) {
    const std::vector<PointFigures> figures =
        CollectPointFigures(survey.entries, ssid, requirement.Levels(), survey.measures);
    std::vector<PlacedVerdict> verdicts;
    for (const PointFigures& f : figures) verdicts.push_back({f.x, f.y, Evaluate(requirement, f)});
    const MapBitmap& plan = page.Site().loaded.Plan();
    const AreaShares shares = ComputeAreaShares(
        verdicts, {plan.width, plan.height, survey.radius, page.MetresPerPixel()});

    page.NewPage();
    page.Heading(QStringLiteral("Requirement: ") + QString::fromStdString(requirement.name));
    page.Font(10);
    page.Line(QStringLiteral("Criteria: ") +
              QString::fromStdString(RequirementCriteria(requirement)) +
              QStringLiteral(" (every threshold inclusive)"));
    page.Line(QStringLiteral("Network: ") + networkName);
    const std::optional<double> m2 = shares.SquareMetres(shares.surveyed);
    page.Line(QStringLiteral("Surveyed area: %1the places within R = %2 of a point; each "
                             "place takes the verdicts of its nearest point.")
                  .arg(m2 ? QStringLiteral("%1 m², ").arg(*m2, 0, 'f', 1) : QString())
                  .arg(RadiusText(survey.radius, page.MetresPerPixel())));
    page.Gap(20);
    const int columns[] = {0, 550, 1080, 1610};
    page.Font(10, true);
    page.Row({"Criterion", "Passes", "Unknown", "Fails"}, columns);
    const auto row = [&](const QString& name, const VerdictArea& a) {
        page.Row({name, Share(shares, a.pass), Share(shares, a.unknown), Share(shares, a.fail)},
                 columns);
    };
    row(QStringLiteral("The whole requirement"), shares.overall);
    page.Font(10);
    for (const Criterion c : kCriteria)
        if (const std::optional<VerdictArea>& a = shares.criteria[static_cast<size_t>(c)])
            row(QString::fromLatin1(CriterionName(c)), *a);
    page.Gap(30);
    MetricMap(page, survey, Metric::kPassFail,
              ssid ? NetworkChoice::OfSsid(*ssid) : NetworkChoice::StrongestOfAll(), &requirement,
              kLegendSpace);

    const int failing[] = {0, 150, 350, 550};
    int pages = 0;
    const auto header = [&] {
        page.NewPage();
        page.Heading(QStringLiteral("Points that fail ") +
                     QString::fromStdString(requirement.name) +
                     (pages++ > 0 ? QStringLiteral(" (continued)") : QString()));
        page.Font(9, true);
        page.Row({"Point", "x", "y", "Fails (what was measured)"}, failing);
        page.Font(9);
    };
    header();
    int failed = 0;
    for (size_t i = 0; i < figures.size(); ++i) {
        const PointVerdict& v = verdicts[i].verdict;
        if (v.overall != Verdict::kFail) continue;
        QStringList why;
        for (const Criterion c : kCriteria)
            if (v.Of(c) == Verdict::kFail)
                why << QStringLiteral("%1 (%2)").arg(QString::fromLatin1(CriterionName(c)),
                                                     FigureOf(c, figures[i]));
        if (!page.FitsRows(1)) header();
        page.Row({QString::number(i + 1), QString::number(figures[i].x),
                  QString::number(figures[i].y), why.join(QStringLiteral(", "))},
                 failing);
        ++failed;
    }
    if (failed == 0) page.Line(QStringLiteral("(no point fails the requirement)"));
}
