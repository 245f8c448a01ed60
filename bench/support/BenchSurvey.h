#pragma once
// What the journal's and the store's benchmarks survey: points of 20 access
// points, as the journal records them and as the survey list holds them.

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "aplist/ApList.h"
#include "journal/JournalFormat.h"

namespace benchsurvey {

// /tmp lies on the machine's disk here (not a memory file system), so
// flushes and commits reach the disk.
inline std::string BenchPath(const char* name) {
    return "/tmp/pellorin-bench-" + std::to_string(::getpid()) + "-" + name;
}

// Point n of a grid, 100 points a row, 10 pixels apart.
inline JournalPoint PointOf20(int n) {
    JournalPoint p;
    p.x = n % 100 * 10;
    p.y = n / 100 * 10;
    std::strcpy(p.name, "TEST");
    p.strength = -40;
    p.locationCount = n + 1;
    p.apCount = (n + 1) * 20;
    for (int a = 0; a < 20; ++a) {
        JournalEntry& e = p.entries.emplace_back();
        e.channel = static_cast<uint8_t>(a % 13 + 1);
        e.rssi = -40 - a * 2;
        e.mac[5] = static_cast<uint8_t>(a);
        FormatMacText(e.mac, e.macText);
        std::snprintf(e.ssid, sizeof e.ssid, "network-%d", a);
    }
    return p;
}

// The point's entries appended to a survey list, as recording made them.
inline void AddToList(const JournalPoint& p, CApList& list) {
    for (const JournalEntry& e : p.entries) {
        ApRecord* r = nullptr;
        if (list.NewRecord(r) < 0 || r == nullptr) return;
        r->x = p.x;
        r->y = p.y;
        std::strcpy(r->pointName, p.name);
        r->channel = e.channel;
        r->rssi = e.rssi;
        std::memcpy(r->mac, e.mac, 6);
        std::memcpy(r->ssid, e.ssid, sizeof r->ssid);
        list.AddTail(r);
    }
}

}  // namespace benchsurvey
