#include "platform/MessageBoxes.h"

#include <QMessageBox>

#include "platform/DialogScale.h"

namespace platform {

int QtMessageBoxes::Show(QWidget* parent, const QString& text, const QString& caption,
                         unsigned type) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (type & 0xF0) {
        case MB_ICONHAND:
            box.setIcon(QMessageBox::Critical);
            break;
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONEXCLAMATION:
            box.setIcon(QMessageBox::Warning);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    switch (type & 0x0F) {
        case MB_YESNO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case MB_YESNOCANCEL:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    ScaleQtDialog(box);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        case QMessageBox::Cancel:
            return IDCANCEL;
        default:
            break;
    }
    // A box closed with Escape or the title bar's close answers "no" to a
    // question and "cancel" to a three-way one.
    if ((type & 0x0F) == MB_YESNO) return IDNO;
    if ((type & 0x0F) == MB_YESNOCANCEL) return IDCANCEL;
    return IDOK;
}

namespace {
IMessageBoxes* g_boxes = nullptr;  // user-interface thread only
}

IMessageBoxes& MessageBoxes() {
    static QtMessageBoxes qtBoxes;
    return g_boxes != nullptr ? *g_boxes : qtBoxes;
}

void SetMessageBoxes(IMessageBoxes* boxes) { g_boxes = boxes; }

}  // namespace platform
