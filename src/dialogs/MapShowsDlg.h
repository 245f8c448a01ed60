#pragma once
// "Map Shows": what the coverage map shows (the chosen network's signal, or
// one of the metrics of MetricBands.h) and the requirement that pass/fail is
// judged against: a profile (data, voice, location) or criteria typed as
// the export's --require takes them. "SHOW" hands both to `choose`, which
// answers "" (taken; the dialog closes) or the one line that says what is
// wrong (shown under the fields; the dialog stays). The close control keeps
// the map as it was.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <string>

#include "coverage/CoverageLayer.h"

class CMapShowsDlg : public QDialog {
    Q_OBJECT
public:
    using Choose = std::function<std::string(const CoverageLayer&, const std::string& requirement)>;

    CMapShowsDlg(const CoverageLayer& layer, const std::string& requirement, Choose choose,
                 QWidget* parent = nullptr);

    QComboBox& Layers() { return m_layers; }
    QComboBox& Requirement() { return m_requirement; }
    QLabel& Error() { return m_error; }
    QPushButton& ShowButton() { return m_show; }
    // The layer of list row `row` (row 0: the signal).
    static CoverageLayer LayerOfRow(int row);

private:
    void Show();

    Choose m_choose;
    QLabel m_layersLabel, m_requirementLabel, m_hint, m_error;
    QComboBox m_layers, m_requirement;
    QPushButton m_show;
};
