#include <algorithm>
#include <cstring>

#include "aplist/ApList.h"
#include "site/ByteOrder.h"
#include "site/SiteFile.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

namespace {

using namespace sitelayout;

// Text up to its NUL (at most 31 bytes) followed by zeros to the field's end.
void PutText(uint8_t* field, const char* text, size_t capacity) {
    const size_t length = strnlen(text, std::min<size_t>(capacity, kTextField) - 1);
    std::memcpy(field, text, length);
    std::memset(field + length, 0, kTextField - length);
}

void FillPointRecord(uint8_t* rec, const ApRecord& e) {
    StoreLe32(rec + kPointX, static_cast<uint32_t>(e.x));
    StoreLe32(rec + kPointY, static_cast<uint32_t>(e.y));
    PutText(rec + kPointName, e.pointName, sizeof e.pointName);
    StoreLe16(rec + kPointApCount, 0);
}

void FillApRecord(uint8_t* rec, const ApRecord& e) {
    rec[kApChannel] = e.channel;
    // A value outside what rssi256 can hold is clamped rather than wrapped, so
    // that a strong reading never turns into a weak one in the file.
    const int64_t dbm = std::clamp<int64_t>(e.rssi, -128, 127);
    StoreLe16(rec + kApRssi256, static_cast<uint16_t>(static_cast<int16_t>(dbm * 256)));
    std::memcpy(rec + kApMac, e.mac, 6);
    PutText(rec + kApSsid, e.ssid, sizeof e.ssid);
}

}  // namespace

std::vector<uint8_t> EncodePointsSection(CSiteRecord& site, const CApList& list) {
    std::vector<uint8_t> out;
    EncodePointsSection(site, list, out);
    return out;
}

void EncodePointsSection(CSiteRecord& site, const CApList& list, std::vector<uint8_t>& out) {
    site.m_pointRecordSize = kPointRecordSize;
    site.m_apRecordSize = kApRecordSize;

    // Records are put straight into `out`; its whole capacity is taken up
    // front so that a reused buffer is not filled with zeros again.
    // A first guess of about 20 APs per point record saves regrowing.
    const size_t guess = kSizeWordsBytes + static_cast<size_t>(list.Count()) * (kApRecordSize + 3);
    out.resize(std::max(out.capacity(), guess));
    size_t used = 0;
    auto room = [&](size_t n) -> uint8_t* {
        if (used + n > out.size())
            out.resize(std::max({out.size() * 2, used + n, size_t{1} << 16}));
        uint8_t* p = out.data() + used;
        used += n;
        return p;
    };
    uint8_t* words = room(kSizeWordsBytes);
    StoreLe32(words, site.m_pointRecordSize);
    StoreLe32(words + 4, site.m_apRecordSize);

    bool haveOpen = false;
    size_t openAt = 0;  // where the open point record stands in `out`
    int32_t openX = 0, openY = 0;
    uint16_t apCount = 0;
    auto closeOpen = [&] {
        StoreLe16(site.m_pointRec + kPointApCount, apCount);
        std::memcpy(out.data() + openAt, site.m_pointRec, kPointRecordSize);
    };

    const ApRecord* lastAp = nullptr;
    for (const ApRecord* e = list.First(); e != nullptr;
         e = e->next == list.Sentinel() ? nullptr : e->next) {
        // A full 16-bit count also opens a new record at the same position:
        // a wrapped count would make a reader take AP records for points.
        const bool opens =
            !haveOpen || e->x != openX || e->y != openY || e->channel == 0 || apCount == 0xFFFF;
        if (opens) {
            if (haveOpen) closeOpen();
            FillPointRecord(site.m_pointRec, *e);
            openAt = used;
            std::memcpy(room(kPointRecordSize), site.m_pointRec, kPointRecordSize);
            openX = e->x;
            openY = e->y;
            apCount = 0;
            haveOpen = true;
        }
        if (e->channel != 0) {
            FillApRecord(room(kApRecordSize), *e);
            lastAp = e;
            ++apCount;
        }
    }
    if (haveOpen) closeOpen();
    if (lastAp != nullptr) FillApRecord(site.m_apRec, *lastAp);  // as the buffer was last filled
    out.resize(used);
}
