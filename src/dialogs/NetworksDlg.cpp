#include "dialogs/NetworksDlg.h"

#include <QHeaderView>
#include <algorithm>

#include "coverage/CoverageGrid.h"
#include "coverage/NetworkNames.h"
#include "dialogs/DialogFrame.h"

namespace {

enum Kind { kAll, kSsid, kAccessPoint };
constexpr int kKindRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;
constexpr int kIndent = 8;       // pixels an access point stands in from its SSID
constexpr int kCellPadding = 8;  // room beside a number in its column

QString SsidText(const std::string& bytes) { return QString::fromStdString(SsidName(bytes)); }

QString MacText(const MacAddress& mac) { return QString::fromStdString(MacName(mac)); }

QTreeWidgetItem* Row(Kind kind, int index, const QString& name, const QString& channel,
                     int32_t points, int32_t best) {
    auto* item =
        new QTreeWidgetItem({name, channel, QString::number(points), QString::number(best)});
    item->setData(CNetworksDlg::kNetwork, kKindRole, kind);
    item->setData(CNetworksDlg::kNetwork, kIndexRole, index);
    for (int c = CNetworksDlg::kChannel; c < CNetworksDlg::kColumns; ++c)
        item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

}  // namespace

CNetworksDlg::CNetworksDlg(NetworkCatalogue catalogue, const NetworkChoice& current, int32_t radius,
                           const RadiusRange& range, QWidget* parent)
    : QDialog(parent),
      m_catalogue(std::move(catalogue)),
      m_list(this),
      m_radiusLabel(QStringLiteral("Coverage radius R:"), this),
      m_radius(this),
      m_showButton(QStringLiteral("SHOW COVERAGE"), this) {
    dialogs::SetUpDialog(*this, QStringLiteral("Networks"), 160, 178);
    dialogs::PlaceControl(m_list, 2, 2, 156, 138);
    dialogs::PlaceControl(m_radiusLabel, 4, 147, 64, 10);
    dialogs::PlaceControl(m_radius, 68, 144, 50, 13);
    dialogs::PlaceControl(m_showButton, 4, 160, 152, 14);

    m_list.setColumnCount(kColumns);
    m_list.setHeaderLabels({QStringLiteral("Network"), QStringLiteral("Ch"), QStringLiteral("Pts"),
                            QStringLiteral("dBm")});
    m_list.setRootIsDecorated(false);
    m_list.setItemsExpandable(false);
    m_list.setIndentation(kIndent * dialogs::Scale());
    m_list.setUniformRowHeights(true);
    m_list.setTextElideMode(Qt::ElideRight);
    m_list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list.setSelectionMode(QAbstractItemView::SingleSelection);

    m_radius.setRange(range.least, range.most);
    m_radius.setSuffix(QString::fromUtf8(range.suffix));
    m_radius.setValue(radius);  // clamped to the range
    m_radius.setToolTip(QStringLiteral("Nothing is painted farther than R from every point"));

    m_showButton.setDefault(true);
    connect(&m_showButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(&m_list, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });

    Fill(current);
    FitColumns();
}

void CNetworksDlg::Fill(const NetworkChoice& current) {
    int32_t best = kNothingHeard;
    for (const AccessPointInfo& ap : m_catalogue.accessPoints) best = std::max(best, ap.bestRssi);
    auto* all =
        Row(kAll, 0, QStringLiteral("Strongest of all"), QString(), m_catalogue.points, best);
    if (m_catalogue.accessPoints.empty()) all->setText(kBest, QString());  // nothing heard
    all->setToolTip(kNetwork, QStringLiteral("The strongest reading at each point"));
    m_list.addTopLevelItem(all);
    QTreeWidgetItem* selected = all;

    QFont bold = m_list.font();
    bold.setBold(true);
    for (size_t s = 0; s < m_catalogue.ssids.size(); ++s) {
        const SsidInfo& info = m_catalogue.ssids[s];
        auto* ssid = Row(kSsid, static_cast<int>(s), SsidText(info.ssid), QString(), info.points,
                         info.bestRssi);
        ssid->setFont(kNetwork, bold);
        ssid->setToolTip(kNetwork,
                         QStringLiteral("%1: %2 access point(s), the strongest at each point")
                             .arg(SsidText(info.ssid))
                             .arg(info.accessPoints));
        m_list.addTopLevelItem(ssid);
        if (current.kind == NetworkChoice::Kind::Ssid && current.ssid == info.ssid) selected = ssid;
        // Its access points, strongest first as the catalogue lists them.
        for (size_t a = 0; a < m_catalogue.accessPoints.size(); ++a) {
            const AccessPointInfo& ap = m_catalogue.accessPoints[a];
            if (ap.ssid != info.ssid) continue;
            auto* row = Row(kAccessPoint, static_cast<int>(a), MacText(ap.mac),
                            QString::number(ap.channel), ap.points, ap.bestRssi);
            row->setToolTip(kNetwork, SsidText(ap.ssid) + QStringLiteral(" at ") + MacText(ap.mac));
            ssid->addChild(row);
            if (current.kind == NetworkChoice::Kind::AccessPoint && current.mac == ap.mac)
                selected = row;
        }
    }
    m_list.expandAll();
    m_list.setCurrentItem(selected);
}

void CNetworksDlg::FitColumns() {
    // The numbers' columns as wide as their widest text; the network's
    // column takes the rest, so the list never scrolls sideways.
    const QFontMetrics fm(m_list.font());
    int widest[kColumns] = {};
    for (int c = kChannel; c < kColumns; ++c)
        widest[c] = fm.horizontalAdvance(m_list.headerItem()->text(c));
    for (QTreeWidgetItemIterator it(&m_list); *it != nullptr; ++it)
        for (int c = kChannel; c < kColumns; ++c)
            widest[c] = std::max(widest[c], fm.horizontalAdvance((*it)->text(c)));
    QHeaderView* header = m_list.header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(1);
    header->setSectionResizeMode(kNetwork, QHeaderView::Stretch);
    for (int c = kChannel; c < kColumns; ++c) {
        header->setSectionResizeMode(c, QHeaderView::Fixed);
        header->resizeSection(c, widest[c] + kCellPadding * dialogs::Scale());
    }
}

NetworkChoice CNetworksDlg::Choice() const {
    const QTreeWidgetItem* item = m_list.currentItem();
    if (item == nullptr) return NetworkChoice::StrongestOfAll();
    const int index = item->data(kNetwork, kIndexRole).toInt();
    switch (item->data(kNetwork, kKindRole).toInt()) {
        case kSsid:
            return NetworkChoice::OfSsid(m_catalogue.ssids[static_cast<size_t>(index)].ssid);
        case kAccessPoint:
            return NetworkChoice::OfAccessPoint(
                m_catalogue.accessPoints[static_cast<size_t>(index)].mac);
        default:
            return NetworkChoice::StrongestOfAll();
    }
}
