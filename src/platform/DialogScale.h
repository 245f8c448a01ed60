#pragma once
// The whole multiple of the handheld's size at which the desktop layout
// shows its dialogs (the toolbar's; 1 in the handheld layout, which Qt's
// scale factor enlarges as a whole). The program's own dialogs take their
// lengths and font from it (dialogs/DialogFrame.h); the dialogs Qt builds
// (message boxes, the input of a number, a form of a few fields) are
// brought to it here: their font, their buttons' icons and a message box's
// icon that many times as large, their layout following from those.

class QDialog;

namespace platform {

void SetDialogScale(int scale);  // below 1 counts as 1
int DialogScale();

// `dialog`, built and filled, to DialogScale(); at 1 it is left untouched.
void ScaleQtDialog(QDialog& dialog);

}  // namespace platform
