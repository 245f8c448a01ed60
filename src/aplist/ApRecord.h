#pragma once
// One record type for everything known about an access point, in the scan
// under way (scanList) and in the survey of the open site (surveyList).

#include <cstdint>

struct ApRecord {
    ApRecord* prev = nullptr;
    int32_t x = 0;           // survey list: world x of the survey point
    int32_t y = 0;           // survey list: world y of the survey point
    char pointName[32] = {};  // survey list: "TEST", or "FILL" for a placeholder
    uint8_t mac[6] = {};      // BSSID as received
    char macText[16] = {};    // the BSSID as 12 upper-case hex digits
    uint8_t ssidLength = 0;   // as the board's beacon entry gave it
    char ssid[32] = {};       // NUL-terminated, at most 31 characters
    // Scan list: the running sum of all readings, 64-bit so that no scan can
    // wrap it. Survey list: the average in dBm, always within int16 range.
    int64_t rssi = 0;
    uint8_t channel = 0;  // 0 in the survey list marks a point without APs
    uint8_t isNew = 0;
    uint8_t hasBeacon = 0;  // only records matched with a beacon are recorded
    uint8_t capabilityFlag = 0;
    uint8_t refreshed = 0;
    uint8_t privacy = 0;
    uint8_t band = 0;  // WifiBand: 0 for the board's records (2.4 GHz), 2, 5 or 6 from an adapter
    int32_t readingCount = 0;  // scan list: readings summed into rssi
    ApRecord* next = nullptr;
};

// "%02X%02X%02X%02X%02X%02X" of the six bytes into a 16-byte buffer.
void FormatMacText(const uint8_t mac[6], char out[16]);
