#pragma once
// "Color of RSSI Values": the legend of the six colour bands with which the
// map paints its point circles (map/RssiBands.h). Read-only; closed through
// the window's close control.

#include <QDialog>
#include <QLabel>

#include "dialogs/ColorSwatch.h"

class CRssiColorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRssiColorDlg(QWidget* parent = nullptr);

    CColorSwatch m_swatches[6];

private:
    QLabel m_labels[6];
};
