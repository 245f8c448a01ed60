#include "survey/SiteCoverage.h"

#include <utility>

CSiteCoverage::CSiteCoverage(CSurveyDocument& document, CCoverageState& coverage)
    : m_document(document), m_coverage(coverage) {
    m_document.AddListener(this);
}

CSiteCoverage::~CSiteCoverage() { m_document.RemoveListener(this); }

void CSiteCoverage::Choose(NetworkChoice choice, int32_t radius) {
    m_coverage.Choose(std::move(choice), radius);
    Keep();
}

void CSiteCoverage::SiteReplaced(CSiteLoader&) {
    m_coverage.SiteReplaced();
    m_restorePending = true;
}

void CSiteCoverage::ScaleChanged() {
    if (std::exchange(m_restorePending, false)) {
        m_coverage.Restore(m_document.Store().Coverage(), m_document.MetresPerPixel());
        return;
    }
    m_coverage.ScaleChanged(m_document.MetresPerPixel());
    Keep();
}

// The store tells its own failures once; the map goes on with the choice.
void CSiteCoverage::Keep() { (void)m_document.Store().SetCoverage(m_coverage.Stored()); }
