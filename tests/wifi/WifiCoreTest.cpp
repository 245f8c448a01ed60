// Channels, dBm, the scan list's records of adapter readings, and the
// combination of NetworkManager's list with the kernel's scan dump.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "WifiRecords.h"
#include "sources/wifi/WifiChannel.h"
#include "sources/wifi/WifiReading.h"
#include "sources/wifi/WifiScan.h"
#include "sources/wifi/WifiSignal.h"

namespace {

TEST(WifiChannelTest, FrequenciesGiveTheKernelsChannelNumbersWithTheirBand) {
    struct Row {
        uint32_t mhz;
        WifiBand band;
        uint8_t number;
        const char* shown;
        bool gridCell;
    };
    const Row rows[] = {
        {2412, WifiBand::k24GHz, 1, "1", true},
        {2437, WifiBand::k24GHz, 6, "6", true},
        {2472, WifiBand::k24GHz, 13, "13", true},
        {2484, WifiBand::k24GHz, 14, "14", true},
        {4920, WifiBand::k5GHz, 184, "184", false},
        {5180, WifiBand::k5GHz, 36, "36", false},
        {5745, WifiBand::k5GHz, 149, "149", false},
        {5825, WifiBand::k5GHz, 165, "165", false},
        {5935, WifiBand::k6GHz, 2, "6:2", false},
        {5955, WifiBand::k6GHz, 1, "6:1", false},
        {6695, WifiBand::k6GHz, 149, "6:149", false},
        {7115, WifiBand::k6GHz, 233, "6:233", false},
        // Outside the three bands: no channel.
        {0, WifiBand::kUnknown, 0, "0", false},
        {2400, WifiBand::kUnknown, 0, "0", false},
        {3000, WifiBand::kUnknown, 0, "0", false},
        {5950, WifiBand::kUnknown, 0, "0", false},
        {7200, WifiBand::kUnknown, 0, "0", false},
        {60480, WifiBand::kUnknown, 0, "0", false},
    };
    for (const Row& row : rows) {
        const WifiChannel c = ChannelOfFrequency(row.mhz);
        EXPECT_EQ(c.band, row.band) << row.mhz;
        EXPECT_EQ(c.number, row.number) << row.mhz;
        char text[8];
        FormatChannel(c.band, c.number, text);
        EXPECT_STREQ(text, row.shown) << row.mhz;
        EXPECT_EQ(HasGridCell(c.band, c.number), row.gridCell) << row.mhz;
    }
    // The board's records carry band 0 and keep their grid cells.
    EXPECT_TRUE(HasGridCell(WifiBand::kBoard, 14));
    EXPECT_FALSE(HasGridCell(WifiBand::kBoard, 15));
}

TEST(WifiSignalTest, PercentagesTurnBackIntoTheDbmNetworkManagerMadeThemFrom) {
    // NetworkManager's own mapping, inverted exactly for -99..-41 dBm.
    for (int dbm = -99; dbm <= -41; ++dbm) {
        const int percent = 100 - (100 * (-40 - dbm)) / 60;
        EXPECT_EQ(DbmFromPercent(percent), dbm) << percent;
    }
    const std::pair<int, int> ends[] = {{32, -81}, {14, -92},  {44, -74},  {77, -54}, {100, -40},
                                        {0, -100}, {101, -40}, {-3, -100}, {255, -40}};
    for (auto [percent, dbm] : ends) EXPECT_EQ(DbmFromPercent(percent), dbm) << percent;
}

WifiReading Reading(uint8_t last, int16_t dbm, const std::string& ssid, uint32_t mhz = 2437) {
    WifiReading r;
    const uint8_t mac[6] = {0xAA, 0xBB, 0xCC, 0x00, 0x11, last};
    std::memcpy(r.mac, mac, 6);
    r.ssidLength = static_cast<uint8_t>(ssid.size());
    std::memcpy(r.ssid, ssid.data(), ssid.size());
    r.frequencyMhz = mhz;
    r.channel = ChannelOfFrequency(mhz);
    r.dbm = dbm;
    return r;
}

TEST(WifiReadingTest, ScansMergeLikeTheBoardsReadingsAndKeepSsidBytesAsTheyAre) {
    CApList list;
    // Two scans at one point, as --wifi-scans 2 takes them.
    MergeWifiReadings(
        list, {Reading(1, -61, "CorpNet"), Reading(2, -70, std::string("\xff\x41", 2), 5955)});
    MergeWifiReadings(list, {Reading(1, -64, "CorpNet"), Reading(3, -50, ""),
                             Reading(4, -80, std::string(32, 'x')),
                             Reading(5, -75, std::string("ab\0cd", 5), 5180)});
    EXPECT_EQ(RecordLines(list),
              (std::vector<std::string>{
                  "AABBCC001101 CorpNet/7 ch6 band2 -125/2 +beacon",
                  "AABBCC001102 \xff\x41/2 ch1 band6 -70/1 +beacon",  // not UTF-8: as they are
                  "AABBCC001103 /0 ch6 band2 -50/1 +beacon",          // hidden
                  "AABBCC001104 " + std::string(31, 'x') + "/32 ch6 band2 -80/1 +beacon",
                  "AABBCC001105 ab/5 ch36 band5 -75/1 +beacon"}));  // ends at a NUL byte
    // Each reading is kept too, with its scan and where its dBm came from.
    ASSERT_EQ(list.Readings().size(), 6u);
    EXPECT_EQ(list.Readings()[2].dbm, -64);
    EXPECT_EQ(list.Readings()[2].batch, 2);
    EXPECT_EQ(list.Readings()[2].source, ReadingSource::kAdapterPercent);
}

TEST(WifiScanTest, OnlyAccessPointsHeardSinceTheRequestAreReadAndTheKernelsDbmWins) {
    constexpr int64_t kSecond = 1000000000;
    const int64_t request = 5000 * kSecond + kSecond / 2;  // 5000.5 s after boot
    auto ap = [](const char* mac, int32_t lastSeen) {
        return NmAccessPoint{{'N', 'e', 't'}, mac, 2437, 44, lastSeen};
    };
    auto bss = [](uint8_t last, int32_t mbm, uint64_t seenNs, uint32_t mhz = 2437) {
        KernelBss b;
        const uint8_t mac[6] = {0xAA, 0xBB, 0xCC, 0x00, 0x11, last};
        std::memcpy(b.bssid, mac, 6);
        b.hasSignalMbm = true;
        b.signalMbm = mbm;
        b.hasLastSeenBoottime = true;
        b.lastSeenBoottimeNs = seenNs;
        b.frequencyMhz = mhz;
        return b;
    };
    KernelScan kernel;
    kernel.answered = true;
    kernel.dumpBoottimeNs = request + 3 * kSecond;
    kernel.entries = {
        bss(1, -4750, request + kSecond),        // fresh: its dBm is used
        bss(2, -3000, request - kSecond),        // older than the request
        bss(3, -6000, request + kSecond, 5180),  // fresh, other frequency ...
        bss(3, -6200, request + kSecond),        // ... the same frequency wins
        bss(4, -999999, request + kSecond),      // no receiver reports this
    };
    KernelBss byAge = bss(5, -5100, 0);  // SEEN_MS_AGO only: 1 s before the dump
    byAge.hasLastSeenBoottime = false;
    byAge.hasSeenMsAgo = true;
    byAge.seenMsAgo = 1000;
    kernel.entries.push_back(byAge);
    KernelBss ageless = bss(6, -5200, 0);  // no age at all: not used
    ageless.hasLastSeenBoottime = false;
    kernel.entries.push_back(ageless);

    const std::vector<NmAccessPoint> aps = {
        ap("AA:BB:CC:00:11:01", 5000),  // the request's own second counts
        ap("AA:BB:CC:00:11:02", 5001),
        ap("aa:bb:cc:00:11:03", 5002),
        ap("AA:BB:CC:00:11:04", 5001),
        ap("AA:BB:CC:00:11:05", 5001),
        ap("AA:BB:CC:00:11:06", 5001),
        ap("AA:BB:CC:00:11:07", 4999),  // NetworkManager's memory of an earlier scan
        ap("AA:BB:CC:00:11:08", -1),    // never seen
        ap("AA-BB-CC-00-11-09", 5001),  // no MAC address
    };
    const WifiScanResult result = CombineScan(aps, kernel, request);
    // MAC, dBm, k(ernel) or p(ercentage); then kernel, derived, stale, unusable.
    std::string got;
    for (const WifiReading& r : result.readings)
        got += std::to_string(r.mac[5]) + ":" + std::to_string(r.dbm) +
               (r.source == DbmSource::kKernel ? "k " : "p ");
    got += std::to_string(result.kernelDbm) + std::to_string(result.derivedDbm) +
           std::to_string(result.staleSkipped) + std::to_string(result.unusable);
    EXPECT_EQ(got, "1:-47k 2:-74p 3:-62k 4:-74p 5:-51k 6:-74p 3321");

    // The scan's end counts in NetworkManager's whole milliseconds.
    EXPECT_TRUE(ScanEndedSinceRequest(5000500, request));
    EXPECT_TRUE(ScanEndedSinceRequest(5000500, request + 999999));
    EXPECT_FALSE(ScanEndedSinceRequest(5000499, request));
    EXPECT_FALSE(ScanEndedSinceRequest(-1, -1));

    // Without the kernel's answer every dBm comes from the percentage, and the result says why.
    KernelScan silent;
    silent.error = "nl80211 scan dump for wlan0: No such device";
    const WifiScanResult derived = CombineScan(aps, silent, request);
    EXPECT_EQ(std::make_tuple(derived.kernelDbm, derived.derivedDbm, derived.kernelError),
              std::make_tuple(size_t{0}, size_t{6}, silent.error));
}

}  // namespace
