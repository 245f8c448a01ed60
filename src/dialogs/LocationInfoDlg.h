#pragma once
// "Loc Parms/Del Request": the summary of the point selected by a
// tap-and-hold (position, number of AP records, strongest AP), painted rather
// than shown in controls, and the one action "DELETE THIS POINT".
// exec() returns kDeleted (-2) when the surveyor asks for the point to be
// deleted, which the caller then does; closing the window through its close
// control returns QDialog::Rejected (0). The dialog changes nothing itself.

#include <QDialog>
#include <QPainter>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <vector>

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

    explicit CLocationInfoDlg(QWidget* parent = nullptr);

    // The texts in painting order, with the selected-point fields of `site`
    // (the value lines are left out when there is no site record).
    static std::vector<LocationInfoText> SummaryTexts(const CSiteRecord* site);
    // Paints the summary of `site` (texts and the four blue bars).
    static void PaintSummary(QPainter& p, const CSiteRecord* site);

    // "DELETE THIS POINT": ends with kDeleted.
    void OnDeletePoint();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPushButton m_deleteButton;
};
