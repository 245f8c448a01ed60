#include <gtest/gtest.h>

#include <QStringList>

#include "coverage/CoverageGrid.h"
#include "dialogs/NetworksDlg.h"

namespace {

MacAddress Mac(uint8_t last) { return {0x00, 0x11, 0x22, 0x33, 0x44, last}; }

NetworkCatalogue Survey() {
    NetworkCatalogue c;
    c.points = 5;
    c.accessPoints = {
        {Mac(1), "office", 6, 3, -40}, {Mac(2), "lab", 11, 2, -60}, {Mac(3), "office", 1, 1, -70}};
    c.ssids = {{"office", 2, 3, -40}, {"lab", 1, 2, -60}};
    return c;
}

}  // namespace

TEST(NetworksDlg, ListsEveryNetworkStrongestFirstAndTheChosenRowIsTheNetworkShown) {
    CNetworksDlg dlg(Survey(), NetworkChoice::OfAccessPoint(Mac(3)), 75);
    EXPECT_TRUE(QRect(0, 0, 240, 268).contains(dlg.rect()));
    QStringList rows;
    std::vector<QTreeWidgetItem*> items;
    for (QTreeWidgetItemIterator it(&dlg.List()); *it != nullptr; ++it) {
        QStringList cells;
        for (int c = 0; c < CNetworksDlg::kColumns; ++c) cells << (*it)->text(c);
        rows << cells.join('|');
        items.push_back(*it);
    }
    EXPECT_EQ(rows, (QStringList{"Strongest of all||5|-40", "office||3|-40", "001122334401|6|3|-40",
                                 "001122334403|1|1|-70", "lab||2|-60", "001122334402|11|2|-60"}));
    // Opened on the current choice and radius.
    EXPECT_EQ(dlg.Choice(), NetworkChoice::OfAccessPoint(Mac(3)));
    EXPECT_EQ(dlg.Radius(), 75);

    const NetworkChoice chosen[] = {
        NetworkChoice::StrongestOfAll(),      NetworkChoice::OfSsid("office"),
        NetworkChoice::OfAccessPoint(Mac(1)), NetworkChoice::OfAccessPoint(Mac(3)),
        NetworkChoice::OfSsid("lab"),         NetworkChoice::OfAccessPoint(Mac(2))};
    for (size_t k = 0; k < items.size(); ++k) {
        dlg.List().setCurrentItem(items[k]);
        EXPECT_EQ(dlg.Choice(), chosen[k]) << k;
    }
    dlg.RadiusBox().setValue(0);
    EXPECT_EQ(dlg.Radius(), kMinCoverageRadius);
    EXPECT_EQ(CNetworksDlg(Survey(), {}, 99999).Radius(), kMaxCoverageRadius);
}
