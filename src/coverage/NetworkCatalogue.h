#pragma once
// Every network heard in a survey, for the list the surveyor chooses from:
// each access point (by MAC) and each SSID, with the number of points it was
// heard at and its best reading, strongest first.

#include <cstdint>
#include <string>
#include <vector>

#include "coverage/SurveyPoints.h"

struct AccessPointInfo {
    MacAddress mac{};
    std::string ssid;     // bytes as heard (DecodeByteText for display)
    uint8_t channel = 0;  // the channel of its strongest reading
    int32_t points = 0;   // points at which it was heard
    int32_t bestRssi = 0;
};

struct SsidInfo {
    std::string ssid;
    int32_t accessPoints = 0;  // distinct MACs that carried it
    int32_t points = 0;        // points at which any of them was heard
    int32_t bestRssi = 0;
};

struct NetworkCatalogue {
    int32_t points = 0;  // every point of the survey, placeholders included
    // Strongest best reading first; ties: heard at more points first, then
    // by MAC (or SSID bytes), so the order never depends on the list's.
    std::vector<AccessPointInfo> accessPoints;
    std::vector<SsidInfo> ssids;
};

NetworkCatalogue BuildCatalogue(const CApList& survey);
