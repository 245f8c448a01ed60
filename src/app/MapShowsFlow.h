#pragma once
// "Map Shows" (Ctrl+M): the surveyor chooses what the coverage map shows
// and the requirement pass/fail is judged against in CMapShowsDlg; the
// choice is kept with the site (CSiteMetric) and the map then shows.

#include <functional>

#include "app/ViewDialogs.h"
#include "requirements/SiteMetric.h"

class CMapShowsFlow {
public:
    CMapShowsFlow(CSurveyDocument& document, CCoverageState& coverage,
                  std::function<IViewDialogs&()> dialogs);
    void Run(QWidget* parent);
    CSiteMetric& Metric() { return m_metric; }

private:
    CSiteMetric m_metric;
    std::function<IViewDialogs&()> m_dialogs;
};
