#pragma once
// Helpers for the robustness tests: the end of a scan, survey digests and the
// process's resident memory. The board's pseudo-terminal, its frames and
// report messages, hex, scratch directories and bounded waits come from
// tests/support.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "BoardFrame.h"
#include "BoardPty.h"
#include "ScratchDir.h"
#include "SurveyEntries.h"
#include "TestBytes.h"
#include "WaitUntil.h"

// samples/office.hss
std::filesystem::path OfficeSample();

// Waits until the scan a tap started has ended, as the view sees it, and
// takes both flags down as the view does; false after `timeout`.
bool WaitForScanEnd(std::chrono::milliseconds timeout = std::chrono::seconds(5));

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
