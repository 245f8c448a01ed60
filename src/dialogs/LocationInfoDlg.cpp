#include "dialogs/LocationInfoDlg.h"

#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

#include "dialogs/DialogFrame.h"
#include "platform/Gdi.h"
#include "site/SiteRecord.h"
#include "throughput/ThroughputSummary.h"

namespace {

constexpr uint32_t kBarColor = 0x00FF0000;  // blue, COLORREF
constexpr int kBarLeft = 7;
constexpr int kBarWidth = 226;
constexpr int kBarHeight = 2;
constexpr int kBarTops[] = {20, 60, 100};
constexpr int kClosingBarTop = 210;
constexpr int kTextFontPoints = 8;

// The rows of what was measured: under the RSSI line, closer together than
// the summary's own so that three throughput rows leave the dialog on a
// 320-pixel screen (the noise row above them makes four); the closing bar
// keeps kRowsGap below the last.
constexpr int kRowsTop = 170;
constexpr int kRowStep = 16;
constexpr int kRowHeight = 15;
constexpr int kRowsGap = 6;
constexpr int kMaxRows = 3;

// The throughput lines broken at spaces into rows no wider than the bars
// (a word wider than that alone is elided), at most kMaxRows of them;
// what does not fit ends the last row in an ellipsis.
QStringList ThroughputRows(const std::vector<std::string>& lines) {
    const QFontMetrics fm(gdi::PointFont(kTextFontPoints));
    const auto fits = [&](const QString& t) { return fm.horizontalAdvance(t) <= kBarWidth; };
    QStringList rows;
    for (const std::string& line : lines) {
        QString row;
        for (const QString& word : QString::fromStdString(line).split(u' ', Qt::SkipEmptyParts)) {
            const QString longer = row.isEmpty() ? word : row + u' ' + word;
            if (fits(longer) || row.isEmpty()) {
                row = longer;
                continue;
            }
            rows << row;
            row = word;
        }
        rows << row;
    }
    // The row after the last one joined to it is too wide, so it is elided.
    if (rows.size() > kMaxRows) rows[kMaxRows - 1] += u' ' + rows[kMaxRows];
    rows = rows.mid(0, kMaxRows);
    for (QString& row : rows)
        if (!fits(row)) row = fm.elidedText(row, Qt::ElideRight, kBarWidth);
    return rows;
}

// The noise row (elided to the bars' width, which it never needs) above
// the throughput rows.
QStringList MeasuredRows(const std::vector<std::string>& throughput, const std::string& noise) {
    QStringList rows = ThroughputRows(throughput);
    if (!noise.empty()) {
        const QFontMetrics fm(gdi::PointFont(kTextFontPoints));
        rows.prepend(fm.elidedText(QString::fromStdString(noise), Qt::ElideRight, kBarWidth));
    }
    return rows;
}

int RowsRoom(qsizetype rows) {
    if (rows == 0) return 0;
    return std::max(0, kRowsTop + kRowStep * int(rows) + kRowsGap - kClosingBarTop);
}

}  // namespace

CLocationInfoDlg::CLocationInfoDlg(QWidget* parent,
                                   const std::optional<ThroughputOutcome>& throughput,
                                   const std::string& noise)
    : QDialog(parent),
      m_throughput(throughput ? ThroughputSummaryLines(*throughput) : std::vector<std::string>()),
      m_noise(noise),
      m_deleteButton(QStringLiteral("DELETE THIS POINT"), this),
      m_scale(dialogs::Scale()) {
    dialogs::SetUpDialog(*this, QStringLiteral("Loc Parms/Del Request"), 146, 158);
    // The painted summary is laid out in pixels and is wider than the
    // template (its bars run to x 233, its texts to 237): the dialog takes
    // the bars' width with the same margin on both sides, which holds every
    // text rectangle too.
    // At the dialogs' scale the summary is painted magnified.
    setFixedWidth((kBarLeft + kBarWidth + kBarLeft) * m_scale);
    dialogs::PlaceControl(m_deleteButton, 7, 137, 132, 14);
    m_deleteButton.setAutoDefault(false);
    connect(&m_deleteButton, &QPushButton::clicked, this, [this] { OnDeletePoint(); });
    if (const int room = ThroughputRoom(m_throughput, m_noise); room > 0) {
        setFixedHeight(height() + room * m_scale);
        m_deleteButton.move(m_deleteButton.x(), m_deleteButton.y() + room * m_scale);
    }
}

