#pragma once
// What the board hears in the sample office, for the screenshots: readings
// merged into `theBoard` as the board's reports are.

#include <cstdint>

// One reading of access point 00 1A 2B 3C 4D mac5.
void Report(uint8_t mac5, int16_t rssi, uint8_t channel, const char* ssid);
// The sample's three access points as heard at (x, y) in its plan's pixels,
// weaker with distance from them; those below -92 dBm not at all.
void HearSampleOffice(double x, double y);
