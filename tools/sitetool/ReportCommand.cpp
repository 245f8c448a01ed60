// report: the survey as a PDF for the people who paid for it, A4, fonts
// embedded (Qt's PDF writer):
//   1. summary: file, plan size, points, access points, networks, last save,
//      the signature from the file's signature section;
//   2. the plan with its circles and the colour legend;
//   3. one page per chosen network: its coverage map over the plan;
//   4. the table of points and what was heard at each, as many pages as it
//      takes.
// The maps are painted by the window's own code (RenderMap with the coverage
// overlay), so the report shows what the surveyor saw.

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

#include "SiteCommands.h"
#include "coverage/CoverageMap.h"
#include "coverage/CoverageOverlay.h"
#include "coverage/NetworkCatalogue.h"
#include "coverage/NetworkNames.h"
#include "coverage/SurveyPoints.h"
#include "map/RssiBands.h"
#include "screens/MapPainting.h"
#include "site/SiteLayout.h"

namespace {

using sitelayout::kSignatureHeight;
using sitelayout::kSignatureWidth;

constexpr int kResolution = 300;     // dots per inch of the page's coordinates
constexpr int kDefaultNetworks = 5;  // coverage pages without --network
constexpr int kMaxPicture = 2400;    // longest side of a map picture, in pixels
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

class CReport {
public:
    CReport(QPdfWriter& writer, const SiteMap& map, const QString& fileName, int radius)
        : m_writer(writer), m_map(map), m_fileName(fileName), m_radius(radius) {}

    bool Begin() {
        if (!m_p.begin(&m_writer)) return false;
        m_page = m_writer.pageLayout().paintRectPixels(kResolution);
        m_page.moveTo(0, 0);
        return true;
    }
    bool End() { return m_p.end(); }

    void Summary(const NetworkCatalogue& cat);
    void Plan();
    void Coverage(const Shown& network);
    void Table();

private:
    void NewPage() {
        if (m_pages++ > 0) m_writer.newPage();
        m_y = 0;
    }
    void Font(double points, bool bold = false) {
        QFont f(QStringLiteral("Liberation Sans"));
        f.setPointSizeF(points);
        f.setBold(bold);
        m_p.setFont(f);
    }
    // One line of text at the running position, then down by its height.
    void Line(const QString& text, int indent = 0) {
        const QFontMetrics fm(m_p.font());
        m_p.drawText(QPoint(m_page.left() + indent, m_y + fm.ascent()), text);
        m_y += fm.lineSpacing();
    }
    void Heading(const QString& text) {
        Font(16, true);
        Line(text);
        m_y += 20;
    }
    // The plan with its circles, and under them the coverage of `choice`
    // when given, as large as fits the width and `height`.
    void PaintMap(int height, const NetworkChoice* choice);
    void Legend();

