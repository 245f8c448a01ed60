// report: the survey as a PDF for the people who paid for it, A4, fonts
// embedded (Qt's PDF writer):
//   1. summary: file, plan size, points, access points, networks, last save,
//      with a scale the scale and the surveyed area in square metres, the
//      signature from the file's signature section;
//   2. the plan with its circles and the colour legend;
//   3. one page per chosen network: its coverage map over the plan (without
//      --network the network the window's coverage map shows, kept in the
//      survey store, else the five heard at the most points);
//   4. where the survey store keeps throughput tests, their table and the
//      download and upload maps (ReportThroughput.cpp);
//   5. with --require, the requirement's pages (ReportRequirement.cpp);
//   6. the table of points and what was heard at each, as many pages as it
//      takes.
// The maps are painted by the window's own code (RenderMap with the coverage
// overlay, the scale bar), so the report shows what the surveyor saw; the
// radius and the scale are those of the window (CCoverageState, the store).

#include <QDateTime>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTimeZone>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "ReportLayout.h"
#include "ReportPages.h"
#include "SiteCommands.h"
#include "StoredSite.h"
#include "coverage/CoverageMap.h"
#include "coverage/CoverageOverlay.h"
#include "coverage/CoverageState.h"
#include "coverage/NetworkCatalogue.h"
#include "coverage/NetworkNames.h"
#include "coverage/SurveyPoints.h"
#include "requirements/AreaShare.h"
#include "requirements/MetricValues.h"
#include "site/SiteLayout.h"

namespace {

using sitelayout::kSignatureHeight;
using sitelayout::kSignatureWidth;

constexpr int kDefaultNetworks = 5;  // coverage pages without --network or a kept choice
constexpr int kCoverageCell = 2;     // picture pixels per coverage cell, each way

QString Utf8(const std::string& s) { return QString::fromStdString(s); }

// A network to show and its page's heading.
struct Shown {
    NetworkChoice choice;
    QString name;
    QString about;
};

QString AboutSsid(const SsidInfo& s, int32_t points) {
    return QStringLiteral("%1 access point(s), heard at %2 of %3 points, best %4 dBm")
        .arg(s.accessPoints)
        .arg(s.points)
        .arg(points)
        .arg(s.bestRssi);
}

QString AboutAp(const AccessPointInfo& a, int32_t points) {
    return QStringLiteral("SSID %1, channel %2, heard at %3 of %4 points, best %5 dBm")
        .arg(Utf8(SsidName(a.ssid)))
        .arg(a.channel)
        .arg(a.points)
        .arg(points)
        .arg(a.bestRssi);
}

// `wanted` (MACs with or without separators, or SSIDs as shown) as networks
// of `cat`; the first one not heard in `missing`.
std::vector<Shown> ChooseNetworks(const NetworkCatalogue& cat, const QStringList& wanted,
                                  QString& missing) {
    std::vector<Shown> out;
    const auto add = [&out](Shown s) {
        for (const Shown& o : out)
            if (o.choice == s.choice) return;
        out.push_back(std::move(s));
    };
    if (wanted.isEmpty()) {
        std::vector<SsidInfo> most = cat.ssids;  // strongest first already
        std::stable_sort(most.begin(), most.end(),
                         [](const SsidInfo& a, const SsidInfo& b) { return a.points > b.points; });
        if (most.size() > kDefaultNetworks) most.resize(kDefaultNetworks);
        for (const SsidInfo& s : most)
            add({NetworkChoice::OfSsid(s.ssid), Utf8(SsidName(s.ssid)), AboutSsid(s, cat.points)});
        return out;
    }
    for (const QString& w : wanted) {
        QString hex = w;
        hex.remove(':').remove('-');
        bool found = false;
        for (const AccessPointInfo& a : cat.accessPoints) {
            if (hex.size() == 12 && hex.compare(Utf8(MacName(a.mac)), Qt::CaseInsensitive) == 0) {
                add({NetworkChoice::OfAccessPoint(a.mac), Utf8(MacName(a.mac)),
                     AboutAp(a, cat.points)});
                found = true;
            }
        }
        for (const SsidInfo& s : cat.ssids) {
            if (!found && Utf8(SsidName(s.ssid)) == w) {
                add({NetworkChoice::OfSsid(s.ssid), w, AboutSsid(s, cat.points)});
                found = true;
            }
        }
        if (!found) {
            missing = w;
            return {};
        }
    }
    return out;
}

// The network the window's coverage map shows, as the store keeps it: its
// page.
Shown KeptNetwork(const NetworkCatalogue& cat, const NetworkChoice& choice) {
    Shown shown{choice, Utf8(ChoiceName(choice)), {}};
    switch (choice.kind) {
        case NetworkChoice::Kind::Ssid:
            shown.about = QStringLiteral("not heard in this survey");
            for (const SsidInfo& s : cat.ssids)
                if (s.ssid == choice.ssid) shown.about = AboutSsid(s, cat.points);
            break;
        case NetworkChoice::Kind::AccessPoint:
            shown.about = QStringLiteral("not heard in this survey");
            for (const AccessPointInfo& a : cat.accessPoints)
                if (a.mac == choice.mac) shown.about = AboutAp(a, cat.points);
            break;
        default:
            shown.about = QStringLiteral("The strongest access point of any network at each point");
    }
    return shown;
}

// Where the points are, as the surveyed area counts them.
std::vector<PlacedVerdict> PlacesOf(const CApList& entries) {
    std::vector<PlacedVerdict> places;
    ForEachPoint(entries, [&](const ApRecord& head, const ApRecord*) {
        places.push_back({head.x, head.y, {}});
    });
    return places;
}

QString ScaleText(const PlanScaleRecord& s) {
    const QString per = QStringLiteral("1 plan pixel = %1 m").arg(s.metresPerPixel, 0, 'g', 4);
    if (s.fromLine) return per + QStringLiteral(" (from a line of %1 m)").arg(s.metres, 0, 'g', 6);
    if (s.printRatio > 0) return per + QStringLiteral(" (printed at 1:%1)").arg(s.printRatio);
    return per;
}

class CReport {
public:
    CReport(CReportLayout& page, const StoredSite& stored, int radius)
        : m_page(page), m_map(page.Site()), m_stored(stored), m_radius(radius) {}

