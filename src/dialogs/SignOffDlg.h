#pragma once
// "Sign Off On Survey": the surveyor signs with the stylus before Save
// writes the site file. "SAVE SITE SURVEY" accepts the dialog and Save goes
// on; Escape or the window's close control reject it and the save is
// cancelled. Save reads the signature grid, the canvas pixels x 0 .. 199,
// y 0 .. 99, through GetSignaturePixel; the canvas lives with the dialog
// object, so the grid can be read after exec() has returned and the window
// is gone.

#include <QDialog>
#include <QPushButton>
#include <cstdint>

#include "dialogs/SignaturePad.h"

class CSignOffDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kGridWidth = 200;
    static constexpr int kGridHeight = 100;
    static constexpr uint32_t kInk = 0x00000000;
    static constexpr uint32_t kNoInk = 0x00FFFFFF;

    explicit CSignOffDlg(QWidget* parent = nullptr);

    // kInk where the canvas pixel is pure black, kNoInk for any other
    // colour and for a point outside the canvas.
    uint32_t GetSignaturePixel(int x, int y) const;

    // "CLEAR SIGNATURE".
    void OnClearSignature();

    CSignaturePad m_pad;

private:
    QPushButton m_clearButton;
    QPushButton m_saveButton;
};
