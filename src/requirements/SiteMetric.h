#pragma once
// CSiteMetric: what the coverage map shows besides the chosen network's
// signal (a layer of CoverageLayer.h) and the requirement that pass/fail is
// judged against, kept with the site. The surveyor's choice goes into the
// survey store's settings and comes back at Open (the signal and no
// requirement where the store has none, or holds what this program cannot
// read), as CSiteCoverage does for the network and radius.
//
//   setting               text
//   coverage.metric       LayerKey: signal, secondary, usable, cochannel,
//                         snr, pass, down, up
//   requirements.active   the requirement as the surveyor typed it: a
//                         profile's name or a list of criteria (empty: none)
//
// A metric's values come from the survey's points (CollectMetricValues) and
// the throughput the store keeps for them, read again whenever a point is
// recorded, deleted or tested or the survey is saved, never at a paint. While
// the map shows pass/fail its caption ends with the share of the surveyed
// floor that passes (AreaShare.h), worked out once per change. No Qt.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coverage/CoverageState.h"
#include "requirements/AreaShare.h"
#include "requirements/PointFigures.h"
#include "requirements/Requirement.h"
#include "survey/SurveyDocument.h"

inline constexpr const char* kMetricSetting = "coverage.metric";
inline constexpr const char* kRequirementSetting = "requirements.active";

std::string LayerKey(const CoverageLayer& layer);
std::optional<CoverageLayer> LayerOfKey(const std::string& key);

// "voice: 72 % passes" and, with a scale, " (310 of 430 m²)".
std::string ShareNote(const std::string& requirementName, const AreaShares& shares);

class CSiteMetric : public ISurveyListener {
public:
    CSiteMetric(CSurveyDocument& document, CCoverageState& coverage);
    ~CSiteMetric() override;
    CSiteMetric(const CSiteMetric&) = delete;
    CSiteMetric& operator=(const CSiteMetric&) = delete;

    // The surveyor's choice: the layer and the requirement as typed (empty:
    // none); the map then shows the layer. A requirement that does not
    // parse, or pass/fail without one, changes nothing: false, and `error`
    // names the bad part in one line.
    bool Choose(const CoverageLayer& layer, const std::string& requirement, std::string& error);
    const CoverageLayer& Layer() const { return m_layer; }
    const std::string& RequirementText() const { return m_requirementText; }
    const std::optional<Requirement>& ChosenRequirement() const { return m_requirement; }
    // A throughput test was kept for the point recorded last.
    void ThroughputKept() { Refresh(); }
    // The shares of the surveyed floor while the map shows pass/fail.
    std::optional<AreaShares> Shares();

    void SiteReplaced(CSiteLoader& loaded) override;
    void PointRecorded(const RecordedPoint&) override { Refresh(); }
    void PointDeleted(const DeletedPoint&) override { Refresh(); }
    void Saved() override { Refresh(); }
    void ScaleChanged() override;

private:
    void Show(const CoverageLayer& layer);
    void Refresh();
    std::string Note();

    CSurveyDocument& m_document;
    CCoverageState& m_coverage;
    CoverageLayer m_layer;
    std::string m_requirementText;
    std::optional<Requirement> m_requirement;
    std::vector<PointMeasures> m_measures;  // one per point of the survey
    bool m_restorePending = false;
    // The last share worked out, and for what.
    uint64_t m_revision = 0;
    struct Worked {
        uint64_t revision = 0;
        int32_t radius = 0;
        std::optional<double> metresPerPixel;
        NetworkChoice choice;
        bool operator==(const Worked&) const = default;
    };
    std::optional<Worked> m_worked;
    std::optional<AreaShares> m_shares;
};