    void Summary(const QString& fileName, const NetworkCatalogue& cat);
    void Plan();
    void Coverage(const Shown& network);
    void Table();

private:
    CReportLayout& m_page;
    const SiteMap& m_map;
    const StoredSite& m_stored;
    int m_radius;
};

void CReport::Summary(const QString& fileName, const NetworkCatalogue& cat) {
    m_page.NewPage();
    m_page.Heading(QStringLiteral("Site survey report"));
    m_page.Font(11);
    const uint32_t saved = m_map.loaded.Site().LastSaveTime();
    const QString when = saved == 0 ? QStringLiteral("never")
                                    : QDateTime::fromSecsSinceEpoch(saved, QTimeZone::utc())
                                          .toString(QStringLiteral("yyyy-MM-dd hh:mm 'UTC'"));
    const MapBitmap& plan = m_map.loaded.Plan();
    std::vector<std::pair<QString, QString>> rows = {
        {"File", fileName},
        {"Plan", QStringLiteral("%1 x %2 pixels").arg(plan.width).arg(plan.height)},
        {"Points", QString::number(cat.points)},
        {"Access points", QString::number(cat.accessPoints.size())},
        {"Networks", QString::number(cat.ssids.size())},
        {"Last saved", when},
    };
    if (m_stored.scale) {
        rows.emplace_back("Scale", ScaleText(*m_stored.scale));
        const AreaShares area =
            ComputeAreaShares(PlacesOf(m_map.loaded.Entries()),
                              {plan.width, plan.height, m_radius, m_stored.MetresPerPixel()});
        rows.emplace_back("Surveyed area",
                          QStringLiteral("%1 m² within R = %2 of a point")
                              .arg(area.SquareMetres(area.surveyed).value_or(0), 0, 'f', 1)
                              .arg(RadiusText(m_radius, m_stored.MetresPerPixel())));
    }
    const int columns[] = {0, 500};
    for (const auto& [name, value] : rows) m_page.Row({name + ':', value}, columns);
    m_page.Gap(40);
    m_page.Line(QStringLiteral("Signature:"));
    if (m_map.signature.empty()) {
        m_page.Line(QStringLiteral("(the file holds no signature)"), 500);
        return;
    }
    QImage signature(kSignatureWidth, kSignatureHeight, QImage::Format_RGB32);
    for (uint32_t y = 0; y < kSignatureHeight; ++y)
        for (uint32_t x = 0; x < kSignatureWidth; ++x)
            signature.setPixel(static_cast<int>(x), static_cast<int>(y),
                               0xFF000000u | m_map.signature[y * kSignatureWidth + x]);
    const QRect box(0, m_page.Y() + 20, 4 * static_cast<int>(kSignatureWidth),
                    4 * static_cast<int>(kSignatureHeight));
    QPainter& p = m_page.Painter();
    p.drawImage(box, signature);
    p.setPen(QPen(Qt::black, 2));
    p.drawRect(box);
}

void CReport::Plan() {
    m_page.NewPage();
    m_page.Heading(QStringLiteral("Plan and points"));
    m_page.Font(10);
    m_page.Line(
        QStringLiteral("Each circle is a point, in the colour of the strongest reading there."));
    m_page.Gap(20);
    m_page.Map(300);
    m_page.Legend(RssiLegend());
}

void CReport::Coverage(const Shown& network) {
    m_page.NewPage();
    m_page.Heading(QStringLiteral("Coverage: ") + network.name);
    m_page.Font(10);
    m_page.Line(network.about);
    m_page.Line(QStringLiteral("Interpolated between the points within R = %1; nothing is "
                               "painted farther than R from every point.")
                    .arg(RadiusText(m_radius, m_stored.MetresPerPixel())));
    m_page.Gap(20);
    CCoverageMap coverage;
    coverage.SetChoice(network.choice);
    coverage.SetRadius(m_radius);
    m_page.Map(300, [&](const VpRect& world, QSize size) -> std::unique_ptr<IMapOverlay> {
        const CoverageView view{world, world, size.width(), size.height(), kCoverageCell};
        return std::make_unique<CCoverageOverlay>(coverage.Update(m_map.loaded.Entries(), view));
    });
    m_page.Legend(RssiLegend());
}

void CReport::Table() {
    const int columns[] = {0, 180, 400, 620, 760, 1160, 1900};
    const QStringList titles = {"Point", "x", "y", "Ch", "MAC", "SSID", "dBm"};
    int point = 0;
    int page = 0;
    const auto header = [&] {
        m_page.NewPage();
        m_page.Heading(QStringLiteral("Points and what was heard at each") +
                       (page++ > 0 ? QStringLiteral(" (continued)") : QString()));
        m_page.Font(9, true);
        m_page.Row(titles, columns);
        m_page.Font(9);
    };
    header();
    ForEachPoint(m_map.loaded.Entries(), [&](const ApRecord& head, const ApRecord* end) {
        const ApRecord* first = &head;
        ++point;
        for (const ApRecord* e = first; e != end; e = e->next) {
            if (!m_page.FitsRows(1)) header();
            const bool placeholder = IsPlaceholder(*e);
            m_page.Row(
                {e == first ? QString::number(point) : QString(),
                 e == first ? QString::number(e->x) : QString(),
                 e == first ? QString::number(e->y) : QString(),
                 placeholder ? QString() : QString::number(e->channel),
                 placeholder ? QStringLiteral("nothing heard") : QString::fromLatin1(e->macText),
                 placeholder ? QString() : Utf8(SsidName(std::string(SsidBytes(*e)))),
                 placeholder ? QString() : QString::number(e->rssi)},
                columns);
        }
    });
    if (point == 0) m_page.Line(QStringLiteral("(no points were recorded)"));
}

}  // namespace

