#pragma once
// The view's modal dialogs behind an interface, so that tests answer them
// without a modal loop. The default runs the real dialogs.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "coverage/CoverageLayer.h"
#include "coverage/CoverageState.h"
#include "coverage/NetworkCatalogue.h"
#include "coverage/NetworkChoice.h"
#include "throughput/ThroughputResult.h"

class QWidget;

// The sign-off signature, valid after the dialog has closed.
class ISignature {
public:
    virtual ~ISignature() = default;
    virtual uint32_t GetSignaturePixel(int x, int y) const = 0;
};

class IViewDialogs {
public:
    virtual ~IViewDialogs() = default;
    // CLocationInfoDlg on the selected point of g_pSite with its throughput
    // test (nothing where none ran) and its noise line ("" where no noise was
    // measured); -2 when the user deleted that point.
    virtual int LocationInfo(QWidget* parent, const std::optional<ThroughputOutcome>& throughput,
                             const std::string& noise) = 0;
    // CSignOffDlg: the signature once "SAVE SITE SURVEY" was pressed; null
    // when the dialog was closed any other way (Escape, the close control),
    // which cancels the save.
    virtual std::unique_ptr<ISignature> SignOff(QWidget* parent) = 0;
    virtual void ColorCodes(QWidget* parent) = 0;
    virtual void Help(QWidget* parent) = 0;
    virtual void About(QWidget* parent) = 0;
    // CNetworksDlg over `catalogue`, opened on `choice` and `radius` (in
    // `range`'s unit): true
    // when the surveyor chose, and then they hold the choice; false when the
    // dialog was closed.
    virtual bool Networks(QWidget* parent, const NetworkCatalogue& catalogue, NetworkChoice& choice,
                          int32_t& radius, const RadiusRange& range) = 0;
    // "Set Scale": the distance in metres between marks `pixels` apart;
    // nothing when cancelled (the default: cancelled).
    virtual std::optional<double> ScaleDistance(QWidget*, double) { return std::nullopt; }
    // "Map Shows" (CMapShowsDlg) opened on `layer` and `requirement`: each
    // choice goes to `choose` until it takes one (true) or the dialog is
    // closed (false; the default).
    using MapShowsChoose = std::function<std::string(const CoverageLayer&, const std::string&)>;
    virtual bool MapShows(QWidget*, const CoverageLayer&, const std::string&,
                          const MapShowsChoose&) {
        return false;
    }
    // "iperf3 Server" (CIperfServerDlg) opened on `server`: the same with
    // the text set, or nothing for CLEAR.
    using IperfChoose = std::function<std::string(const std::optional<std::string>&)>;
    virtual bool IperfServer(QWidget*, const std::string&, const IperfChoose&) { return false; }
};

class CDefaultViewDialogs : public IViewDialogs {
public:
    int LocationInfo(QWidget* parent, const std::optional<ThroughputOutcome>& throughput,
                     const std::string& noise) override;
    std::unique_ptr<ISignature> SignOff(QWidget* parent) override;
    void ColorCodes(QWidget* parent) override;
    void Help(QWidget* parent) override;
    void About(QWidget* parent) override;
    bool Networks(QWidget* parent, const NetworkCatalogue& catalogue, NetworkChoice& choice,
                  int32_t& radius, const RadiusRange& range) override;
    std::optional<double> ScaleDistance(QWidget* parent, double pixels) override;
    bool MapShows(QWidget* parent, const CoverageLayer& layer, const std::string& requirement,
                  const MapShowsChoose& choose) override;
    bool IperfServer(QWidget* parent, const std::string& server,
                     const IperfChoose& choose) override;
};
