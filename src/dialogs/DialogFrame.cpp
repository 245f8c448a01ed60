#include "dialogs/DialogFrame.h"

#include <QPalette>

#include "platform/DialogUnits.h"
#include "platform/Gdi.h"

namespace dialogs {

void SetUpDialog(QDialog& dialog, const QString& caption, int cxUnits, int cyUnits) {
    dialog.setWindowTitle(caption);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    dialog.setFixedSize(dlu::ToPixels(cxUnits, cyUnits));
    dialog.setFont(gdi::PointFont(8));
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Window, Qt::white);
    dialog.setPalette(palette);
    dialog.setAutoFillBackground(true);
}

void PlaceControl(QWidget& control, int x, int y, int cx, int cy) {
    control.setGeometry(dlu::ToPixels(x, y, cx, cy));
}

}  // namespace dialogs
