#pragma once
// What the report's pages share: an A4 page at 300 dots per inch with a
// running position down it, lines of text, tables, legends, and the map
// pictures (the plan with its circles, an overlay under them, and the scale
// bar where the site has a scale) painted by the window's own code.

#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "SiteCommands.h"
#include "map/MapRender.h"

inline constexpr int kReportResolution = 300;  // dots per inch of the page's coordinates

// The overlay of a map picture of `size` pixels showing the whole plan
// (`world`); null for none.
using OverlayFor = std::function<std::unique_ptr<IMapOverlay>(const VpRect& world, QSize size)>;

// Page pixels a legend of two rows takes below its map.
inline constexpr int kLegendSpace = 200;

// One entry of a legend: the colour (0xRRGGBB) and what it stands for.
using LegendEntry = std::pair<uint32_t, QString>;

class CReportLayout {
public:
    CReportLayout(QPdfWriter& writer, const SiteMap& map, std::optional<double> metresPerPixel)
        : m_writer(writer), m_map(map), m_metresPerPixel(metresPerPixel) {}

    bool Begin();
    bool End() { return m_p.end(); }

    void NewPage();
    void Font(double points, bool bold = false);
    // Text at the running position, broken into lines at the page's width,
    // then down by their height.
    void Line(const QString& text, int indent = 0);
    void Heading(const QString& text);
    void Gap(int pixels) { m_y += pixels; }
    // One line of a table: each cell from its column's left edge (page
    // pixels), cut to the column's width. Rows are half a line apart: a PDF
    // reader that finds a page's text flow from where its text lies (pdfium:
    // Chrome, QtPdf) takes closely set narrow columns for vertical text and
    // breaks the table into single letters.
    void Row(const QStringList& cells, std::span<const int> columns);
    // Whether `rows` more rows of the current font fit on the page.
    bool FitsRows(int rows) const;
    // The plan, with `overlay` under its circles when given, as large as fits
    // the width and the page's height less `below` page pixels.
    void Map(int below, const OverlayFor& overlay = {});
    // Swatches in three columns.
    void Legend(const std::vector<LegendEntry>& entries);

    int Width() const { return m_page.width(); }
    int Height() const { return m_page.height(); }
    const SiteMap& Site() const { return m_map; }
    std::optional<double> MetresPerPixel() const { return m_metresPerPixel; }
    QPainter& Painter() { return m_p; }
    int Y() const { return m_y; }
    void SetY(int y) { m_y = y; }

private:
    int RowHeight() const;

    QPdfWriter& m_writer;
    const SiteMap& m_map;
    std::optional<double> m_metresPerPixel;
    QPainter m_p;
    QRect m_page;
    int m_pages = 0;
    int m_y = 0;
};

// The RSSI bands of the circles and the primary signal's coverage.
std::vector<LegendEntry> RssiLegend();
// "10 m (500 plan pixels)" with a scale, else "60 plan pixels".
QString RadiusText(int radiusPixels, std::optional<double> metresPerPixel);
