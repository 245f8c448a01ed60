#pragma once
// Scan-list records as lines, sorted: "MACTEXT ssid/length ch6 band2 sum/n"
// ("+beacon" when the record may be recorded).

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "aplist/ApList.h"

inline std::vector<std::string> RecordLines(const CApList& list) {
    std::vector<std::string> lines;
    for (const ApRecord* r = list.First(); r && r != list.Sentinel(); r = r->next) {
        char line[160];
        std::snprintf(line, sizeof line, "%s %s/%d ch%d band%d %lld/%d%s", r->macText, r->ssid,
                      r->ssidLength, r->channel, r->band, static_cast<long long>(r->rssi),
                      r->readingCount, r->hasBeacon ? " +beacon" : "");
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}
