#include "requirements/SiteMetric.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "aplist/ApList.h"
#include "requirements/MetricValues.h"
#include "site/SiteRecord.h"

namespace {

struct LayerName {
    std::optional<Metric> metric;
    const char* key;
};
constexpr LayerName kLayerKeys[] = {
    {std::nullopt, "signal"},       {Metric::kSecondarySignal, "secondary"},
    {Metric::kUsableAps, "usable"}, {Metric::kCochannel, "cochannel"},
    {Metric::kSnr, "snr"},          {Metric::kPassFail, "pass"},
    {Metric::kDownload, "down"},    {Metric::kUpload, "up"},
};

}  // namespace

std::string LayerKey(const CoverageLayer& layer) {
    for (const LayerName& n : kLayerKeys)
        if (n.metric == layer.metric) return n.key;
    return "signal";
}

std::optional<CoverageLayer> LayerOfKey(const std::string& key) {
    for (const LayerName& n : kLayerKeys)
        if (key == n.key) return CoverageLayer{n.metric};
    return std::nullopt;
}

std::string ShareNote(const std::string& requirementName, const AreaShares& shares) {
    char line[160];
    std::snprintf(line, sizeof line, "%s: %.0f %% passes", requirementName.c_str(),
                  std::floor(shares.Percent(shares.overall.pass)));
    std::string note = line;
    const auto pass = shares.SquareMetres(shares.overall.pass);
    const auto all = shares.SquareMetres(shares.surveyed);
    if (pass && all) {
        std::snprintf(line, sizeof line, " (%.0f of %.0f m\u00B2)", std::floor(*pass),
                      std::round(*all));
        note += line;
    }
    return note;
}

CSiteMetric::CSiteMetric(CSurveyDocument& document, CCoverageState& coverage)
    : m_document(document), m_coverage(coverage) {
    m_document.AddListener(this);
    m_coverage.SetNote([this] { return Note(); });
}

CSiteMetric::~CSiteMetric() {
    // Nothing may call back into this; and no one is told (the window goes).
    m_coverage.SetNote(nullptr);
    m_coverage.Map().SetLayer(CoverageLayer::Signal());
    m_document.RemoveListener(this);
}

bool CSiteMetric::Choose(const CoverageLayer& layer, const std::string& requirement,
                         std::string& error) {
    std::optional<Requirement> parsed;
    if (requirement.find_first_not_of(" \t") != std::string::npos) {
        RequirementParse p = ParseRequirement(requirement);
        if (!p.requirement) {
            error = p.error;
            return false;
        }
        parsed = std::move(p.requirement);
    }
    if (layer.metric == Metric::kPassFail && !parsed) {
        error = "pass/fail needs a requirement: a profile (data, voice, location) or criteria";
        return false;
    }
    m_requirementText = parsed ? requirement : std::string();
    m_requirement = std::move(parsed);
    Show(layer);
    m_coverage.SetShown(true);
    // The store tells its own failures once; the map goes on with the choice.
    (void)m_document.Store().SetSetting(kMetricSetting, LayerKey(layer));
    (void)m_document.Store().SetSetting(kRequirementSetting, m_requirementText);
    return true;
}

void CSiteMetric::SiteReplaced(CSiteLoader&) {
    m_requirementText.clear();
    m_requirement.reset();
    m_measures.clear();
    Show(CoverageLayer::Signal());
    m_restorePending = true;
}

// The store opens after SiteReplaced; the scale it reports next is the new
// site's, as CSiteCoverage finds it.
void CSiteMetric::ScaleChanged() {
    if (!std::exchange(m_restorePending, false)) return Refresh();  // m² of the share
    CSurveyStore& store = m_document.Store();
    CoverageLayer layer =
        LayerOfKey(store.Setting(kMetricSetting).value_or("")).value_or(CoverageLayer::Signal());
    if (const auto text = store.Setting(kRequirementSetting)) {
        if (RequirementParse p = ParseRequirement(*text); p.requirement) {
            m_requirementText = *text;
            m_requirement = std::move(p.requirement);
        }
    }
    if (layer.metric == Metric::kPassFail && !m_requirement) layer = CoverageLayer::Signal();
    Show(layer);
}

void CSiteMetric::Show(const CoverageLayer& layer) {
    m_layer = layer;
    Refresh();
    if (!layer.metric) return m_coverage.SetLayer(layer);
    const Metric metric = *layer.metric;
    m_coverage.SetLayer(layer, [this, metric](const CApList& survey, const NetworkChoice& choice,
                                              std::vector<PointValue>& out) {
        CollectMetricValues(survey, choice, metric, m_requirement ? &*m_requirement : nullptr,
                            m_measures, out);
    });
}

void CSiteMetric::Refresh() {
    ++m_revision;
    m_measures.clear();
    if (!m_layer.metric) return;
    for (CSurveyDocument::StoredAtPoint& stored : m_document.PointsStored())
        m_measures.push_back({ChannelNoiseOf(stored.noise), std::move(stored.throughput)});
}

std::optional<AreaShares> CSiteMetric::Shares() {
    const CSiteRecord* site = m_document.Site();
    if (m_layer.metric != Metric::kPassFail || !m_requirement || site == nullptr) return {};
    const Worked now{m_revision, m_coverage.Map().Radius(), m_document.MetresPerPixel(),
                     m_coverage.Map().Choice()};
    if (m_worked == now) return m_shares;
    std::vector<PlacedVerdict> points;
    const std::vector<PointFigures> figures = CollectPointFigures(
        surveyList, FiguresNetwork(surveyList, now.choice), m_requirement->Levels(), m_measures);
    for (const PointFigures& f : figures) points.push_back({f.x, f.y, Evaluate(*m_requirement, f)});
    m_shares = ComputeAreaShares(
        points, {site->PlanWidth(), site->PlanHeight(), now.radius, now.metresPerPixel});
    m_worked = now;
    return m_shares;
}

std::string CSiteMetric::Note() {
    const std::optional<AreaShares> shares = Shares();
    if (!shares || shares->surveyed == 0) return {};  // nothing surveyed yet
    return ShareNote(m_requirement->name, *shares);
}
