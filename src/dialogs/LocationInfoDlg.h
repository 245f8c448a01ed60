#pragma once
// "Loc Parms/Del Request": the summary of the point selected by a
// tap-and-hold (position, number of AP records, strongest AP), painted rather
// than shown in controls, and the one action "DELETE THIS POINT".
// A point with a throughput test shows its figures (or why there are none)
// under the strongest AP, in lines of at most the bars' width; a point whose
// noise was measured on the primary's channel shows that noise and the SNR
// in a row above them. The closing bar and the button move down as far as
// they need. Without either the dialog is exactly what it always was.
// exec() returns kDeleted (-2) when the surveyor asks for the point to be
// deleted, which the caller then does; closing the window through its close
// control returns QDialog::Rejected (0). The dialog changes nothing itself.

#include <QDialog>
#include <QPainter>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "throughput/ThroughputResult.h"

class CSiteRecord;

// One text of the summary and the client rectangle it is drawn in.
struct LocationInfoText {
    QRect rect;
    QString text;
};

class CLocationInfoDlg : public QDialog {
    Q_OBJECT
public:
    // The answer "DELETE THIS POINT".
    static constexpr int kDeleted = -2;

    // `throughput`: the selected point's test, nothing where none ran;
    // `noise`: its noise line (NoiseSummaryLine), "" where none was measured.
    explicit CLocationInfoDlg(QWidget* parent = nullptr,
                              const std::optional<ThroughputOutcome>& throughput = std::nullopt,
                              const std::string& noise = {});

    // The texts in painting order, with the selected-point fields of `site`
    // (the value lines are left out when there is no site record), the noise
    // line and the lines of its throughput test.
    static std::vector<LocationInfoText> SummaryTexts(
        const CSiteRecord* site, const std::vector<std::string>& throughput = {},
        const std::string& noise = {});
    // Paints the summary of `site` (texts and the four blue bars).
    static void PaintSummary(QPainter& p, const CSiteRecord* site,
                             const std::vector<std::string>& throughput = {},
                             const std::string& noise = {});
    // How far the closing bar and the button move down for these lines.
    static int ThroughputRoom(const std::vector<std::string>& throughput,
                              const std::string& noise = {});

    // "DELETE THIS POINT": ends with kDeleted.
    void OnDeletePoint();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<std::string> m_throughput;  // ThroughputSummaryLines, empty without a test
    std::string m_noise;                    // "" where no noise was measured
    QPushButton m_deleteButton;
    const int m_scale;  // the dialogs' scale when it was made: the summary's magnification
};
