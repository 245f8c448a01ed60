#pragma once
// The simulated site: access points at world positions (pixels of the site
// bitmap) and a log-distance path-loss model that turns the surveyor's
// position into RSSI readings.
//
// Access-point file (JSON):
//   { "metresPerPixel": 0.05, "exponent": 3.0, "noise": 2.5, "floor": -92,
//     "aps": [ { "mac": "00:1A:2B:3C:4D:01", "ssid": "Lobby", "channel": 6,
//                "x": 120, "y": 90, "power": -38, "privacy": true,
//                "hidden": false } ] }
// "power" is the RSSI one metre from the AP; "hidden" sends SSID length 0.
// Every field but "mac", "channel", "x" and "y" may be left out.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

struct SimAccessPoint {
    uint8_t mac[6] = {};
    std::string ssid;  // bytes as sent (UTF-8 allowed, at most 32)
    bool hidden = false;
    bool privacy = false;
    uint8_t channel = 1;
    double x = 0;
    double y = 0;
    double powerAt1m = -38;  // dBm
};

struct SimSite {
    std::vector<SimAccessPoint> aps;
    double metresPerPixel = 0.05;
    double exponent = 3.0;
    double noise = 2.5;  // standard deviation of one reading, dB
    double floor = -92;  // readings below this are not heard
};

// An AP set that fits the sample site (about 800 x 560 world pixels): open and
// protected networks on channels 1 to 14, a hidden SSID, a UTF-8 SSID and an
// SSID of the full 32 bytes.
SimSite DefaultSimSite();

bool LoadSimSite(const std::string& path, SimSite& site, std::string* error = nullptr);
bool ParseSimSite(const std::string& json, SimSite& site, std::string* error = nullptr);

// One reading of ap at (x, y), or false when it is not heard there.
bool SimReading(const SimSite& site, const SimAccessPoint& ap, double x, double y,
                std::mt19937& random, int16_t& rssi);
