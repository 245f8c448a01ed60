#include "map/CircleLog.h"

#include <atomic>

void CCircleLog::Changed() {
    // One counter for every log: a log moved in for another never repeats
    // the other's revision.
    static std::atomic<uint64_t> next{0};
    m_revision = ++next;
}

VpRect CircleBox(int32_t x, int32_t y) { return {x - 10, y - 10, x + 10, y + 10}; }

void CCircleLog::Add(int32_t x, int32_t y, int32_t strength, int32_t records) {
    m_circles.push_back({x, y, strength, records});
    Changed();
}

std::vector<LoggedCircle> CCircleLog::RemoveRecords(int64_t first, int64_t count) {
    std::vector<LoggedCircle> removed;
    std::vector<LoggedCircle> kept;
    kept.reserve(m_circles.size());
    int64_t start = 1;
    for (const LoggedCircle& c : m_circles) {
        const bool inside = c.records > 0 && start >= first && start + c.records <= first + count;
        (inside ? removed : kept).push_back(c);
        start += c.records;
    }
    m_circles = std::move(kept);
    if (!removed.empty()) Changed();
    return removed;
}

int64_t CCircleLog::Records() const {
    int64_t n = 0;
    for (const LoggedCircle& c : m_circles) n += c.records;
    return n;
}
