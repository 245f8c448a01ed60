#include "dialogs/ScaleDistanceDlg.h"

#include <QInputDialog>

#include "platform/DialogScale.h"

std::optional<double> AskScaleDistance(QWidget* parent, double pixels) {
    QInputDialog dlg(parent);
    dlg.setWindowTitle(QStringLiteral("Set Scale"));
    dlg.setLabelText(
        QStringLiteral("The two marks are %1 plan pixels apart.\nDistance between them (metres):")
            .arg(pixels, 0, 'f', 1));
    dlg.setInputMode(QInputDialog::DoubleInput);
    dlg.setDoubleRange(0.001, 1e6);
    dlg.setDoubleDecimals(3);
    dlg.setDoubleValue(1.0);
    platform::ScaleQtDialog(dlg);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.doubleValue();
}
