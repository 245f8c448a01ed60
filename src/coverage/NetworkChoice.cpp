#include "coverage/NetworkChoice.h"

#include <algorithm>
#include <cstring>

bool NetworkChoice::Hears(const ApRecord& e) const {
    if (IsPlaceholder(e)) return false;
    switch (kind) {
        case Kind::StrongestOfAll:
            return true;
        case Kind::Ssid:
            return SsidBytes(e) == ssid;
        case Kind::AccessPoint:
            return std::memcmp(e.mac, mac.data(), mac.size()) == 0;
    }
    return false;
}

void CollectPointValues(const CApList& survey, const NetworkChoice& choice,
                        std::vector<PointValue>& out) {
    out.clear();
    ForEachPoint(survey, [&](const ApRecord& first, const ApRecord* end) {
        bool heard = false;
        int64_t best = 0;
        for (const ApRecord* e = &first; e != end; e = e->next) {
            if (!choice.Hears(*e)) continue;
            best = heard ? std::max(best, e->rssi) : e->rssi;
            heard = true;
        }
        const int64_t value = heard ? std::clamp<int64_t>(best, -128, 127) : kNothingHeard;
        out.push_back({first.x, first.y, static_cast<int32_t>(value)});
    });
}