int CLocationInfoDlg::ThroughputRoom(const std::vector<std::string>& throughput,
                                     const std::string& noise) {
    return RowsRoom(MeasuredRows(throughput, noise).size());
}

std::vector<LocationInfoText> CLocationInfoDlg::SummaryTexts(
    const CSiteRecord* site, const std::vector<std::string>& throughput, const std::string& noise) {
    using gdi::Rect;
    std::vector<LocationInfoText> texts;
    texts.push_back({Rect(7, 5, 155, 19), QStringLiteral("LOCATION INFORMATION")});
    if (site) {
        texts.push_back({Rect(7, 25, 77, 39), QString::asprintf("X: %.2f", site->m_selX)});
        texts.push_back({Rect(127, 25, 197, 39), QString::asprintf("Y: %.2f", site->m_selY)});
    }
    texts.push_back({Rect(7, 45, 115, 59), QStringLiteral("INFORMATION")});
    if (site) {
        texts.push_back(
            {Rect(7, 65, 77, 79), QString::asprintf("AP's: %d", int(site->m_selApCount))});
    }
    texts.push_back({Rect(7, 85, 115, 99), QStringLiteral("STRONGEST AP")});
    if (site) {
        // Bounded reads: the fields are fixed-width and need not end in NUL.
        texts.push_back({Rect(7, 105, 237, 119),
                         QStringLiteral("MAC Address: ") +
                             gdi::DisplayText(site->m_selBestMac, sizeof site->m_selBestMac)});
        texts.push_back({Rect(7, 125, 237, 139),
                         QStringLiteral("SSID: ") +
                             gdi::DisplayText(site->m_selBestSsid, sizeof site->m_selBestSsid)});
        texts.push_back(
            {Rect(7, 145, 237, 169), QString::asprintf("RSSI: %d", int(site->m_selBestRssi))});
        int top = kRowsTop;
        for (const QString& row : MeasuredRows(throughput, noise)) {
            texts.push_back({QRect(kBarLeft, top, kBarWidth, kRowHeight), row});
            top += kRowStep;
        }
    }
    return texts;
}

void CLocationInfoDlg::PaintSummary(QPainter& p, const CSiteRecord* site,
                                    const std::vector<std::string>& throughput,
                                    const std::string& noise) {
    gdi::Prepare(p);
    p.setFont(gdi::PointFont(kTextFontPoints));
    const QColor black = Qt::black;
    const QColor white = Qt::white;
    const QColor bar = gdi::FromColorRef(kBarColor);
    // No text rectangle overlaps a bar, so the order of the two loops does
    // not change a pixel.
    for (const LocationInfoText& item : SummaryTexts(site, throughput, noise))
        gdi::DrawText(p, item.rect, item.text, gdi::kLeftTop, black, white);
    for (int top : kBarTops) gdi::FillRect(p, QRect(kBarLeft, top, kBarWidth, kBarHeight), bar);
    const int closing = kClosingBarTop + ThroughputRoom(throughput, noise);
    gdi::FillRect(p, QRect(kBarLeft, closing, kBarWidth, kBarHeight), bar);
}

void CLocationInfoDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.scale(m_scale, m_scale);
    PaintSummary(p, g_pSite, m_throughput, m_noise);
}

void CLocationInfoDlg::OnDeletePoint() {
    // The answer only: the caller's survey document deletes the point.
    // Without a site record nothing is selected, so nothing can be deleted.
    if (!g_pSite) {
        reject();
        return;
    }
    done(kDeleted);
}
