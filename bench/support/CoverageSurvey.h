#pragma once
// Survey points as the coverage benchmarks record them: forty access points
// at fixed random places on a 10,000 x 7,000 plan (two networks, channels 1,
// 6 and 11), and a point that hears the ten nearest, weaker with distance.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "aplist/ApList.h"

namespace coveragesurvey {

inline constexpr int32_t kPlanW = 10000, kPlanH = 7000;

struct AccessPoint {
    int32_t x, y;
    uint8_t mac[6];
    const char* ssid;
    uint8_t channel;
};

inline const std::vector<AccessPoint>& AccessPoints() {
    static const std::vector<AccessPoint> aps = [] {
        std::mt19937 rng(5);
        std::uniform_int_distribution<int32_t> px(0, kPlanW - 1), py(0, kPlanH - 1);
        std::vector<AccessPoint> out;
        for (uint8_t i = 0; i < 40; ++i)
            out.push_back({px(rng),
                           py(rng),
                           {0, 0x1A, 0x2B, 0x3C, 0, i},
                           i % 3 ? "office" : "guest",
                           static_cast<uint8_t>(1 + 5 * (i % 3))});
        return out;
    }();
    return aps;
}

// An entry of a point at (x, y) as recording makes it, appended to `survey`.
inline void AddEntry(CApList& survey, int32_t x, int32_t y, const uint8_t (&mac)[6],
                     const char* ssid, uint8_t channel, int rssi) {
    ApRecord* e = nullptr;
    if (survey.NewRecord(e) != CApList::kOk) std::abort();  // out of memory
    *e = ApRecord{};
    e->x = x;
    e->y = y;
    std::strcpy(e->pointName, "TEST");
    std::memcpy(e->mac, mac, 6);
    FormatMacText(e->mac, e->macText);
    std::strcpy(e->ssid, ssid);
    e->channel = channel;
    e->rssi = rssi;
    survey.AddTail(e);
}

// One point at (x, y): the ten access points nearest to it.
inline void AddPoint(CApList& survey, int32_t x, int32_t y) {
    std::vector<std::pair<double, const AccessPoint*>> near;
    for (const AccessPoint& ap : AccessPoints())
        near.push_back({std::hypot(ap.x - x, ap.y - y), &ap});
    std::partial_sort(near.begin(), near.begin() + 10, near.end());
    for (int i = 0; i < 10; ++i) {
        const AccessPoint& ap = *near[i].second;
        AddEntry(survey, x, y, ap.mac, ap.ssid, ap.channel,
                 std::max(-95, static_cast<int>(-30 - 20 * std::log10(1 + near[i].first / 20))));
    }
}

}  // namespace coveragesurvey
