#include "sources/wifi/WifiReading.h"

#include <cstring>

namespace {

constexpr size_t kSsidStop = 31;  // the record's SSID keeps at most 31 bytes

void TakeReadingInfo(ApRecord& rec, const WifiReading& r) {
    rec.hasBeacon = 1;
    rec.channel = r.channel.number;
    rec.band = static_cast<uint8_t>(r.channel.band);
    rec.ssidLength = r.ssidLength;
    std::memset(rec.ssid, 0, sizeof rec.ssid);
    const size_t n = r.ssidLength < kSsidStop ? r.ssidLength : kSsidStop;
    for (size_t i = 0; i < n && r.ssid[i] != 0; ++i) rec.ssid[i] = static_cast<char>(r.ssid[i]);
    rec.privacy = r.privacy;
    rec.capabilityFlag = r.capabilityFlag;
}

}  // namespace

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
