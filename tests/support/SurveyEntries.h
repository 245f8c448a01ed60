#pragma once
// Survey-list entries as the site tests and the robustness tests build them,
// and as they read them back from a site file.

#include <cstdint>

#include "aplist/ApList.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

// Appends one survey entry with MAC 00 11 22 33 44 macLast.
void AddEntry(CApList& list, int32_t x, int32_t y, uint8_t channel, int64_t rssi,
              const char* ssid = "lab", const char* name = "TEST", uint8_t macLast = 0x55);

// Reads a site file's header and points as Open does (the map section is not
// needed for them); `circles`, when given, counts the point groups painted.
bool ReadSurvey(IByteSource& src, CSiteRecord& site, CApList& into, int* circles = nullptr);
