#pragma once
// Survey-list entries as the tests build them, compare them and read them
// back from a site file.

#include <cstdint>
#include <string>
#include <vector>

#include "aplist/ApList.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

// Appends one survey entry with MAC 00 11 22 33 44 macLast.
void AddEntry(CApList& list, int32_t x, int32_t y, uint8_t channel, int64_t rssi,
              const char* ssid = "lab", const char* name = "TEST", uint8_t macLast = 0x55);

// Reads a site file's header and points as Open does (the map section is not
// needed for them); `circles`, when given, counts the point groups painted.
bool ReadSurvey(IByteSource& src, CSiteRecord& site, CApList& into, int* circles = nullptr);

// Reads the site file at `path` as Open does before its questions: header,
// map and the fingerprint Save and the journal check against.
bool ReadSiteForOpen(const std::string& path, CSiteRecord& site);

// The fields recording fills in, texts up to their NUL.
struct SurveyEntry {
    int32_t x, y;
    std::string name, mac, macText, ssid;
    uint8_t channel;
    int64_t rssi;
    bool operator==(const SurveyEntry&) const = default;
};
// Every entry of `list` with all its fields, for comparing two surveys held
// in memory (a recovered one against the one recorded).
std::vector<SurveyEntry> AllEntries(const CApList& list);
// A list as the site file holds it: placeholders (channel 0) carry only
// their position and name.
std::vector<SurveyEntry> AsStored(const CApList& list);
// The entries of the points section of the site file at `path`; false when
// the file does not open as a site file.
bool ReadStoredPoints(const std::string& path, std::vector<SurveyEntry>& out);

// A signature without ink, for saves.
inline uint32_t NoInk(int, int) { return 0x00FFFFFFu; }