int RunReport(const QString& sitePath, const QString& outPath, const ReportOptions& options) {
    const QFileInfo in(sitePath), out(outPath);
    if (const int refused = GuardOutput(sitePath, outPath)) return refused;
    if (out.exists() && !out.isFile())
        return Fail("Cannot write " + outPath + ": not a regular file.");

    SiteMap map(sitePath);
    const SiteStatus status = LoadSiteMap(map);
    if (!status.ok) return Fail(status);
    const NetworkCatalogue cat = BuildCatalogue(map.loaded.Entries());
    const StoredSite stored = ReadStoredSite(sitePath, static_cast<size_t>(cat.points));
    // The network and the radius as the window's coverage map has them.
    CCoverageState window;
    window.Restore(stored.coverage, stored.MetresPerPixel());
    const int radius = ClampCoverageRadius(options.radius.value_or(window.Map().Radius()));
    QString missing;
    std::vector<Shown> shown;
    const bool kept =
        options.networks.isEmpty() && stored.coverage && NetworkOfKey(stored.coverage->network);
    if (kept)
        shown.push_back(KeptNetwork(cat, window.Map().Choice()));
    else
        shown = ChooseNetworks(cat, options.networks, missing);
    if (!missing.isEmpty())
        return Fail("No network \"" + missing + "\" was heard in " + in.fileName() + ".");

    // Written beside the target and renamed over it only when whole: a
    // failure leaves no half report and the old one as it was.
    QSaveFile file(outPath);
    if (!file.open(QIODevice::WriteOnly))
        return Fail("Cannot write " + outPath + ": " + file.errorString());
    QPdfWriter writer(&file);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(kReportResolution);
    writer.setTitle(QStringLiteral("Site survey report: ") + in.fileName());
    writer.setCreator(QStringLiteral("pellorin-site report"));

    // What the store measured at each point, as the figures and the maps take it.
    std::vector<PointMeasures> measures(stored.throughput.size());
    for (size_t i = 0; i < measures.size(); ++i)
        if (const std::optional<ThroughputOutcome>& t = stored.throughput[i]; t && t->Measured())
            measures[i].throughput = t->figures;
    const ReportSurvey survey{map.loaded.Entries(), measures, stored.throughput, radius};

    CReportLayout page(writer, map, stored.MetresPerPixel());
    if (!page.Begin()) return Fail("Cannot write " + outPath + ": the PDF writer failed.");
    CReport report(page, stored, radius);
    report.Summary(in.fileName(), cat);
    report.Plan();
    for (const Shown& s : shown) report.Coverage(s);
    if (AnyThroughput(survey)) ThroughputPages(page, survey);
    if (options.requirement) {
        // The network of the first coverage page when it was chosen (its
        // SSID for an access point), else every network.
        const bool chosen = !options.networks.isEmpty() || kept;
        const std::optional<std::string> ssid = FiguresNetwork(
            map.loaded.Entries(), chosen ? shown.front().choice : NetworkChoice::StrongestOfAll());
        RequirementPages(page, survey, *options.requirement, ssid,
                         ssid ? Utf8(SsidName(*ssid))
                              : QStringLiteral("all networks (the strongest access point at each "
                                               "point)"));
    }
    report.Table();
    if (!page.End() || !file.commit())
        return Fail("Cannot write " + outPath + ": " + file.errorString());
    return 0;
}
