#include "dialogs/ScaleDistanceDlg.h"

#include <QInputDialog>

std::optional<double> AskScaleDistance(QWidget* parent, double pixels) {
    bool ok = false;
    const double metres = QInputDialog::getDouble(
        parent, QStringLiteral("Set Scale"),
        QStringLiteral("The two marks are %1 plan pixels apart.\nDistance between them (metres):")
            .arg(pixels, 0, 'f', 1),
        1.0, 0.001, 1e6, 3, &ok);
    if (!ok) return std::nullopt;
    return metres;
}
