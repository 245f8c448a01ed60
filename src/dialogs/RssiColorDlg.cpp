#include "dialogs/RssiColorDlg.h"

#include "dialogs/DialogFrame.h"

const std::array<RssiLegendRow, 6>& RssiLegendRows() {
    static const std::array<RssiLegendRow, 6> rows = {{
        {14, 0x000000FF, "greater than -39 dBm", 70},
        {36, 0x000080FF, "-40 thru -49 dBm", 55},
        {58, 0x0000FFFF, "-50 thru -59 dBm", 55},
        {80, 0x0000FF00, "-60 thru -69 dBm", 55},
        {102, 0x00FF0000, "-70 thru -79 dBm", 55},
        {124, 0x00000000, "-80 thru -89 dBm", 55},
    }};
    return rows;
}

CRssiColorDlg::CRssiColorDlg(QWidget* parent) : QDialog(parent) {
    dialogs::SetUpDialog(*this, QStringLiteral("Color of RSSI Values"), 160, 161);
    const auto& rows = RssiLegendRows();
    for (size_t k = 0; k < rows.size(); ++k) {
        m_swatches[k].setParent(this);
        m_swatches[k].SetColor(rows[k].color);
        dialogs::PlaceControl(m_swatches[k], 19, rows[k].y, 26, 8);
        m_labels[k].setParent(this);
        m_labels[k].setText(QString::fromLatin1(rows[k].label));
        dialogs::PlaceControl(m_labels[k], 63, rows[k].y, rows[k].labelWidth, 8);
    }
}
