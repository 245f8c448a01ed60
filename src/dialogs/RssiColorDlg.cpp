#include "dialogs/RssiColorDlg.h"

#include "dialogs/DialogFrame.h"
#include "map/RssiBands.h"

CRssiColorDlg::CRssiColorDlg(QWidget* parent) : QDialog(parent) {
    dialogs::SetUpDialog(*this, QStringLiteral("Color of RSSI Values"), 160, 161);
    // Six rows 22 dialog units apart from y 14; the first label is wider.
    static_assert(kBandCount == 6);
    for (int k = 0; k < kBandCount; ++k) {
        const int y = 14 + 22 * k;
        m_swatches[k].setParent(this);
        m_swatches[k].SetColor(BandColorref(k));
        dialogs::PlaceControl(m_swatches[k], 19, y, 26, 8);
        m_labels[k].setParent(this);
        m_labels[k].setText(QString::fromLatin1(kRssiBands[k].legendLabel));
        dialogs::PlaceControl(m_labels[k], 63, y, k == 0 ? 70 : 55, 8);
    }
}
