#pragma once
// One access point as one adapter scan heard it, and how such readings enter
// the scan list: exactly as the board's readings do, one reading per scan and
// access point summed into the record's rssi with readingCount, so that taking
// N scans at a point and merging each averages them like the board's.

#include <cstdint>
#include <vector>

#include "aplist/ApList.h"
#include "sources/wifi/WifiChannel.h"

// Where a reading's dBm came from: the kernel's own figures (the scan's BSS
// entry, or for the connected access point the station's signal), or
// NetworkManager's percentage turned back into dBm (the scan's mapping, or
// for the connected access point the station's mapping).
enum class DbmSource : uint8_t { kKernel, kKernelStation, kPercent, kStationPercent };

struct WifiReading {
    uint8_t mac[6] = {};     // the BSSID
    uint8_t ssidLength = 0;  // 0..32, as the access point sends it (0: hidden)
    uint8_t ssid[32] = {};   // the bytes as they are, any encoding
    uint32_t frequencyMhz = 0;
    WifiChannel channel;
    int16_t dbm = 0;
    DbmSource source = DbmSource::kPercent;
    uint8_t privacy = 0;         // 1: the access point wants encryption
    uint8_t capabilityFlag = 0;  // bit 13 of the capability word, when the kernel gave it
};

// Folds one scan's readings into `list` (the caller holds the report lock when
// it is scanList): a known MAC gets the reading added and its SSID, channel and
// band refreshed; a new one gets a record in the list's sorted place. The SSID
// is kept up to its first NUL and at most 31 bytes, as the board's are; a
// 32-byte SSID that is UTF-8 is cut before the character the 31st byte would
// split, other bytes are kept as they are. A record that cannot be allocated
// loses only that reading.
void MergeWifiReadings(CApList& list, const std::vector<WifiReading>& readings);

// How many of the n bytes of p fit `limit` bytes: n when n <= limit; when the
// n bytes are UTF-8, the longest whole-character prefix of at most `limit`;
// otherwise `limit`.
size_t Utf8CutLength(const uint8_t* p, size_t n, size_t limit);
