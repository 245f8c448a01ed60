#pragma once
// "Networks": every network heard in the survey, for the coverage map to
// show. A compact tree fits the 240-pixel screen: "Strongest of all" first,
// then each SSID (all its access points, the strongest of them at each
// point) with its access points below it, each with its channel, the number
// of points it was heard at and its best reading, strongest first at both
// levels. Below the list the radius R of the map: in metres where the plan
// has a scale, in plan pixels where it has none. "SHOW COVERAGE" or a double click chooses; the
// close control keeps the map as it was.

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <cstdint>

#include "coverage/CoverageState.h"
#include "coverage/NetworkCatalogue.h"
#include "coverage/NetworkChoice.h"

class CNetworksDlg : public QDialog {
    Q_OBJECT
public:
    enum Column { kNetwork, kChannel, kPoints, kBest, kColumns };

    CNetworksDlg(NetworkCatalogue catalogue, const NetworkChoice& current, int32_t radius,
                 const RadiusRange& range = {}, QWidget* parent = nullptr);

    // The network of the selected row ("Strongest of all" when none is).
    NetworkChoice Choice() const;
    // In the unit of the range it was opened with.
    int32_t Radius() const { return m_radius.value(); }

    QTreeWidget& List() { return m_list; }
    QSpinBox& RadiusBox() { return m_radius; }

private:
    void Fill(const NetworkChoice& current);
    void FitColumns();

    NetworkCatalogue m_catalogue;
    QTreeWidget m_list;
    QLabel m_radiusLabel;
    QSpinBox m_radius;
    QPushButton m_showButton;
};
