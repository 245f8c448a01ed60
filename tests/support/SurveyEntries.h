#pragma once
// Survey-list entries as the site tests and the robustness tests build them.

#include <cstdint>

#include "aplist/ApList.h"

// Appends one survey entry with MAC 00 11 22 33 44 macLast.
void AddEntry(CApList& list, int32_t x, int32_t y, uint8_t channel, int64_t rssi,
              const char* ssid = "lab", const char* name = "TEST", uint8_t macLast = 0x55);
