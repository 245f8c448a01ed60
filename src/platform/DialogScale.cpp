#include "platform/DialogScale.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <algorithm>

namespace platform {

namespace {

int g_scale = 1;  // user-interface thread only

QStyle::StandardPixmap MessageIcon(QMessageBox::Icon icon) {
    switch (icon) {
        case QMessageBox::Critical:
            return QStyle::SP_MessageBoxCritical;
        case QMessageBox::Question:
            return QStyle::SP_MessageBoxQuestion;
        case QMessageBox::Warning:
            return QStyle::SP_MessageBoxWarning;
        default:
            return QStyle::SP_MessageBoxInformation;
    }
}

}  // namespace

void SetDialogScale(int scale) { g_scale = std::max(1, scale); }
int DialogScale() { return g_scale; }

void ScaleQtDialog(QDialog& dialog) {
    if (g_scale == 1) return;
    QFont font = dialog.font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * g_scale);
    else
        font.setPixelSize(font.pixelSize() * g_scale);
    dialog.setFont(font);
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
        button->setIconSize(button->iconSize() * g_scale);
    auto* box = qobject_cast<QMessageBox*>(&dialog);
    if (box == nullptr) return;
    // The box wraps its text beyond a width fixed for the handheld's font
    // (500 pixels at most): the text is given the room it takes at this
    // size, up to half the screen, so that a short question stays on a line.
    auto* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (text != nullptr && box->screen() != nullptr) {
        const int unwrapped = QFontMetrics(font).size(0, box->text()).width();
        text->setMinimumWidth(std::min(unwrapped, box->screen()->availableGeometry().width() / 2));
    }
    // It draws its icon once, at the size the style has (often below the
    // style's own metric): drawn again that many times as large.
    if (box->icon() == QMessageBox::NoIcon) return;
    const QSize size = box->iconPixmap().deviceIndependentSize().toSize() * g_scale;
    const QPixmap drawn =
        box->style()->standardIcon(MessageIcon(box->icon()), nullptr, box).pixmap(size);
    box->setIconPixmap(drawn.deviceIndependentSize().toSize() == size
                           ? drawn
                           : drawn.scaled(size * drawn.devicePixelRatio(), Qt::KeepAspectRatio,
                                          Qt::SmoothTransformation));
}

}  // namespace platform
