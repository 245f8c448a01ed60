#include "app/ViewDialogs.h"

#include <QWidget>

#include "dialogs/HelpDlg.h"
#include "dialogs/IperfServerDlg.h"
#include "dialogs/LocationInfoDlg.h"
#include "dialogs/MapShowsDlg.h"
#include "dialogs/NetworksDlg.h"
#include "dialogs/ProductAboutDlg.h"
#include "dialogs/RssiColorDlg.h"
#include "dialogs/ScaleDistanceDlg.h"
#include "dialogs/SignOffDlg.h"

namespace {

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

}  // namespace

int CDefaultViewDialogs::LocationInfo(QWidget* parent,
                                      const std::optional<ThroughputOutcome>& throughput,
                                      const std::string& noise) {
    CLocationInfoDlg dlg(parent, throughput, noise);
    return dlg.exec();
}

std::unique_ptr<ISignature> CDefaultViewDialogs::SignOff(QWidget* parent) {
    auto signature = std::make_unique<CDialogSignature>(parent);
    if (!signature->Run()) return nullptr;
    return signature;
}

void CDefaultViewDialogs::ColorCodes(QWidget* parent) {
    CRssiColorDlg dlg(parent);
    dlg.exec();
}

void CDefaultViewDialogs::Help(QWidget* parent) {
    CHelpDlg dlg(parent);
    dlg.exec();
}

void CDefaultViewDialogs::About(QWidget* parent) {
    CProductAboutDlg dlg(parent);
    dlg.exec();
}

bool CDefaultViewDialogs::Networks(QWidget* parent, const NetworkCatalogue& catalogue,
                                   NetworkChoice& choice, int32_t& radius,
                                   const RadiusRange& range) {
    CNetworksDlg dlg(catalogue, choice, radius, range, parent);
    if (dlg.exec() != QDialog::Accepted) return false;
    choice = dlg.Choice();
    radius = dlg.Radius();
    return true;
}

std::optional<double> CDefaultViewDialogs::ScaleDistance(QWidget* parent, double pixels) {
    return AskScaleDistance(parent, pixels);
}

bool CDefaultViewDialogs::MapShows(QWidget* parent, const CoverageLayer& layer,
                                   const std::string& requirement, const MapShowsChoose& choose) {
    CMapShowsDlg dlg(layer, requirement, choose, parent);
    return dlg.exec() == QDialog::Accepted;
}

bool CDefaultViewDialogs::IperfServer(QWidget* parent, const std::string& server,
                                      const IperfChoose& choose) {
    CIperfServerDlg dlg(server, choose, parent);
    return dlg.exec() == QDialog::Accepted;
}
