#pragma once
// The point circles painted into the site map, in painting order, each with
// the number of consecutive surveyList records it stands for: one circle per
// point group loaded by Open, one per recorded point. The circles' records
// follow each other through the list, so a deleted run of records tells
// which circles go. The map is then mended without a trace: the deleted
// circles' boxes are painted afresh from the 8-bit plan, and every remaining
// circle that reaches into them is painted again, in the order of the log,
// so later circles still cover earlier ones.

#include <cstdint>
#include <vector>

#include "map/MapViewport.h"

struct LoggedCircle {
    int32_t x = 0;
    int32_t y = 0;
    int32_t strength = 0;  // dBm: picks the colour band
    int32_t records = 0;   // consecutive surveyList records of this circle
};

// The box (x - 10, y - 10, x + 10, y + 10), right and bottom exclusive,
// holding every pixel of the circle at (x, y).
VpRect CircleBox(int32_t x, int32_t y);

class CCircleLog {
public:
    void Clear() {
        m_circles.clear();
        Changed();
    }
    void Add(int32_t x, int32_t y, int32_t strength, int32_t records);
    // Removes the circles of the `count` records from list position `first`
    // (1-based) and returns them. Circles without records stay: nothing can
    // select them.
    std::vector<LoggedCircle> RemoveRecords(int64_t first, int64_t count);
    const std::vector<LoggedCircle>& Circles() const { return m_circles; }
    // The records the circles stand for together.
    int64_t Records() const;
    // Changes with every change of the circles, and differs between any two
    // logs: a painter keeps its picture while this stays the same.
    uint64_t Revision() const { return m_revision; }

private:
    void Changed();

    std::vector<LoggedCircle> m_circles;
    uint64_t m_revision = 0;
};