    QPdfWriter& m_writer;
    const SiteMap& m_map;
    QString m_fileName;
    int m_radius;
    QPainter m_p;
    QRect m_page;
    int m_pages = 0;
    int m_y = 0;
};

void CReport::Summary(const NetworkCatalogue& cat) {
    NewPage();
    Heading(QStringLiteral("Site survey report"));
    Font(11);
    const uint32_t saved = m_map.loaded.Site().LastSaveTime();
    const QString when = saved == 0 ? QStringLiteral("never")
                                    : QDateTime::fromSecsSinceEpoch(saved, QTimeZone::utc())
                                          .toString(QStringLiteral("yyyy-MM-dd hh:mm 'UTC'"));
    const QString rows[][2] = {
        {"File", m_fileName},
        {"Plan", QStringLiteral("%1 x %2 pixels")
                     .arg(m_map.loaded.Plan().width)
                     .arg(m_map.loaded.Plan().height)},
        {"Points", QString::number(cat.points)},
        {"Access points", QString::number(cat.accessPoints.size())},
        {"Networks", QString::number(cat.ssids.size())},
        {"Last saved", when},
    };
    for (const auto& row : rows) {
        const int y = m_y;
        Line(row[0] + ':');
        m_y = y;
        Line(row[1], 500);
    }
    m_y += 40;
    Line(QStringLiteral("Signature:"));
    if (m_map.signature.empty()) {
        Line(QStringLiteral("(the file holds no signature)"), 500);
        return;
    }
    QImage signature(kSignatureWidth, kSignatureHeight, QImage::Format_RGB32);
    for (uint32_t y = 0; y < kSignatureHeight; ++y)
        for (uint32_t x = 0; x < kSignatureWidth; ++x)
            signature.setPixel(static_cast<int>(x), static_cast<int>(y),
                               0xFF000000u | m_map.signature[y * kSignatureWidth + x]);
    const QRect box(m_page.left(), m_y + 20, 4 * static_cast<int>(kSignatureWidth),
                    4 * static_cast<int>(kSignatureHeight));
    m_p.drawImage(box, signature);
    m_p.setPen(QPen(Qt::black, 2));
    m_p.drawRect(box);
}

void CReport::PaintMap(int height, const NetworkChoice* choice) {
    const MapBitmap& plan = m_map.loaded.Plan();
    const double scale = std::min({static_cast<double>(m_page.width()) / plan.width,
                                   static_cast<double>(height) / plan.height,
                                   static_cast<double>(kMaxPicture) / plan.width,
                                   static_cast<double>(kMaxPicture) / plan.height});
    const QSize size(std::max(1, static_cast<int>(plan.width * scale)),
                     std::max(1, static_cast<int>(plan.height * scale)));
    const VpRect world{0, 0, plan.width, plan.height};
    CCoverageMap coverage;
    std::unique_ptr<CCoverageOverlay> overlay;
    if (choice != nullptr) {
        coverage.SetChoice(*choice);
        coverage.SetRadius(m_radius);
        const CoverageView view{world, world, size.width(), size.height(), kCoverageCell};
        overlay = std::make_unique<CCoverageOverlay>(coverage.Update(m_map.loaded.Entries(), view));
    }
    const QImage picture = RenderMapImage(plan, m_map.loaded.Layer(), world, size, overlay.get());
    // Printed as large as the page allows, whatever the picture's pixels.
    const double fit = std::min(static_cast<double>(m_page.width()) / size.width(),
                                static_cast<double>(height) / size.height());
    const QRect target(m_page.left(), m_y, static_cast<int>(size.width() * fit),
                       static_cast<int>(size.height() * fit));
    if (!picture.isNull()) m_p.drawImage(target, picture);
    m_p.setPen(QPen(Qt::black, 2));
    m_p.drawRect(target);
    m_y = target.bottom() + 40;
}

void CReport::Legend() {
    Font(10);
    const QFontMetrics fm(m_p.font());
    const int swatch = fm.height();
    const int column = m_page.width() / 3;
    for (int8_t b = 0; b < kBandCount; ++b) {
        const int x = m_page.left() + (b % 3) * column;
        const int y = m_y + (b / 3) * (swatch + 20);
        m_p.fillRect(QRect(x, y, 2 * swatch, swatch), QColor(CCoverageOverlay::BandColour(b)));
        m_p.setPen(Qt::black);
        m_p.drawText(QPoint(x + 2 * swatch + 20, y + fm.ascent()),
                     QString::fromLatin1(kRssiBands[b].rangeText));
    }
    m_y += 2 * (swatch + 20);
}

void CReport::Plan() {
    NewPage();
    Heading(QStringLiteral("Plan and points"));
    Font(10);
    Line(QStringLiteral("Each circle is a point, in the colour of the strongest reading there."));
    m_y += 20;
    PaintMap(m_page.height() - m_y - 300, nullptr);
    Legend();
}

void CReport::Coverage(const Shown& network) {
    NewPage();
    Heading(QStringLiteral("Coverage: ") + network.name);
    Font(10);
    Line(network.about);
    Line(QStringLiteral("Interpolated between the points within R = %1 plan pixels; nothing is "
                        "painted farther than R from every point.")
             .arg(m_radius));
    m_y += 20;
    PaintMap(m_page.height() - m_y - 300, &network.choice);
    Legend();
}

void CReport::Table() {
    const int columns[] = {0, 180, 400, 620, 760, 1160, 1900};
    const char* const titles[] = {"Point", "x", "y", "Ch", "MAC", "SSID", "dBm"};
    int point = 0;
    int page = 0;
    const auto header = [&] {
        NewPage();
        Heading(QStringLiteral("Points and what was heard at each") +
                (page++ > 0 ? QStringLiteral(" (continued)") : QString()));
        Font(9, true);
        const int y = m_y;
        for (int c = 0; c < 7; ++c) {
            m_y = y;
            Line(QString::fromLatin1(titles[c]), columns[c]);
        }
        Font(9);
    };
    header();
    const int bottom = m_page.height();
    ForEachPoint(m_map.loaded.Entries(), [&](const ApRecord& head, const ApRecord* end) {
        const ApRecord* first = &head;
        ++point;
        for (const ApRecord* e = first; e != end; e = e->next) {
            if (m_y + QFontMetrics(m_p.font()).lineSpacing() > bottom) header();
            const bool placeholder = IsPlaceholder(*e);
            const QString cells[] = {
                e == first ? QString::number(point) : QString(),
                e == first ? QString::number(e->x) : QString(),
                e == first ? QString::number(e->y) : QString(),
                placeholder ? QString() : QString::number(e->channel),
                placeholder ? QStringLiteral("nothing heard") : QString::fromLatin1(e->macText),
                placeholder ? QString() : Utf8(SsidName(std::string(SsidBytes(*e)))),
                placeholder ? QString() : QString::number(e->rssi)};
            const int y = m_y;
            for (int c = 0; c < 7; ++c) {
                m_y = y;
                const int width = (c + 1 < 7 ? columns[c + 1] : m_page.width()) - columns[c] - 20;
                Line(QFontMetrics(m_p.font()).elidedText(cells[c], Qt::ElideRight, width),
                     columns[c]);
            }
        }
    });
    if (point == 0) Line(QStringLiteral("(no points were recorded)"));
}

}  // namespace

int RunReport(const QString& sitePath, const QString& outPath, const QStringList& networks,
              int radius) {
    const QFileInfo in(sitePath), out(outPath);
    if (const int refused = GuardOutput(sitePath, outPath)) return refused;
    if (out.exists() && !out.isFile())
        return Fail("Cannot write " + outPath + ": not a regular file.");

    SiteMap map(sitePath);
    const SiteStatus status = LoadSiteMap(map);
    if (!status.ok) return Fail(status);
    const NetworkCatalogue cat = BuildCatalogue(map.loaded.Entries());
    QString missing;
    const std::vector<Shown> shown = ChooseNetworks(cat, networks, missing);
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
    writer.setResolution(kResolution);
    writer.setTitle(QStringLiteral("Site survey report: ") + in.fileName());
    writer.setCreator(QStringLiteral("pellorin-site report"));

    CReport report(writer, map, in.fileName(), ClampCoverageRadius(radius));
    if (!report.Begin()) return Fail("Cannot write " + outPath + ": the PDF writer failed.");
    report.Summary(cat);
    report.Plan();
    for (const Shown& s : shown) report.Coverage(s);
    report.Table();
    if (!report.End() || !file.commit())
        return Fail("Cannot write " + outPath + ": " + file.errorString());
    return 0;
}
