// Merging access-point reports into scanList.

#include <cstring>

#include "BoardFixture.h"

namespace {

const Mac kA = {0x00, 0x0A, 0x0B, 0x0C, 0x0D, 0x01};
const Mac kB = {0x00, 0x0A, 0x0B, 0x0C, 0x0D, 0x02};
const Mac kC = {0xDE, 0xAD, 0x11, 0xBE, 0xEF, 0x11};

// Merges a message held in a buffer of exactly its size, so that the
// sanitizers see any read past the received bytes.
void Merge(const Bytes& message) {
    std::vector<uint8_t> exact(message);
    exact.shrink_to_fit();
    theBoard.MergeReport(exact.data(), exact.size());
}

ApRecord* Find(const Mac& mac) {
    ApRecord* rec = nullptr;
    return scanList.FindMac(mac.data(), rec) == CApList::kOk ? rec : nullptr;
}

using Lines = std::vector<std::string>;

TEST_F(BoardTest, AccessPointEntersTheListOnlyWithABeaconAndEachReadingIsKeptWithItsReport) {
    Merge(ReportMessage({{kA, -40}, {kB, -55}}, {{1, "Office", 6, 0x2010}}));
    EXPECT_EQ(Listed(), Lines{"000A0B0C0D02 ch=6 ssid=\"Office\" sum=-55 n=1 privacy=1 cap=1"});
    // A later report without a beacon adds the reading and keeps the rest.
    Merge(ReportMessage({{kB, -65}, {kA, -41}}, {}));
    EXPECT_EQ(Listed(), Lines{"000A0B0C0D02 ch=6 ssid=\"Office\" sum=-120 n=2 privacy=1 cap=1"});
    // Every reading that counts is kept with its report; kA is never listed,
    // so its readings count nowhere.
    std::vector<std::string> got;
    for (const ScanReading& r : scanList.Readings())
        got.push_back(std::to_string(r.mac[5]) + " " + std::to_string(r.dbm) + " #" +
                      std::to_string(r.batch) + (r.source == ReadingSource::kBoard ? "" : " ?") +
                      (r.timeMs > 1'700'000'000'000 ? "" : " no time"));
    EXPECT_EQ(got, (Lines{"2 -55 #1", "2 -65 #2"}));
    // A later beacon refreshes the record; a shorter SSID leaves no tail.
    Merge(ReportMessage({{kB, -60}}, {{0, "Lab", 11, 0x0000}}));
    EXPECT_EQ(Listed(), Lines{"000A0B0C0D02 ch=11 ssid=\"Lab\" sum=-180 n=3 privacy=0 cap=0"});
    EXPECT_EQ(std::memcmp(Find(kB)->ssid, "Lab\0\0\0\0", 7), 0);
    EXPECT_EQ(Find(kB)->hasBeacon, 1);
    scanList.RemoveAll();
    EXPECT_TRUE(scanList.Readings().empty());
}

TEST_F(BoardTest, SsidIsCutAtItsLengthAndAt31Characters) {
    const std::string name32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    Merge(ReportMessage({{kA, -50}, {kB, -50}, {kC, -50}},
                        {{0, name32, 1, 0, 40}, {1, name32, 1, 0, 5}, {2, "", 1, 0, 0}}));
    EXPECT_EQ(std::string(Find(kA)->ssid), name32.substr(0, 31));
    EXPECT_EQ(Find(kA)->ssidLength, 40);
    EXPECT_STREQ(Find(kB)->ssid, "ABCDE");
    EXPECT_STREQ(Find(kC)->ssid, "");  // a hidden network
}

TEST_F(BoardTest, BeaconIndexRules) {
    // Index 64 and more is ignored; an index beyond the probes is harmless;
    // of two entries for one probe the later wins.
    Merge(ReportMessage({{kA, -50}, {kB, -51}}, {{64, "Wild", 1},
                                                 {200, "Wilder", 2},
                                                 {20, "Beyond", 3},
                                                 {0, "First", 4},
                                                 {0, "Second", 5}}));
    EXPECT_EQ(Listed(), Lines{"000A0B0C0D01 ch=5 ssid=\"Second\" sum=-50 n=1 privacy=0 cap=0"});
}

TEST_F(BoardTest, ReportOverTheLimitsOrShorterThanItsCountsMergesNothing) {
    std::vector<Probe> probes33;
    std::vector<Beacon> beacons33;
    for (uint8_t i = 0; i < 33; ++i) {
        probes33.push_back({{0x02, 0, 0, 0, 0, i}, -70});
        beacons33.push_back({static_cast<uint8_t>(i % 32), "X", 1});
    }
    const std::vector<Probe> three(probes33.begin(), probes33.begin() + 3);
    const Bytes full = ReportMessage({{kA, -50}, {kB, -60}}, {{0, "A", 1}, {1, "B", 2}});
    ASSERT_EQ(full.size(), 1u + 16 + 1 + 74);
    // 33 probes are in the recorded damaged.bin; a report without probes has
    // nothing to merge whatever the check.
    std::vector<std::pair<std::string, Bytes>> rejected = {
        {"33 beacons", ReportMessage(three, beacons33)},
        {"more probes counted than sent", ReportMessage({{kA, -50}}, {{0, "A", 1}}, 8)},
        {"more beacons counted than sent", ReportMessage({{kA, -50}}, {{0, "A", 1}}, 1, 2)}};
    for (size_t cut = 0; cut < full.size(); ++cut)
        rejected.push_back(
            {"cut at " + std::to_string(cut), Bytes(full.begin(), full.begin() + long(cut))});
    for (const auto& [what, message] : rejected) {
        SCOPED_TRACE(what);
        Merge(message);
        EXPECT_TRUE(scanList.IsEmpty());
    }

    // 32 of each is the most that is merged; bytes behind the last entry are
    // not looked at.
    probes33.pop_back();
    beacons33.pop_back();
    Merge(ReportMessage(probes33, beacons33));
    EXPECT_EQ(scanList.Count(), 32);
    Bytes padded = full;
    padded.resize(full.size() + 10, 0xEE);
    Merge(padded);
    EXPECT_EQ(scanList.Count(), 34);
}

TEST_F(BoardTest, RecordsStaySortedByTheirFirstReadingAndTheirSumsDoNotWrap) {
    const Mac d = {0, 0, 0, 0, 0, 0xD};
    Merge(ReportMessage({{kA, -60}, {kB, -70}, {kC, -60}, {d, -50}},
                        {{0, "a", 1}, {1, "b", 1}, {2, "c", 1}, {3, "d", 1}}));
    // Later readings do not move a record, and 1,000 of them wrap no sum.
    for (int i = 0; i < 1000; ++i) Merge(ReportMessage({{d, -90}}, {}));
    std::vector<std::string> order;
    for (ApRecord* r = scanList.First(); r; scanList.GetNext(r)) order.push_back(r->ssid);
    EXPECT_EQ(order, (std::vector<std::string>{"b", "a", "c", "d"}));
    EXPECT_EQ(std::make_pair(Find(d)->rssi, Find(d)->readingCount),
              std::make_pair(int64_t{-90050}, int32_t{1001}));
}

}  // namespace
