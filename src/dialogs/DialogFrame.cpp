#include "dialogs/DialogFrame.h"

#include <QPalette>

#include "platform/DialogScale.h"
#include "platform/DialogUnits.h"
#include "platform/Gdi.h"

namespace dialogs {

void SetScale(int scale) { platform::SetDialogScale(scale); }
int Scale() { return platform::DialogScale(); }

void SetUpDialog(QDialog& dialog, const QString& caption, int cxUnits, int cyUnits) {
    dialog.setWindowTitle(caption);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    dialog.setFixedSize(dlu::ToPixels(cxUnits, cyUnits) * Scale());
    dialog.setFont(gdi::PointFont(8 * Scale()));
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Window, Qt::white);
    dialog.setPalette(palette);
    dialog.setAutoFillBackground(true);
}

void PlaceControl(QWidget& control, int x, int y, int cx, int cy) {
    const QRect r = dlu::ToPixels(x, y, cx, cy);
    control.setGeometry(QRect(r.topLeft() * Scale(), r.size() * Scale()));
}

void PaintSunkenEdge(QPainter& p, const QRect& r) {
    // Outer ring, then inner ring: (top and left, bottom and right).
    const QColor rings[kSunkenEdgeWidth][2] = {{QColor(128, 128, 128), QColor(192, 192, 192)},
                                               {QColor(64, 64, 64), QColor(224, 224, 224)}};
    QRect ring = r;
    for (const auto& [dark, light] : rings) {
        if (ring.width() <= 0 || ring.height() <= 0) return;
        p.fillRect(QRect(ring.left(), ring.bottom(), ring.width(), 1), light);
        p.fillRect(QRect(ring.right(), ring.top(), 1, ring.height()), light);
        p.fillRect(QRect(ring.left(), ring.top(), ring.width() - 1, 1), dark);
        p.fillRect(QRect(ring.left(), ring.top(), 1, ring.height() - 1), dark);
        ring.adjust(1, 1, -1, -1);
    }
}

}  // namespace dialogs
