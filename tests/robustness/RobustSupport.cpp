#include "RobustSupport.h"

#include <fstream>

#include "aplist/ApList.h"
#include "board/ScannerBoard.h"
#include "common/Crc32.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

std::filesystem::path OfficeSample() {
    return std::filesystem::path(PELLORIN_SAMPLES) / "office.hss";
}

bool WaitForScanEnd(std::chrono::milliseconds timeout) {
    if (!WaitUntil(
            [] {
                return theBoard.m_bScanStarted.load() != 0 && theBoard.m_bScanComplete.load() != 0;
            },
            timeout))
        return false;
    theBoard.m_bScanStarted = 0;
    theBoard.m_bScanComplete = 0;
    return true;
}

SurveyDigest DigestOf(const CSiteRecord& site, const CApList& list) {
    CSiteRecord scratch = site;
    const std::vector<uint8_t> points = EncodePointsSection(scratch, list);
    return {points.size(), Crc32(points.data(), points.size())};
}

long ResidentKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}
