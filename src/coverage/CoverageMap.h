#pragma once
// CCoverageMap: the coverage grid of the chosen network and layer for the
// current view, kept between paints. Update compares the survey's points with those
// the grid was built from: when only a few points came, went or changed (a
// point recorded, a point deleted, a measurement merged into the last
// point), it adds and takes back just those points; a new view, network or
// radius, or a survey changed wholesale (an Open), builds the grid anew, as
// does any change of a nearest-point layer (pass/fail).
//
// The signal's values come from the survey's records (CollectPointValues);
// another layer's from the function it is set with, which the rooms that
// know a point's figures provide (requirements/MetricValues.h). No Qt; the
// window paints the bands.

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "aplist/ApList.h"
#include "coverage/CoverageGrid.h"
#include "coverage/NetworkChoice.h"

class CCoverageMap {
public:
    enum class UpdateKind { Unchanged, Incremental, Full };
    // One value per point of `survey` for `choice`, in list order, into
    // `out` (cleared first); a point without a value is left out.
    using PointValuesOf = std::function<void(const CApList& survey, const NetworkChoice& choice,
                                             std::vector<PointValue>& out)>;

    // Clamped to kMinCoverageRadius..kMaxCoverageRadius.
    void SetRadius(int32_t radius) { m_radius = ClampCoverageRadius(radius); }
    int32_t Radius() const { return m_radius; }
    void SetChoice(NetworkChoice choice) { m_choice = std::move(choice); }
    const NetworkChoice& Choice() const { return m_choice; }
    // The layer shown and where its values come from (ignored for the
    // signal). Values that change (a throughput test arrived) are found at
    // the next Update.
    void SetLayer(CoverageLayer layer, PointValuesOf values = {});
    const CoverageLayer& Layer() const { return m_layer; }

    // The grid for `survey` seen through `view`, brought up to date; a grid
    // built anew is built on `share`'s two threads when given.
    const CoverageGrid& Update(const CApList& survey, const CoverageView& view,
                               CBandShare* share = nullptr);
    const CoverageGrid& Grid() const { return m_grid; }
    // What the last Update did.
    UpdateKind LastUpdate() const { return m_lastUpdate; }
    // Changes whenever an Update changed the grid, so a painter can keep the
    // picture it made from the bands while this stays the same.
    uint64_t Revision() const { return m_revision; }
    // Frees the grid (the map was switched off); the next Update builds anew.
    void Release();

private:
    void Build(const CoverageView& view, CBandShare* share);

    void Collect(const CApList& survey);

    NetworkChoice m_choice;
    int32_t m_radius = kDefaultCoverageRadius;
    CoverageLayer m_layer;
    PointValuesOf m_values;

    bool m_built = false;
    NetworkChoice m_builtChoice;
    CoverageLayer m_builtLayer;
    int32_t m_builtRadius = 0;
    CoverageView m_builtView;
    std::vector<PointValue> m_points;  // what the grid holds
    std::vector<PointValue> m_next;    // scratch of Update
    CoverageGrid m_grid;
    UpdateKind m_lastUpdate = UpdateKind::Unchanged;
    uint64_t m_revision = 0;
};
