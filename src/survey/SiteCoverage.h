#pragma once
// CSiteCoverage: keeps the coverage map's choice with the site it was made
// for. A choice made in "Networks" and a scale set on the open site go into
// the survey store; at Open the choice comes back from the store (the
// defaults where it has none, or where there is no store), at the site's
// scale. Listens to the document; no Qt.

#include <cstdint>

#include "coverage/CoverageState.h"
#include "survey/SurveyDocument.h"

class CSiteCoverage : public ISurveyListener {
public:
    CSiteCoverage(CSurveyDocument& document, CCoverageState& coverage);
    ~CSiteCoverage() override;
    CSiteCoverage(const CSiteCoverage&) = delete;
    CSiteCoverage& operator=(const CSiteCoverage&) = delete;

    // The surveyor's choice in "Networks" (R in the unit of the state's
    // Range()), shown and kept. A site only viewed keeps it until it is left.
    void Choose(NetworkChoice choice, int32_t radius);

    void SiteReplaced(CSiteLoader& loaded) override;
    void PointRecorded(const RecordedPoint&) override {}
    void PointDeleted(const DeletedPoint&) override {}
    void Saved() override {}
    void ScaleChanged() override;

private:
    void Keep();

    CSurveyDocument& m_document;
    CCoverageState& m_coverage;
    // A site was adopted: the store opens after SiteReplaced, and the scale
    // it reports next is the new site's.
    bool m_restorePending = false;
};
