#include "coverage/NetworkCatalogue.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

namespace {

// What is gathered per access point or SSID while walking the points.
struct Tally {
    int32_t points = 0;
    int32_t lastPoint = -1;  // the point last counted, so a run counts once
    int64_t best = 0;
    uint8_t channel = 0;
    std::string ssid;
    std::set<MacAddress> macs;

    // Returns true when `rssi` is the new best.
    bool Hear(int32_t point, int64_t rssi) {
        const bool first = points == 0;
        if (lastPoint != point) {
            lastPoint = point;
            ++points;
        }
        if (!first && rssi <= best) return false;
        best = rssi;
        return true;
    }
};

int32_t Clamp(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -32768, 32767)); }

template <class Info, class Key>
bool StrongerFirst(const Info& a, const Info& b, const Key& ka, const Key& kb) {
    if (a.bestRssi != b.bestRssi) return a.bestRssi > b.bestRssi;
    if (a.points != b.points) return a.points > b.points;
    return ka < kb;
}

}  // namespace

NetworkCatalogue BuildCatalogue(const CApList& survey) {
    std::map<MacAddress, Tally> byMac;
    std::map<std::string, Tally, std::less<>> bySsid;
    int32_t point = 0;
    ForEachPoint(survey, [&](const ApRecord& first, const ApRecord* end) {
        for (const ApRecord* e = &first; e != end; e = e->next) {
            if (IsPlaceholder(*e)) continue;
            const MacAddress mac = MacOf(*e);
            const std::string_view ssid = SsidBytes(*e);
            Tally& ap = byMac[mac];
            if (ap.Hear(point, e->rssi)) {
                ap.channel = e->channel;
                ap.ssid.assign(ssid);
            }
            auto it = bySsid.find(ssid);
            if (it == bySsid.end()) it = bySsid.emplace(std::string(ssid), Tally{}).first;
            it->second.Hear(point, e->rssi);
            it->second.macs.insert(mac);
        }
        ++point;
    });

    NetworkCatalogue cat;
    cat.points = point;
    for (const auto& [mac, t] : byMac)
        cat.accessPoints.push_back({mac, t.ssid, t.channel, t.points, Clamp(t.best)});
    for (const auto& [ssid, t] : bySsid)
        cat.ssids.push_back({ssid, static_cast<int32_t>(t.macs.size()), t.points, Clamp(t.best)});
    std::sort(cat.accessPoints.begin(), cat.accessPoints.end(),
              [](const auto& a, const auto& b) { return StrongerFirst(a, b, a.mac, b.mac); });
    std::sort(cat.ssids.begin(), cat.ssids.end(),
              [](const auto& a, const auto& b) { return StrongerFirst(a, b, a.ssid, b.ssid); });
    return cat;
}
