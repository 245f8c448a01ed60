#include "ListInvariants.h"

#include <cstring>
#include <set>
#include <string>

#include "aplist/ApList.h"

std::string CheckRing(const CApList& list, size_t maxRecords) {
    const ApRecord* sentinel = list.Sentinel();
    if (sentinel->next == nullptr || sentinel->prev == nullptr) return "sentinel link is null";
    size_t steps = 0;
    for (const ApRecord* r = sentinel->next;; r = r->next) {
        if (r == nullptr) return "null next pointer";
        if (r->prev == nullptr || r->prev->next != r) return "prev does not mirror next";
        if (r == sentinel) break;
        if (++steps > maxRecords) return "ring does not close (or has too many records)";
    }
    if (static_cast<size_t>(list.Count()) != steps) return "Count() disagrees with the walk";
    return {};
}

std::string CheckScanRecords(const CApList& list) {
    std::set<std::string> macs;
    for (const ApRecord* r = list.First(); r != nullptr;
         r = r->next == list.Sentinel() ? nullptr : r->next) {
        if (r->hasBeacon != 1) return "record without a beacon in the scan list";
        if (r->readingCount < 1) return "record with no reading";
        if (!macs.insert(std::string(reinterpret_cast<const char*>(r->mac), 6)).second)
            return "two records for one MAC";
        char text[16];
        FormatMacText(r->mac, text);
        if (std::memcmp(text, r->macText, 13) != 0) return "macText does not match mac";
        if (std::memchr(r->ssid, 0, 32) == nullptr || std::strlen(r->ssid) > 31)
            return "ssid not terminated within 31 characters";
        // Each reading is an int16; the sum of readingCount of them is bounded.
        const int64_t bound = int64_t{32768} * r->readingCount;
        if (r->rssi > bound || r->rssi < -bound) return "rssi sum outside what its readings allow";
    }
    return {};
}
