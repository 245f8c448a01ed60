#include "RobustSupport.h"

#include <algorithm>
#include <fstream>

#include "aplist/ApList.h"
#include "common/Crc32.h"
#include "site/SiteFile.h"
#include "site/SiteFingerprint.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

Bytes Report(size_t probes, size_t beacons, unsigned indexBase, uint8_t ssidLength,
             const std::string& ssid) {
    Bytes r{static_cast<uint8_t>(probes)};
    for (size_t i = 0; i < probes; ++i) {
        const auto rssi = static_cast<uint16_t>(-40 - static_cast<int>(i));
        for (unsigned b :
             {0x02u, 0u, 0u, 0u, unsigned(i >> 8), unsigned(i), rssi & 0xFFu, unsigned(rssi >> 8)})
            r.push_back(static_cast<uint8_t>(b));
    }
    r.push_back(static_cast<uint8_t>(beacons));
    for (size_t i = 0; i < beacons; ++i) {
        r.push_back(static_cast<uint8_t>(indexBase + i));
        r.push_back(ssidLength);
        for (size_t k = 0; k < 32; ++k) r.push_back(static_cast<uint8_t>(ssid[k % ssid.size()]));
        r.insert(r.end(), {6, 0x10, 0x00});
    }
    return r;
}

std::filesystem::path OfficeSample() {
    return std::filesystem::path(PELLORIN_SAMPLES) / "office.hss";
}

std::vector<SurveyEntry> AsStored(const CApList& list) {
    std::vector<SurveyEntry> out;
    for (const ApRecord* r = list.First(); r != nullptr;
         r = r->next == list.Sentinel() ? nullptr : r->next) {
        if (r->channel == 0)
            out.push_back({r->x, r->y, r->pointName, "", "", 0, 0});
        else
            out.push_back({r->x, r->y, r->pointName, r->macText, r->ssid, r->channel, r->rssi});
    }
    return out;
}

bool ReadStoredPoints(const std::filesystem::path& path, std::vector<SurveyEntry>& out) {
    FileSource src(path.string());
    if (!src.Status().ok) return false;
    CSiteRecord site;
    if (!ReadSiteHeader(src, site).ok) return false;
    MapBitmap map;
    if (!ReadMapBitmap(src, site.BitmapOffset(), map).ok) return false;
    CApList list;
    if (!ReadPoints(src, site, list, nullptr).ok) return false;
    out = AsStored(list);
    return true;
}

bool ReadSiteForOpen(const std::string& path, CSiteRecord& site) {
    FileSource src(path);
    MapBitmap plan;
    SiteFingerprint fingerprint;
    if (!src.Status().ok || !ReadSiteHeader(src, site).ok ||
        !ReadMapBitmap(src, site.BitmapOffset(), plan).ok ||
        !TakeSiteFingerprint(src, site, sitelayout::kBitmapPrefixBytes + uint64_t{plan.bits.size()},
                             fingerprint)
             .ok)
        return false;
    site.m_fileFingerprint = fingerprint;
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
