#include "store/SurveySequence.h"

std::optional<CSurveySequence::Range> CSurveySequence::LocateRun(int32_t firstIndex,
                                                                 int32_t removed, Range after,
                                                                 int64_t afterIndex) const {
    if (firstIndex < 1 || removed < 1) return std::nullopt;
    size_t i = after.first + after.count;
    int64_t before = afterIndex - 1;  // entries ahead of point i
    if (before > firstIndex - 1) i = 0, before = 0;
    while (i < m_points.size() && before < firstIndex - 1) before += m_points[i++].entries;
    if (before != firstIndex - 1 || i == m_points.size()) return std::nullopt;
    Range r{i, 0};
    int64_t taken = 0;
    while (taken < removed && i < m_points.size()) {
        const SequencePoint& p = m_points[i++];
        if (p.x != m_points[r.first].x || p.y != m_points[r.first].y) return std::nullopt;
        taken += p.entries;
        ++r.count;
    }
    if (taken != removed) return std::nullopt;
    return r;
}

void CSurveySequence::Erase(const Range& r) {
    const auto from = m_points.begin() + static_cast<std::ptrdiff_t>(r.first);
    m_points.erase(from, from + static_cast<std::ptrdiff_t>(r.count));
}

std::vector<size_t> CSurveySequence::FileGroups() const {
    std::vector<size_t> group(m_points.size());
    size_t groups = 0;
    for (size_t i = 0; i < m_points.size(); ++i) {
        const SequencePoint& p = m_points[i];
        const bool joins =
            i > 0 && !p.placeholder && p.x == m_points[i - 1].x && p.y == m_points[i - 1].y;
        if (!joins) ++groups;
        group[i] = groups - 1;
    }
    return group;
}
