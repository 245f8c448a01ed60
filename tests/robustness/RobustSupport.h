#pragma once
// Helpers for the robustness tests: report messages, survey-list snapshots,
// and the process's resident memory. The board's pseudo-terminal, its
// frames, hex, scratch directories and bounded waits come from tests/support.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "BoardFrame.h"
#include "BoardPty.h"
#include "ScratchDir.h"
#include "TestBytes.h"
#include "WaitUntil.h"

class CApList;
class CSiteRecord;

// A report message: `probes` probe entries with MAC 02:00:00:00:hi:lo and
// RSSI -40 - i; `beacons` beacon entries with probe indexes from indexBase.
Bytes Report(size_t probes, size_t beacons, unsigned indexBase = 0, uint8_t ssidLength = 4,
             const std::string& ssid = "abcd");

// samples/office.hss
std::filesystem::path OfficeSample();

// The fields of a survey entry that a site file keeps.
struct SurveyEntry {
    int32_t x, y;
    std::string name, macText, ssid;
    uint8_t channel;
    int64_t rssi;
    bool operator==(const SurveyEntry&) const = default;
};
// A list as the site file holds it: placeholders (channel 0) carry only
// their position and name.
std::vector<SurveyEntry> AsStored(const CApList& list);
// The entries of the points section of the site file at `path`; false when
// the file does not open as a site file.
bool ReadStoredPoints(const std::filesystem::path& path, std::vector<SurveyEntry>& out);

// Reads the site file at `path` as Open does before its questions: header,
// map and the fingerprint Save and the journal check against.
bool ReadSiteForOpen(const std::string& path, CSiteRecord& site);

// The points section a save of `list` would write for `site`: its size and
// CRC-32, which stand for the survey as the file keeps it.
struct SurveyDigest {
    uint64_t size = 0;
    uint32_t crc = 0;
    bool operator==(const SurveyDigest&) const = default;
};
SurveyDigest DigestOf(const CSiteRecord& site, const CApList& list);

// VmRSS of this process in kB.
long ResidentKb();
