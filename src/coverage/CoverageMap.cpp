#include "coverage/CoverageMap.h"

#include <algorithm>

void CCoverageMap::SetLayer(CoverageLayer layer, PointValuesOf values) {
    m_layer = layer;
    m_values = std::move(values);
}

void CCoverageMap::Collect(const CApList& survey) {
    if (m_layer.metric && m_values)
        m_values(survey, m_choice, m_next);
    else if (m_layer.metric)
        m_next.clear();
    else
        CollectPointValues(survey, m_choice, m_next);
}

void CCoverageMap::Build(const CoverageView& view, CBandShare* share) {
    m_grid.Build(view, m_radius, m_layer, m_next, share);
    m_built = true;
    m_builtChoice = m_choice;
    m_builtLayer = m_layer;
    m_builtRadius = m_radius;
    m_builtView = view;
    m_lastUpdate = UpdateKind::Full;
}

const CoverageGrid& CCoverageMap::Update(const CApList& survey, const CoverageView& view,
                                         CBandShare* share) {
    Collect(survey);
    const bool sameGrid = m_built && m_builtChoice == m_choice && m_builtLayer == m_layer &&
                          m_builtRadius == m_radius && m_builtView == view;
    if (!sameGrid) {
        Build(view, share);
    } else {
        // The points common to both at the front and at the back; what lies
        // between went (old) and came (new). A recorded point comes at the
        // end; a deleted point leaves a gap; a merged measurement changes
        // the last point's value.
        const size_t oldN = m_points.size(), newN = m_next.size();
        size_t front = 0;
        while (front < oldN && front < newN && m_points[front] == m_next[front]) ++front;
        size_t back = 0;
        while (back < oldN - front && back < newN - front &&
               m_points[oldN - 1 - back] == m_next[newN - 1 - back])
            ++back;
        const size_t gone = oldN - front - back, came = newN - front - back;
        if (gone + came == 0) {
            m_lastUpdate = UpdateKind::Unchanged;
        } else if (2 * (gone + came) > newN + 8 || m_layer.Nearest()) {
            Build(view,
                  share);  // most of the survey changed (a new one was opened), or points went
        } else {
            for (size_t i = front; i < oldN - back; ++i) m_grid.Apply(m_points[i], -1);
            for (size_t i = front; i < newN - back; ++i) m_grid.Apply(m_next[i], 1);
            m_grid.Reband();
            m_lastUpdate = UpdateKind::Incremental;
        }
    }
    if (m_lastUpdate != UpdateKind::Unchanged) ++m_revision;
    m_points.swap(m_next);
    return m_grid;
}

void CCoverageMap::Release() {
    m_built = false;
    m_grid = CoverageGrid{};
    m_points = {};
    m_next = {};
    m_lastUpdate = UpdateKind::Unchanged;
    ++m_revision;
}
