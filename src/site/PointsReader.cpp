#include <unistd.h>

#include <algorithm>
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

// The memory the survey entries of one site may take: half the machine's.
uint64_t SurveyMemoryBudget() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return UINT64_MAX;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 2;
}

// Every entry is a small allocation, and where memory is overcommitted
// running out does not fail one: the system ends the program. So a section
// long enough to hold more entries than the budget is refused before any is
// made. Each entry takes at least one record of the smaller size.
bool SectionFitsInMemory(IByteSource& src, uint64_t at) {
    using namespace sitelayout;
    uint8_t words[kSizeWordsBytes];
    if (src.ReadAt(at, words, sizeof words) != sizeof words) return true;  // no points
    const uint32_t pointBytes = LoadLe32(words);
    const uint32_t apBytes = LoadLe32(words + 4);
    if (pointBytes < kPointRecordSize || apBytes < kApRecordSize) return true;  // refused later
    const uint64_t records = (src.Size() - at - sizeof words) / std::min(pointBytes, apBytes);
    return records <= SurveyMemoryBudget() / sizeof(ApRecord);
}

}  // namespace

namespace {

SiteStatus ReadPointsOf(IByteSource& src, CSiteRecord& site, CApList& into,
                        const CircleSink& circle) {
    using namespace sitelayout;
    if (!SectionFitsInMemory(src, site.PointsOffset()))
        return SiteStatus::Fail(kFileErrorCaption, kPointsMemoryText);
    int32_t x = 0, y = 0;
    const uint8_t* name = nullptr;
    int16_t strength = -120;
    bool outOfMemory = false;

    auto group = [&](const uint8_t* rec, uint16_t apCount) {
        x = static_cast<int32_t>(LoadLe32(rec + kPointX));
        y = static_cast<int32_t>(LoadLe32(rec + kPointY));
        name = rec + kPointName;
        strength = -120;
        if (apCount != 0) return true;
        ApRecord* e = nullptr;
        if (into.NewRecord(e) != CApList::kOk) {
            outOfMemory = true;
            return false;
        }
        e->x = x;
        e->y = y;
        CopyField(e->pointName, name);
        e->channel = 0;
        std::memset(e->mac, 0, sizeof e->mac);
        std::strcpy(e->macText, "000000000000");
        std::memset(e->ssid, 0, sizeof e->ssid);
        e->rssi = -100;
        into.AddTail(e);
        return true;
    };
    auto ap = [&](const uint8_t* rec) {
        // int16 / 256 in C++ truncates toward zero: -20352 gives -79.
        const auto rssi =
            static_cast<int16_t>(static_cast<int16_t>(LoadLe16(rec + kApRssi256)) / 256);
        if (rssi > strength) strength = rssi;
        ApRecord* e = nullptr;
        if (into.NewRecord(e) != CApList::kOk) {
            outOfMemory = true;
            return false;
        }
        e->x = x;
        e->y = y;
        CopyField(e->pointName, name);
        e->channel = rec[kApChannel];
        std::memcpy(e->mac, rec + kApMac, sizeof e->mac);
        FormatMacText(e->mac, e->macText);
        CopyField(e->ssid, rec + kApSsid);
        e->rssi = rssi;
        into.AddTail(e);
        return true;
    };
    auto groupEnd = [&]() {
        if (circle) circle(x, y, strength);
    };
    const SiteStatus status =
        WalkPoints(src, site.PointsOffset(), site.m_pointRec, site.m_apRec, site.m_pointRecordSize,
                   site.m_apRecordSize, group, ap, groupEnd);
    if (outOfMemory) return SiteStatus::Fail(kFileErrorCaption, kPointsMemoryText);
    return status;
}

}  // namespace

SiteStatus ReadPoints(IByteSource& src, CSiteRecord& site, CApList& into,
                      const CircleSink& circle) {
    return NamingFile(ReadPointsOf(src, site, into, circle), src.Name());
}

SiteStatus TallyPoints(IByteSource& src, const CSiteRecord& site, PointsTally& tally) {
    CSiteRecord scratch;  // the caller's record buffers stay as they are
    tally = PointsTally{};
    tally.pointRecordSize = 0;
    tally.apRecordSize = 0;
    auto group = [&](const uint8_t*, uint16_t) { return ++tally.pointGroups, true; };
    auto ap = [&](const uint8_t*) { return ++tally.apRecords, true; };
    return NamingFile(WalkPoints(src, site.PointsOffset(), scratch.m_pointRec, scratch.m_apRec,
                                 tally.pointRecordSize, tally.apRecordSize, group, ap, [] {}),
                      src.Name());
}
