#include "ReportLayout.h"

#include <QFontMetrics>
#include <algorithm>

#include "coverage/CoverageOverlay.h"
#include "map/RssiBands.h"
#include "screens/MapPainting.h"
#include "screens/ViewScreen.h"

namespace {

constexpr int kMaxPicture = 2400;  // longest side of a map picture, in pixels
// Page pixels per screen pixel of the scale bar: a screen shows some 96 dpi.
constexpr double kScaleBarUnit = kReportResolution / 96.0;

}  // namespace

bool CReportLayout::Begin() {
    if (!m_p.begin(&m_writer)) return false;
    m_page = m_writer.pageLayout().paintRectPixels(kReportResolution);
    m_page.moveTo(0, 0);
    return true;
}

void CReportLayout::NewPage() {
    if (m_pages++ > 0) m_writer.newPage();
    m_y = 0;
}

void CReportLayout::Font(double points, bool bold) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSizeF(points);
    f.setBold(bold);
    m_p.setFont(f);
}

void CReportLayout::Line(const QString& text, int indent) {
    const QFontMetrics fm(m_p.font());
    const int width = m_page.width() - indent;
    // Broken between words where it would run past the page's edge (a word
    // wider than the page stands alone on its line).
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '))) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && fm.horizontalAdvance(longer) > width) {
            m_p.drawText(QPoint(m_page.left() + indent, m_y + fm.ascent()), line);
            m_y += fm.lineSpacing();
            line = word;
        } else {
            line = longer;
        }
    }
    m_p.drawText(QPoint(m_page.left() + indent, m_y + fm.ascent()), line);
    m_y += fm.lineSpacing();
}

void CReportLayout::Heading(const QString& text) {
    Font(16, true);
    Line(text);
    m_y += 20;
}

void CReportLayout::Row(const QStringList& cells, std::span<const int> columns) {
    const QFontMetrics fm(m_p.font());
    const int y = m_y;
    for (size_t c = 0; c < columns.size() && c < static_cast<size_t>(cells.size()); ++c) {
        m_y = y;
        const int width =
            (c + 1 < columns.size() ? columns[c + 1] : m_page.width()) - columns[c] - 20;
        Line(fm.elidedText(cells[static_cast<qsizetype>(c)], Qt::ElideRight, width), columns[c]);
    }
    m_y = y + RowHeight();
}

int CReportLayout::RowHeight() const { return QFontMetrics(m_p.font()).lineSpacing() * 3 / 2; }

bool CReportLayout::FitsRows(int rows) const { return m_y + rows * RowHeight() <= m_page.height(); }

void CReportLayout::Map(int below, const OverlayFor& overlayFor) {
    const MapBitmap& plan = m_map.loaded.Plan();
    const int height = m_page.height() - m_y - below;
    const double scale = std::min({static_cast<double>(m_page.width()) / plan.width,
                                   static_cast<double>(height) / plan.height,
                                   static_cast<double>(kMaxPicture) / plan.width,
                                   static_cast<double>(kMaxPicture) / plan.height});
    const QSize size(std::max(1, static_cast<int>(plan.width * scale)),
                     std::max(1, static_cast<int>(plan.height * scale)));
    const VpRect world{0, 0, plan.width, plan.height};
    const std::unique_ptr<IMapOverlay> overlay = overlayFor ? overlayFor(world, size) : nullptr;
    const QImage picture = RenderMapImage(plan, m_map.loaded.Layer(), world, size, overlay.get());
    // Printed as large as the page allows, whatever the picture's pixels.
    const double fit = std::min(static_cast<double>(m_page.width()) / size.width(),
                                static_cast<double>(height) / size.height());
    const QRect target(m_page.left(), m_y, static_cast<int>(size.width() * fit),
                       static_cast<int>(size.height() * fit));
    if (!picture.isNull()) m_p.drawImage(target, picture);
    if (m_metresPerPixel)
        screens::PaintScaleBar(m_p, target, static_cast<double>(target.width()) / plan.width,
                               *m_metresPerPixel, kScaleBarUnit);
    m_p.setPen(QPen(Qt::black, 2));
    m_p.drawRect(target);
    m_y = target.bottom() + 40;
}

void CReportLayout::Legend(const std::vector<LegendEntry>& entries) {
    Font(10);
    const QFontMetrics fm(m_p.font());
    const int swatch = fm.height();
    const int column = m_page.width() / 3;
    const int rows = (static_cast<int>(entries.size()) + 2) / 3;
    for (size_t i = 0; i < entries.size(); ++i) {
        const int b = static_cast<int>(i);
        const int x = m_page.left() + (b % 3) * column;
        const int y = m_y + (b / 3) * (swatch + 20);
        m_p.fillRect(QRect(x, y, 2 * swatch, swatch), QColor(QRgb(entries[i].first)));
        m_p.setPen(Qt::black);
        m_p.drawText(QPoint(x + 2 * swatch + 20, y + fm.ascent()), entries[i].second);
    }
    m_y += rows * (swatch + 20);
}

std::vector<LegendEntry> RssiLegend() {
    std::vector<LegendEntry> out;
    for (int8_t b = 0; b < kBandCount; ++b)
        out.emplace_back(CCoverageOverlay::BandColour(b),
                         QString::fromLatin1(kRssiBands[b].rangeText));
    return out;
}

QString RadiusText(int radiusPixels, std::optional<double> metresPerPixel) {
    if (!metresPerPixel) return QStringLiteral("%1 plan pixels").arg(radiusPixels);
    return QStringLiteral("%1 m (%2 plan pixels)")
        .arg(QString::number(radiusPixels * *metresPerPixel, 'g', 3))
        .arg(radiusPixels);
}
