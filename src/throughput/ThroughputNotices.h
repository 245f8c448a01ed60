#pragma once
// When to tell the surveyor that a point's throughput was not measured: once
// per cause, not a box per point. A cause is told the first time it comes;
// after a test that measured, each cause is told again the next time (the
// server went away again). A cancelled test and a survey without a server
// are never told: the surveyor chose them. No Qt.

#include <bitset>

#include "throughput/ThroughputResult.h"

class CThroughputNotices {
public:
    // Whether this outcome is to be shown; remembers that it was.
    bool ShouldTell(const ThroughputOutcome& outcome);
    // Another site or another server: every cause is new again.
    void Reset() { m_told.reset(); }

private:
    std::bitset<kThroughputFaultCount> m_told;
};
