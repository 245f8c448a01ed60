#include "app/MapShowsFlow.h"

#include <utility>

CMapShowsFlow::CMapShowsFlow(CSurveyDocument& document, CCoverageState& coverage,
                             std::function<IViewDialogs&()> dialogs)
    : m_metric(document, coverage), m_dialogs(std::move(dialogs)) {}

void CMapShowsFlow::Run(QWidget* parent) {
    m_dialogs().MapShows(parent, m_metric.Layer(), m_metric.RequirementText(),
                         [this](const CoverageLayer& layer, const std::string& requirement) {
                             std::string why;
                             m_metric.Choose(layer, requirement, why);
                             return why;
                         });
}
