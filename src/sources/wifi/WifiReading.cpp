#include "sources/wifi/WifiReading.h"

#include <cstring>

namespace {

constexpr size_t kSsidStop = 31;  // the record's SSID keeps at most 31 bytes

// Whether the n bytes are UTF-8: no stray or missing continuation byte, no
// overlong form, no surrogate, nothing above U+10FFFF.
bool IsUtf8(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n;) {
        const uint8_t b = p[i];
        size_t extra = 0;
        uint32_t min = 0, cp = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = b & 0x07;
        } else {
            return false;
        }
        if (n - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = cp << 6 | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

void TakeReadingInfo(ApRecord& rec, const WifiReading& r) {
    rec.hasBeacon = 1;
    rec.channel = r.channel.number;
    rec.band = static_cast<uint8_t>(r.channel.band);
    rec.ssidLength = r.ssidLength;
    std::memset(rec.ssid, 0, sizeof rec.ssid);
    const size_t given = r.ssidLength < sizeof r.ssid ? r.ssidLength : sizeof r.ssid;
    size_t n = 0;
    while (n < given && r.ssid[n] != 0) ++n;
    n = Utf8CutLength(r.ssid, n, kSsidStop);
    std::memcpy(rec.ssid, r.ssid, n);
    rec.privacy = r.privacy;
    rec.capabilityFlag = r.capabilityFlag;
}

}  // namespace

size_t Utf8CutLength(const uint8_t* p, size_t n, size_t limit) {
    if (n <= limit) return n;
    if (!IsUtf8(p, n)) return limit;
    size_t cut = limit;
    while (cut > 0 && (p[cut] & 0xC0) == 0x80) --cut;  // p[cut] is the first byte left out
    return cut;
}

void MergeWifiReadings(CApList& list, const std::vector<WifiReading>& readings) {
    list.BeginBatch();
    for (const WifiReading& r : readings) {
        list.LogReading(r.mac, r.dbm,
                        r.source == DbmSource::kKernel ? ReadingSource::kAdapterDbm
                                                       : ReadingSource::kAdapterPercent);
        ApRecord* rec = nullptr;
        if (list.FindMac(r.mac, rec) == CApList::kOk) {
            rec->refreshed = 0;
            TakeReadingInfo(*rec, r);
            rec->rssi += r.dbm;
            rec->readingCount += 1;
            continue;
        }
        if (list.NewRecord(rec) != CApList::kOk) continue;
        TakeReadingInfo(*rec, r);
        rec->isNew = 1;
        std::memcpy(rec->mac, r.mac, 6);
        FormatMacText(r.mac, rec->macText);
        rec->rssi = r.dbm;
        rec->readingCount = 1;
        list.InsertSorted(rec);
    }
}
