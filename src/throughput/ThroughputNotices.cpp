#include "throughput/ThroughputNotices.h"

bool CThroughputNotices::ShouldTell(const ThroughputOutcome& outcome) {
    switch (outcome.fault) {
        case ThroughputFault::kNone:
            m_told.reset();
            return false;
        case ThroughputFault::kCancelled:
        case ThroughputFault::kNoServer:
            return false;
        default:
            break;
    }
    const auto cause = static_cast<size_t>(outcome.fault);
    if (cause >= m_told.size() || m_told.test(cause)) return false;
    m_told.set(cause);
    return true;
}
