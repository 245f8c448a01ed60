#include "dialogs/LocationInfoDlg.h"

#include "dialogs/DialogFrame.h"
#include "platform/Gdi.h"
#include "site/SiteRecord.h"

namespace {

constexpr uint32_t kBarColor = 0x00FF0000;  // blue, COLORREF
constexpr int kBarLeft = 7;
constexpr int kBarWidth = 226;
constexpr int kBarHeight = 2;
constexpr int kBarTops[] = {20, 60, 100, 210};

}  // namespace

CLocationInfoDlg::CLocationInfoDlg(QWidget* parent)
    : QDialog(parent), m_deleteButton(QStringLiteral("DELETE THIS POINT"), this) {
    dialogs::SetUpDialog(*this, QStringLiteral("Loc Parms/Del Request"), 146, 158);
    // The painted summary is laid out in pixels and is wider than the
    // template (its bars run to x 233, its texts to 237): the dialog takes
    // the bars' width with the same margin on both sides, which holds every
    // text rectangle too.
    setFixedWidth(kBarLeft + kBarWidth + kBarLeft);
    dialogs::PlaceControl(m_deleteButton, 7, 137, 132, 14);
    m_deleteButton.setAutoDefault(false);
    connect(&m_deleteButton, &QPushButton::clicked, this, [this] { OnDeletePoint(); });
}

std::vector<LocationInfoText> CLocationInfoDlg::SummaryTexts(const CSiteRecord* site) {
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
    }
    return texts;
}

void CLocationInfoDlg::PaintSummary(QPainter& p, const CSiteRecord* site) {
    gdi::Prepare(p);
    p.setFont(gdi::PointFont(8));
    const QColor black = Qt::black;
    const QColor white = Qt::white;
    const QColor bar = gdi::FromColorRef(kBarColor);
    // No text rectangle overlaps a bar, so the order of the two loops does
    // not change a pixel.
    for (const LocationInfoText& item : SummaryTexts(site))
        gdi::DrawText(p, item.rect, item.text, gdi::kLeftTop, black, white);
    for (int top : kBarTops) gdi::FillRect(p, QRect(kBarLeft, top, kBarWidth, kBarHeight), bar);
}

void CLocationInfoDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintSummary(p, g_pSite);
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
