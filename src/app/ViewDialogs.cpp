#include "app/ViewDialogs.h"

#include <QWidget>

// The dialogs come from src/dialogs; while they are not built the command
// does nothing, so the shell still builds on its own.
#ifdef PELLORIN_WITH_DIALOGS
#if __has_include("dialogs/LocationInfoDlg.h")
#include "dialogs/LocationInfoDlg.h"
#define PELLORIN_HAS_LOCATION_DLG 1
#endif
#if __has_include("dialogs/SignOffDlg.h")
#include "dialogs/SignOffDlg.h"
#define PELLORIN_HAS_SIGNOFF_DLG 1
#endif
#if __has_include("dialogs/RssiColorDlg.h")
#include "dialogs/RssiColorDlg.h"
#define PELLORIN_HAS_COLOR_DLG 1
#endif
#if __has_include("dialogs/HelpDlg.h")
#include "dialogs/HelpDlg.h"
#define PELLORIN_HAS_HELP_DLG 1
#endif
#if __has_include("dialogs/ProductAboutDlg.h")
#include "dialogs/ProductAboutDlg.h"
#define PELLORIN_HAS_ABOUT_DLG 1
#endif
#if __has_include("dialogs/NetworksDlg.h")
#include "dialogs/NetworksDlg.h"
#define PELLORIN_HAS_NETWORKS_DLG 1
#endif
#endif  // PELLORIN_WITH_DIALOGS

namespace {

#ifdef PELLORIN_HAS_SIGNOFF_DLG
// Keeps the dialog object alive until the save has read the signature.
class CDialogSignature : public ISignature {
public:
    explicit CDialogSignature(QWidget* parent) : m_dlg(parent) {}
    // True when the surveyor pressed "SAVE SITE SURVEY".
    bool Run() { return m_dlg.exec() == QDialog::Accepted; }
    uint32_t GetSignaturePixel(int x, int y) const override {
        return m_dlg.GetSignaturePixel(x, y);
    }

private:
    CSignOffDlg m_dlg;
};
#endif

// No ink anywhere.
class CBlankSignature : public ISignature {
public:
    uint32_t GetSignaturePixel(int, int) const override { return 0x00FFFFFF; }
};

}  // namespace

int CDefaultViewDialogs::LocationInfo([[maybe_unused]] QWidget* parent) {
#ifdef PELLORIN_HAS_LOCATION_DLG
    CLocationInfoDlg dlg(parent);
    return dlg.exec();
#else
    return 0;
#endif
}

std::unique_ptr<ISignature> CDefaultViewDialogs::SignOff([[maybe_unused]] QWidget* parent) {
#ifdef PELLORIN_HAS_SIGNOFF_DLG
    auto signature = std::make_unique<CDialogSignature>(parent);
    if (!signature->Run()) return nullptr;
    return signature;
#else
    return std::make_unique<CBlankSignature>();
#endif
}

void CDefaultViewDialogs::ColorCodes([[maybe_unused]] QWidget* parent) {
#ifdef PELLORIN_HAS_COLOR_DLG
    CRssiColorDlg dlg(parent);
    dlg.exec();
#endif
}

void CDefaultViewDialogs::Help([[maybe_unused]] QWidget* parent) {
#ifdef PELLORIN_HAS_HELP_DLG
    CHelpDlg dlg(parent);
    dlg.exec();
#endif
}

void CDefaultViewDialogs::About([[maybe_unused]] QWidget* parent) {
#ifdef PELLORIN_HAS_ABOUT_DLG
    CProductAboutDlg dlg(parent);
    dlg.exec();
#endif
}

bool CDefaultViewDialogs::Networks([[maybe_unused]] QWidget* parent,
                                   [[maybe_unused]] const NetworkCatalogue& catalogue,
                                   [[maybe_unused]] NetworkChoice& choice,
                                   [[maybe_unused]] int32_t& radius) {
#ifdef PELLORIN_HAS_NETWORKS_DLG
    CNetworksDlg dlg(catalogue, choice, radius, parent);
    if (dlg.exec() != QDialog::Accepted) return false;
    choice = dlg.Choice();
    radius = dlg.Radius();
    return true;
#else
    return false;
#endif
}
