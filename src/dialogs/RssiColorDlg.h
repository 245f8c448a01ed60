#pragma once
// "Color of RSSI Values": the legend of the six colour bands with which the
// map paints its point circles. Read-only; closed through the window's close
// control.

#include <QDialog>
#include <QLabel>
#include <array>
#include <cstdint>

#include "dialogs/ColorSwatch.h"

// One row of the legend: its top in dialog units, the swatch colour
// (COLORREF) and the label with its width in dialog units.
struct RssiLegendRow {
    int y;
    uint32_t color;
    const char* label;
    int labelWidth;
};

const std::array<RssiLegendRow, 6>& RssiLegendRows();

class CRssiColorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRssiColorDlg(QWidget* parent = nullptr);

    CColorSwatch m_swatches[6];

private:
    QLabel m_labels[6];
};
