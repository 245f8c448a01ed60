#include <cstring>

#include "aplist/ApList.h"
#include "site/PointsWalker.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

namespace {

// A text field of the file into a record's field: at most 31 bytes up to the
// first NUL, so the record's text always ends inside its field.
void CopyField(char (&dst)[32], const uint8_t* field) {
    std::memset(dst, 0, sizeof dst);
    for (size_t i = 0; i + 1 < sizeof dst && field[i] != 0; ++i)
        dst[i] = static_cast<char>(field[i]);
}

}  // namespace

SiteStatus ReadPoints(IByteSource& src, CSiteRecord& site, CApList& into,
                      const CircleSink& circle) {
    using namespace sitelayout;
    int32_t x = 0, y = 0;
    const uint8_t* name = nullptr;
    int16_t strength = -120;

    auto group = [&](const uint8_t* rec, uint16_t apCount) {
        x = static_cast<int32_t>(LoadLe32(rec + kPointX));
        y = static_cast<int32_t>(LoadLe32(rec + kPointY));
        name = rec + kPointName;
        strength = -120;
        if (apCount != 0) return;
        ApRecord* e = nullptr;
        if (into.NewRecord(e) != CApList::kOk) return;
        e->x = x;
        e->y = y;
        CopyField(e->pointName, name);
        e->channel = 0;
        std::memset(e->mac, 0, sizeof e->mac);
        std::strcpy(e->macText, "000000000000");
        std::memset(e->ssid, 0, sizeof e->ssid);
        e->rssi = -100;
        into.AddTail(e);
    };
    auto ap = [&](const uint8_t* rec) {
        // int16 / 256 in C++ truncates toward zero: -20352 gives -79.
        const auto rssi =
            static_cast<int16_t>(static_cast<int16_t>(LoadLe16(rec + kApRssi256)) / 256);
        if (rssi > strength) strength = rssi;
        ApRecord* e = nullptr;
        if (into.NewRecord(e) != CApList::kOk) return;
        e->x = x;
        e->y = y;
        CopyField(e->pointName, name);
        e->channel = rec[kApChannel];
        std::memcpy(e->mac, rec + kApMac, sizeof e->mac);
        FormatMacText(e->mac, e->macText);
        CopyField(e->ssid, rec + kApSsid);
        e->rssi = rssi;
        into.AddTail(e);
    };
    auto groupEnd = [&]() {
        if (circle) circle(x, y, strength);
    };
    return WalkPoints(src, site.PointsOffset(), site.m_pointRec, site.m_apRec,
                      site.m_pointRecordSize, site.m_apRecordSize, group, ap, groupEnd);
}

SiteStatus TallyPoints(IByteSource& src, const CSiteRecord& site, PointsTally& tally) {
    CSiteRecord scratch;  // the caller's record buffers stay as they are
    tally = PointsTally{};
    tally.pointRecordSize = 0;
    tally.apRecordSize = 0;
    auto group = [&](const uint8_t*, uint16_t) { ++tally.pointGroups; };
    auto ap = [&](const uint8_t*) { ++tally.apRecords; };
    return WalkPoints(src, site.PointsOffset(), scratch.m_pointRec, scratch.m_apRec,
                      tally.pointRecordSize, tally.apRecordSize, group, ap, [] {});
}
