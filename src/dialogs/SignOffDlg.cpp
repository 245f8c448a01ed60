#include "dialogs/SignOffDlg.h"

#include "dialogs/DialogFrame.h"

CSignOffDlg::CSignOffDlg(QWidget* parent)
    : QDialog(parent),
      m_pad(this),
      m_clearButton(QStringLiteral("CLEAR SIGNATURE"), this),
      m_saveButton(QStringLiteral("SAVE SITE SURVEY"), this) {
    dialogs::SetUpDialog(*this, QStringLiteral("Sign Off On Survey"), 139, 111);
    dialogs::PlaceControl(m_clearButton, 7, 69, 125, 14);
    dialogs::PlaceControl(m_saveButton, 7, 90, 125, 14);
    dialogs::PlaceControl(m_pad, 7, 7, 125, 46);
    // Tab order as in the template: clear, save, then the pad.
    m_clearButton.setAutoDefault(false);
    m_saveButton.setDefault(true);
    connect(&m_clearButton, &QPushButton::clicked, this, [this] { OnClearSignature(); });
    connect(&m_saveButton, &QPushButton::clicked, this, &QDialog::accept);
    // The pad's size is fixed now, so its canvas can be made at once: the
    // grid is readable from construction on, blank until signed.
    m_pad.InitCanvas();
}

uint32_t CSignOffDlg::GetSignaturePixel(int x, int y) const {
    return (m_pad.GetPixel(x, y) & 0x00FFFFFF) ? kNoInk : kInk;
}

void CSignOffDlg::OnClearSignature() { m_pad.ClearCanvas(); }
