// MergeReport: folds one access-point report (layout at ProbeEntry in
// ScannerBoard.h) into scanList. An access point enters the list only with a
// beacon entry; from then on every probe reading of it is added to its sum
// and kept one by one in the list's reading log.
// Runs on the board worker with m_reportLock held.

#include <cstring>

#include "aplist/ApList.h"
#include "board/ScannerBoard.h"

namespace {

constexpr size_t kSsidStop = 31;  // an SSID keeps at most 31 characters
constexpr size_t kIndexTableSize = 64;
constexpr uint8_t kNoBeacon = 0xFF;

ProbeEntry DecodeProbe(const uint8_t* p) {
    ProbeEntry e{};
    std::memcpy(e.mac, p, 6);
    e.rssi = static_cast<int16_t>(static_cast<uint16_t>(p[6] | (p[7] << 8)));
    return e;
}

BeaconEntry DecodeBeacon(const uint8_t* p) {
    BeaconEntry e{};
    e.probeIndex = p[0];
    e.ssidLength = p[1];
    std::memcpy(e.ssid, p + 2, 32);
    e.channel = p[34];
    e.capability = static_cast<uint16_t>(p[35] | (p[36] << 8));
    // The NUL at min(length, 31) makes the SSID a text of at most 31 chars.
    e.ssid[e.ssidLength < kSsidStop ? e.ssidLength : kSsidStop] = 0;
    return e;
}

void TakeBeacon(ApRecord& rec, const BeaconEntry& beacon) {
    rec.hasBeacon = 1;
    rec.capabilityFlag = (beacon.capability >> 13) & 1;
    rec.channel = beacon.channel;
    rec.ssidLength = beacon.ssidLength;
    // strncpy semantics: copy up to the NUL, zero the rest of the field.
    std::memset(rec.ssid, 0, sizeof rec.ssid);
    for (size_t i = 0; i < sizeof rec.ssid && beacon.ssid[i] != 0; ++i)
        rec.ssid[i] = static_cast<char>(beacon.ssid[i]);
    rec.privacy = (beacon.capability >> 4) & 1;
}

}  // namespace

void CScannerBoard::MergeReport(const uint8_t* report, size_t length) {
    if (length < 1) return;
    const size_t probeCount = report[0];
    if (probeCount == 0 || probeCount > kMaxReportEntries) return;
    const size_t beaconCountAt = 1 + kProbeEntrySize * probeCount;
    // Entries that were not received are not read: a short report is ignored
    // whole, before anything of it is stored.
    if (length < beaconCountAt + 1) return;
    const size_t beaconCount = report[beaconCountAt];
    const uint8_t* beaconBytes = report + beaconCountAt + 1;
    if (beaconCount <= kMaxReportEntries &&
        length < beaconCountAt + 1 + kBeaconEntrySize * beaconCount)
        return;

    for (size_t j = 0; j < probeCount; ++j)
        m_probes[j] = DecodeProbe(report + 1 + kProbeEntrySize * j);
    m_probeCount = static_cast<int16_t>(probeCount);
    m_beaconCount = static_cast<int16_t>(beaconCount);
    if (beaconCount > kMaxReportEntries) return;

    uint8_t beaconOfProbe[kIndexTableSize];
    std::memset(beaconOfProbe, kNoBeacon, sizeof beaconOfProbe);
    for (size_t i = 0; i < beaconCount; ++i) {
        m_beacons[i] = DecodeBeacon(beaconBytes + kBeaconEntrySize * i);
        // A later entry for the same probe wins.
        if (m_beacons[i].probeIndex < kIndexTableSize)
            beaconOfProbe[m_beacons[i].probeIndex] = static_cast<uint8_t>(i);
    }

    scanList.BeginBatch();
    for (size_t j = 0; j < probeCount; ++j) {
        const ProbeEntry& probe = m_probes[j];
        const uint8_t e = beaconOfProbe[j];
        ApRecord* rec = nullptr;
        if (scanList.FindMac(probe.mac, rec) == CApList::kOk) {
            rec->refreshed = 0;
            if (e != kNoBeacon) TakeBeacon(*rec, m_beacons[e]);
            rec->rssi += probe.rssi;
            rec->readingCount += 1;
            scanList.LogReading(probe.mac, probe.rssi, ReadingSource::kBoard);
            continue;
        }
        if (e == kNoBeacon) continue;  // not listed yet and nothing to list it with
        if (scanList.NewRecord(rec) != CApList::kOk) continue;
        TakeBeacon(*rec, m_beacons[e]);
        rec->isNew = 1;
        rec->refreshed = 0;
        std::memcpy(rec->mac, probe.mac, 6);
        FormatMacText(probe.mac, rec->macText);
        rec->rssi = probe.rssi;
        rec->readingCount = 1;
        scanList.InsertSorted(rec);
        scanList.LogReading(probe.mac, probe.rssi, ReadingSource::kBoard);
    }
}
