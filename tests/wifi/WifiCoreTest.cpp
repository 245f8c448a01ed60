// Channels, dBm, the scan list's records of adapter readings, and the
// combination of NetworkManager's list with the kernel's scan dump and
// channel survey.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "ScanDumpMessages.h"
#include "SurveyDumpMessages.h"
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
        const char* shown;  // the 2.4 GHz channels alone have grid cells
    };
    constexpr WifiBand k24 = WifiBand::k24GHz, k5 = WifiBand::k5GHz, k6 = WifiBand::k6GHz,
                       kNo = WifiBand::kUnknown;  // outside the three bands: no channel
    const Row rows[] = {{2412, k24, 1, "1"},    {2437, k24, 6, "6"},      {2472, k24, 13, "13"},
                        {2484, k24, 14, "14"},  {4920, k5, 184, "184"},   {5180, k5, 36, "36"},
                        {5745, k5, 149, "149"}, {5825, k5, 165, "165"},   {5935, k6, 2, "6:2"},
                        {5955, k6, 1, "6:1"},   {6695, k6, 149, "6:149"}, {7115, k6, 233, "6:233"},
                        {0, kNo, 0, "0"},       {2400, kNo, 0, "0"},      {3000, kNo, 0, "0"},
                        {5950, kNo, 0, "0"},    {7200, kNo, 0, "0"},      {60480, kNo, 0, "0"}};
    for (const Row& row : rows) {
        const WifiChannel c = ChannelOfFrequency(row.mhz);
        EXPECT_EQ(c.band, row.band) << row.mhz;
        EXPECT_EQ(c.number, row.number) << row.mhz;
        char text[8];
        FormatChannel(c.band, c.number, text);
        EXPECT_STREQ(text, row.shown) << row.mhz;
        EXPECT_EQ(HasGridCell(c.band, c.number), row.band == k24) << row.mhz;
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
    const std::pair<int, int> ends[] = {{100, -40}, {0, -100}, {101, -40}, {-3, -100}, {255, -40}};
    for (auto [percent, dbm] : ends) EXPECT_EQ(DbmFromPercent(percent), dbm) << percent;
    // The connected access point's station mapping: about dBm + 120 within -90..-20.
    const std::pair<int, int> station[] = {{66, -54},  {90, -30}, {63, -57}, {31, -89},
                                           {100, -20}, {30, -90}, {0, -90},  {120, -20}};
    for (auto [percent, dbm] : station) EXPECT_EQ(DbmFromStationPercent(percent), dbm) << percent;
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

TEST(WifiReadingTest, A32ByteUtf8SsidIsCutAtACharacterBoundaryAndOtherBytesAreKept) {
    const std::string a = "\xc3\x84";              // Ä, two bytes
    const std::string smile = "\xf0\x9f\x98\x80";  // four bytes
    std::string fifteenA;
    for (int i = 0; i < 15; ++i) fifteenA += a;
    const struct {
        std::string sent, kept;
    } rows[] = {
        {fifteenA + a, fifteenA},                // the 16th Ä would be split
        {"a" + fifteenA + "b", "a" + fifteenA},  // 31 whole bytes
        {smile + smile + smile + smile + smile + smile + smile + smile,
         smile + smile + smile + smile + smile + smile + smile},
        {"\xff" + std::string(31, 'x'), "\xff" + std::string(30, 'x')},  // not UTF-8: 31 bytes
        {"\xc0\x80" + std::string(28, 'x') + a, "\xc0\x80" + std::string(28, 'x') + "\xc3"},
        {fifteenA, fifteenA},  // 30 bytes: nothing cut
    };
    for (const auto& row : rows) {
        CApList list;
        MergeWifiReadings(list, {Reading(1, -60, row.sent)});
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(std::string(list.First()->ssid), row.kept) << row.sent;
        EXPECT_EQ(list.First()->ssidLength, row.sent.size()) << row.sent;
    }
}

// The kernel's entry for AA:BB:CC:00:11:last, seen at seenNs after boot, or
// msAgo before the dump, or (neither) at no known time.
KernelBss Heard(uint8_t last, int32_t mbm, uint64_t seenNs, uint32_t mhz = 2437,
                std::optional<uint32_t> msAgo = {}) {
    KernelBss b;
    const uint8_t mac[6] = {0xAA, 0xBB, 0xCC, 0x00, 0x11, last};
    std::memcpy(b.bssid, mac, 6);
    b.hasSignalMbm = true;
    b.signalMbm = mbm;
    b.hasLastSeenBoottime = seenNs != 0;
    b.lastSeenBoottimeNs = seenNs;
    b.hasSeenMsAgo = msAgo.has_value();
    b.seenMsAgo = msAgo.value_or(0);
    b.frequencyMhz = mhz;
    return b;
}

TEST(WifiScanTest, OnlyAccessPointsHeardSinceTheRequestAreReadAndTheKernelsDbmWins) {
    constexpr int64_t kSecond = 1000000000;
    const int64_t request = 5000 * kSecond + kSecond / 2;  // 5000.5 s after boot
    auto ap = [](const char* mac, int32_t lastSeen) {
        return NmAccessPoint{{'N', 'e', 't'}, mac, 2437, 44, lastSeen};
    };
    KernelScan kernel;
    kernel.answered = true;
    kernel.dumpBoottimeNs = request + 3 * kSecond;
    kernel.entries = {
        Heard(1, -4750, request + kSecond),        // fresh: its dBm is used
        Heard(2, -3000, request - kSecond),        // older than the request
        Heard(3, -6000, request + kSecond, 5180),  // fresh, other frequency ...
        Heard(3, -6200, request + kSecond),        // ... the same frequency wins
        Heard(4, -999999, request + kSecond),      // no receiver reports this
        Heard(5, -5100, 0, 2437, 1000),            // SEEN_MS_AGO only: 1 s before the dump
        Heard(6, -5200, 0),                        // no age at all: not used
    };

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

TEST(WifiScanTest, TheConnectedAccessPointTakesTheKernelsFiguresElseTheMappingNetworkManagerUsed) {
    constexpr int64_t kRequest = 7000LL * 1000000000;
    using S = DbmSource;
    KernelStation avg{{0xAA, 0xBB, 0xCC, 0x00, 0x11, 0x01}, true, -51, true, -53};
    KernelStation last = avg;
    last.hasSignalAvg = false;
    KernelStation silent = avg;  // drivers without a signal say 0
    silent.signalDbm = silent.signalAvgDbm = 0;
    const KernelBss entry = Heard(1, -4800, kRequest + 1);
    const struct {
        const char* what;
        std::vector<KernelStation> stations;  // none: no station strength either
        std::vector<KernelBss> entries;
        int16_t dbm;
        DbmSource source;
        const char* lineEnd;
    } rows[] = {
        {"scan entry", {avg}, {entry}, -48, S::kKernel, "the kernel's dBm"},
        {"station average", {avg}, {}, -53, S::kKernelStation, "kernel's station signal"},
        {"station last frame", {last}, {}, -51, S::kKernelStation, "kernel's station signal"},
        // 66 %: -54 dBm by the station's mapping; the scan's inverse says -61.
        {"station refresh", {silent}, {}, -54, S::kStationPercent, "its station signal"},
        {"a scan's percentage", {}, {}, -61, S::kPercent, "(no kernel)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        NmAccessPoint ap{{'N'}, "AA:BB:CC:00:11:01", 2437, 66, 7000};
        ap.connected = true;
        ap.stationStrength = !row.stations.empty();
        KernelScan kernel;
        kernel.answered = !row.entries.empty();
        kernel.error = kernel.answered ? "" : "no kernel";
        kernel.entries = row.entries;
        kernel.stations = row.stations;
        const WifiScanResult r = CombineScan({ap}, kernel, kRequest);
        ASSERT_EQ(r.readings.size(), 1u);
        EXPECT_EQ(r.readings[0].dbm, row.dbm);
        EXPECT_EQ(r.readings[0].source, row.source);
        const std::string line = DbmKindLine(r);
        EXPECT_EQ(line.substr(line.size() - std::strlen(row.lineEnd)), row.lineEnd) << line;
    }
}

TEST(WifiScanTest, AnInterruptedDumpIsTakenOnceMore) {
    using namespace scandump;
    const Bytes interrupted = Cat(Entry(Bss{}, NLM_F_MULTI | NLM_F_DUMP_INTR), Done());
    const Bytes whole = Cat(Cat(Entry(Bss{}), Entry(SixGhzBss())), Done());
    const struct {
        std::vector<Bytes> answers;  // what each take gives
        int takes;
        size_t entries;
        bool interrupted;
    } rows[] = {
        {{whole}, 1, 2, false},
        {{interrupted, whole}, 2, 2, false},
        {{interrupted, interrupted, whole}, 2, 1, true},  // the second counts, marked
    };
    for (const auto& row : rows) {
        int takes = 0;
        KernelDumps dumps;
        dumps.interfaceName = "wlan0";
        dumps.scan = TakeAgainIfInterrupted([&] {
            KernelDumpAnswer a;
            a.datagrams = {row.answers[static_cast<size_t>(takes++)]};
            return a;
        });
        dumps.station.failure = "not asked";
        const KernelScan k = ReadKernelDumps(dumps);
        EXPECT_EQ(takes, row.takes);
        EXPECT_EQ(k.entries.size(), row.entries);
        EXPECT_EQ(k.interrupted, row.interrupted);
        EXPECT_EQ(k.stationError, "nl80211 station dump for wlan0: not asked");
    }
}

}  // namespace

// The channel survey taken after a scan gives the scan's noise floors, per
// channel with its band; whatever gives no plausible noise gives none.
TEST(WifiScanTest, TheChannelSurveyGivesEachChannelsNoiseAndNothingMadeUp) {
    using namespace scandump;
    using surveydump::Survey;
    // One message of the dump as the kernel sends it, byte by byte (host
    // order, little-endian here; no adapter on the build machine to record one):
    //   nlmsghdr   len 52, type 0x1c (nl80211, differs by boot), flags NLM_F_MULTI, seq, pid
    //   genlmsghdr cmd NL80211_CMD_NEW_SURVEY_RESULTS (51), version 1
    //   attribute  len 8, NL80211_ATTR_IFINDEX (3): 3
    //   attribute  len 24, NLA_F_NESTED | NL80211_ATTR_SURVEY_INFO (84):
    //     len 8, NL80211_SURVEY_INFO_FREQUENCY (1): 2437
    //     len 5, NL80211_SURVEY_INFO_NOISE (2): 0xA4 (-92), 3 bytes of padding
    //     len 4, NL80211_SURVEY_INFO_IN_USE (3)
    const Bytes channel6 = {52, 0, 0,  0,    0x1c, 0,    2, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // nlmsghdr
                            51, 1, 0,  0,                       // genlmsghdr
                            8,  0, 3,  0,    3,    0,    0, 0,  // ifindex 3
                            24, 0, 84, 0x80,                    // survey info, nested
                            8,  0, 1,  0,    0x85, 0x09, 0, 0,  // frequency 2437
                            5,  0, 2,  0,    0xA4, 0,    0, 0,  // noise -92
                            4,  0, 3,  0};                      // in use
    const auto entry = [](uint32_t mhz, std::optional<int> noise) {
        Survey s;
        s.frequency = mhz;
        s.noise.reset();
        if (noise) s.noise = static_cast<uint8_t>(*noise);
        return surveydump::SurveyEntry(surveydump::SurveyNest(s));
    };
    const Bytes cut = entry(5180, -101);
    const struct {
        const char* what;
        std::vector<Bytes> datagrams;
        const char* noise;  // band:channel:dBm of each
        std::string error;  // the survey's reason after "nl80211 survey dump for wlan0: "
    } rows[] = {
        {"one channel as sent", {Cat(channel6, Done())}, "2:6:-92", ""},
        {"several channels, 5 and 6 GHz",
         {Cat(entry(2412, -95), entry(5180, -101)), Cat(entry(5955, -97), entry(5935, -96)),
          Done()},
         "2:1:-95 5:36:-101 6:1:-97 6:2:-96",
         ""},
        {"no noise attribute",
         {Cat(Cat(entry(2437, {}), entry(5745, -99)), Done())},
         "5:149:-99",
         ""},
        {"0 dBm (a driver filling the field), +5, below -120",
         {Cat(Cat(Cat(entry(2412, 0), entry(2437, 5)), entry(2462, -128)), Done())},
         "",
         ""},
        {"a frequency outside the three bands", {Cat(entry(58320, -90), Done())}, "", ""},
        {"cut in the middle of a message",
         {Cat(entry(2412, -95), Bytes(cut.begin(), cut.begin() + 30))},
         "2:1:-95",
         "the answer did not end"},
        {"a driver without a survey", {Error(-EOPNOTSUPP)}, "", "Operation not supported"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        KernelDumps dumps;
        dumps.interfaceName = "wlan0";
        dumps.scan.failure = dumps.station.failure = "not asked";
        dumps.survey.datagrams = row.datagrams;
        const WifiScanResult result = CombineScan({}, ReadKernelDumps(dumps), 0);
        std::string noise;
        for (const ScanNoise& n : result.noise)
            noise += (noise.empty() ? "" : " ") + std::to_string(n.band) + ":" +
                     std::to_string(n.channel) + ":" + std::to_string(n.dbm);
        EXPECT_EQ(noise, row.noise);
        EXPECT_EQ(result.surveyError,
                  row.error.empty() ? "" : "nl80211 survey dump for wlan0: " + row.error);
    }
}
