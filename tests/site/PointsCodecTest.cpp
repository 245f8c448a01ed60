// The points section: the worked example, grouping, rssi scaling, the
// reader's tolerance of short and oversized records. Refused size words and
// cuts at every byte are in tests/robustness/SiteDefectTest.cpp.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "SiteTestSupport.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

namespace {

using Lines = std::vector<std::string>;

// What reading a points section gave: each entry as "x,y name mac ssid chN
// rssi", then each circle as "circle x,y strength".
struct ReadBack {
    SiteStatus status;
    CApList entries;
    Lines lines;
};

// Reads `points` behind a small site's header into fresh entries and circles.
std::unique_ptr<ReadBack> ReadAll(const std::vector<uint8_t>& points, CSiteRecord* site = nullptr) {
    auto read = std::make_unique<ReadBack>();
    ReadBack& out = *read;
    CSiteRecord local;
    CSiteRecord& s = site ? *site : local;
    MemorySource src(WithPoints(SmallSiteFile(), points));
    EXPECT_TRUE(ReadSiteHeader(src, s).ok);
    Lines circles;
    out.status = ReadPoints(src, s, out.entries, [&](int32_t x, int32_t y, int16_t strength) {
        circles.push_back("circle " + std::to_string(x) + "," + std::to_string(y) + " " +
                          std::to_string(strength));
    });
    char line[160];
    for (const ApRecord* e = out.entries.First(); e && e != out.entries.Sentinel(); e = e->next) {
        std::snprintf(line, sizeof line, "%d,%d %s %s %s ch%d %lld", e->x, e->y, e->pointName,
                      e->macText, e->ssid, e->channel, static_cast<long long>(e->rssi));
        out.lines.push_back(line);
    }
    out.lines.insert(out.lines.end(), circles.begin(), circles.end());
    return read;
}

std::vector<uint8_t> Encode(const CApList& list) {
    CSiteRecord site;
    return EncodePointsSection(site, list);
}

// A hand-made point group with records padded to the given sizes.
void AppendGroup(std::vector<uint8_t>& v, int32_t x, int32_t y, uint16_t apCount,
                 size_t pointSize) {
    const size_t at = v.size();
    v.resize(at + pointSize, 0);
    Put32(v, at, static_cast<uint32_t>(x));
    Put32(v, at + 4, static_cast<uint32_t>(y));
    std::memcpy(v.data() + at + 8, "TEST", 4);
    Put16(v, at + 40, apCount);
}

void AppendAp(std::vector<uint8_t>& v, uint8_t channel, int16_t rssi256, size_t apSize) {
    const size_t at = v.size();
    v.resize(at + apSize, 0);
    v[at] = channel;
    Put16(v, at + 1, static_cast<uint16_t>(rssi256));
    for (int i = 0; i < 6; ++i) v[at + 3 + i] = static_cast<uint8_t>(0xA0 + i);
    std::memcpy(v.data() + at + 9, "net", 3);
}

std::vector<uint8_t> SizeWords(uint32_t point, uint32_t ap) {
    std::vector<uint8_t> v(8);
    Put32(v, 0, point);
    Put32(v, 4, ap);
    return v;
}

uint16_t Word(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

}  // namespace

TEST(PointsSection, WorkedExampleComesOutByteForByteAndReadsBackAndSoDoesAnyList) {
    CApList list;
    AddEntry(list, 100, 200, 6, -55, "lab");
    const std::vector<uint8_t> bytes = Encode(list);
    // Size words; x, y, "TEST", apCount 1; channel, rssi * 256, MAC, "lab".
    Bytes expected = Hex("2A 00 00 00 29 00 00 00 64 00 00 00 C8 00 00 00 54 45 53 54");
    expected.resize(expected.size() + 28, 0);
    for (uint8_t b : Hex("01 00 06 00 C9 00 11 22 33 44 55 6C 61 62")) expected.push_back(b);
    expected.resize(expected.size() + 29, 0);
    EXPECT_EQ(HexText(bytes), HexText(expected));

    const auto back = ReadAll(bytes);
    EXPECT_TRUE(back->status.ok);
    EXPECT_EQ(back->lines, (Lines{"100,200 TEST 001122334455 lab ch6 -55", "circle 100,200 -55"}));

    // Written, read and written again: identical bytes.
    CApList many;
    AddEntry(many, 10, 20, 1, -40, "a", "TEST", 1);
    AddEntry(many, 10, 20, 11, -80, "b", "TEST", 2);
    AddEntry(many, 300, 5, 0, 0, "FILL", "FILL");
    AddEntry(many, -4, 7, 14, -128, "\xE9t\xE9", "TEST", 3);
    AddEntry(many, -4, 7, 3, 127, "", "TEST", 4);
    const std::vector<uint8_t> first = Encode(many);

    const auto again = ReadAll(first);
    EXPECT_TRUE(again->status.ok && again->entries.Count() == 5);
    EXPECT_EQ(Encode(again->entries), first);
    EXPECT_EQ(Lines(again->lines.begin() + 5, again->lines.end()),
              (Lines{"circle 10,20 -40", "circle 300,5 -120", "circle -4,7 127"}));
}

TEST(PointsSection, GroupsEntriesIntoPointRecordsByPositionAndPlaceholder) {
    EXPECT_EQ(Encode(CApList{}), SizeWords(42, 41));  // an empty list: the size words only

    // Two measurements at the same position become one record.
    CApList two;
    AddEntry(two, 50, 60, 1, -50);
    AddEntry(two, 50, 60, 6, -60);
    AddEntry(two, 50, 61, 6, -60);
    auto bytes = Encode(two);
    ASSERT_EQ(bytes.size(), 8u + 42 + 2 * 41 + 42 + 41);
    EXPECT_EQ(std::make_pair(Word(bytes, 8 + 40), Word(bytes, 8 + 42 + 82 + 40)),
              std::make_pair(uint16_t{2}, uint16_t{1}));

    // A channel-0 entry opens a record of its own; APs after it at the same
    // position count into it, so it does not come back on reading.
    CApList fill;
    AddEntry(fill, 5, 5, 3, -70);
    AddEntry(fill, 5, 5, 0, 0, "FILL", "FILL");
    AddEntry(fill, 5, 5, 4, -71);
    bytes = Encode(fill);
    ASSERT_EQ(bytes.size(), 8u + 42 + 41 + 42 + 41);
    EXPECT_EQ(std::make_pair(Word(bytes, 8 + 40), Word(bytes, 8 + 42 + 41 + 40)),
              std::make_pair(uint16_t{1}, uint16_t{1}));
    EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[8 + 42 + 41 + 8]), "FILL");
    const auto back = ReadAll(bytes);
    EXPECT_EQ(back->lines,
              (Lines{"5,5 TEST 001122334455 lab ch3 -70", "5,5 FILL 001122334455 lab ch4 -71",
                     "circle 5,5 -70", "circle 5,5 -71"}));

    // N points without APs: N records with apCount 0, read back as empty
    // measurements that paint the weakest circle.
    CApList empty;
    for (int i = 0; i < 2; ++i) AddEntry(empty, 7, 7, 0, 0, "FILL", "FILL");
    bytes = Encode(empty);
    EXPECT_EQ(bytes.size(), 8u + 2 * 42);
    EXPECT_EQ(std::make_pair(Word(bytes, 8 + 40), Word(bytes, 8 + 42 + 40)),
              std::make_pair(uint16_t{0}, uint16_t{0}));
    const auto none = ReadAll(bytes);
    EXPECT_EQ(none->lines,
              (Lines{"7,7 FILL 000000000000  ch0 -100", "7,7 FILL 000000000000  ch0 -100",
                     "circle 7,7 -120", "circle 7,7 -120"}));
}

TEST(PointsSection, MoreThan65535ApsAtOnePositionOpenASecondRecordInsteadOfWrapping) {
    CApList list;
    for (int i = 0; i < 65536; ++i) AddEntry(list, 1, 2, 6, -60);
    const auto bytes = Encode(list);
    EXPECT_EQ(std::make_pair(Word(bytes, 8 + 40), Word(bytes, 8 + 42 + size_t{65535} * 41 + 40)),
              std::make_pair(uint16_t{65535}, uint16_t{1}));
    EXPECT_EQ(ReadAll(bytes)->entries.Count(), 65536);
}

TEST(PointsSection, RssiIsScaledBy256TruncatedOnReadAndClampedOnWrite) {
    std::vector<uint8_t> points = SizeWords(42, 41);
    AppendGroup(points, 1, 1, 3, 42);
    AppendAp(points, 1, -20352, 41);  // -79.5 dBm
    AppendAp(points, 2, -1, 41);      // just below 0
    AppendAp(points, 3, 383, 41);     // 1.5 dBm
    const auto back = ReadAll(points);
    EXPECT_EQ(back->lines,
              (Lines{"1,1 TEST A0A1A2A3A4A5 net ch1 -79", "1,1 TEST A0A1A2A3A4A5 net ch2 0",
                     "1,1 TEST A0A1A2A3A4A5 net ch3 1", "circle 1,1 1"}));

    CApList list;
    for (int64_t rssi : {-200, 300, -128}) AddEntry(list, 0, 0, 1, rssi);
    const auto bytes = Encode(list);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(static_cast<int16_t>(Word(bytes, 8 + 42 + i * 41 + 1)),
                  (i == 1 ? 127 : -128) * 256);
}

TEST(PointsSection, BytesAfterATextsNulAreWrittenAsZeros) {
    CApList list;
    AddEntry(list, 0, 0, 1, -50, "ab");
    ApRecord* e = list.First();
    std::memcpy(e->pointName, "TE\0garbage", 10);
    std::memcpy(e->ssid, "ab\0junkjunk", 11);
    std::memset(e->ssid + 11, 'Z', 20);  // and an SSID field with no NUL past 31
    e->ssid[31] = 'Q';
    const auto bytes = Encode(list);
    for (size_t i = 8 + 8 + 2; i < 8 + 8 + 32; ++i) EXPECT_EQ(bytes[i], 0) << i;
    for (size_t i = 8 + 42 + 9 + 2; i < 8 + 42 + 41; ++i) EXPECT_EQ(bytes[i], 0) << i;
}

TEST(PointsSection, LargerRecordSizesSkipTheExcessAndAShortApRecordEndsTheReadQuietly) {
    std::vector<uint8_t> padded = SizeWords(43, 42);
    AppendGroup(padded, 3, 4, 2, 43);
    AppendAp(padded, 5, -70 * 256, 42);
    AppendAp(padded, 6, -65 * 256, 42);
    AppendGroup(padded, 30, 40, 0, 43);
    CSiteRecord site;
    const auto back = ReadAll(padded, &site);
    ASSERT_TRUE(back->status.ok);
    EXPECT_EQ(std::make_pair(site.m_pointRecordSize, site.m_apRecordSize),
              std::make_pair(43u, 42u));
    EXPECT_EQ(back->lines,
              (Lines{"3,4 TEST A0A1A2A3A4A5 net ch5 -70", "3,4 TEST A0A1A2A3A4A5 net ch6 -65",
                     "30,40 TEST 000000000000  ch0 -100", "circle 3,4 -65", "circle 30,40 -120"}));

    // A short AP record ends the read quietly; the APs read still paint their circle.
    std::vector<uint8_t> points = SizeWords(42, 41);
    AppendGroup(points, 9, 8, 3, 42);
    for (int16_t dbm : {-60, -50, -10}) AppendAp(points, 1, static_cast<int16_t>(dbm * 256), 41);
    points.resize(points.size() - 1);  // the third AP is cut short
    const auto cut = ReadAll(points);
    EXPECT_TRUE(cut->status.ok && cut->entries.Count() == 2);
    EXPECT_EQ(cut->lines.back(), "circle 9,8 -50");
}

TEST(PointsSection, ReadingLeavesTheRecordingCountersAloneAndTallyCountsRecords) {
    CApList list;
    AddEntry(list, 1, 1, 1, -50);
    AddEntry(list, 1, 1, 2, -50);
    AddEntry(list, 2, 1, 0, 0);
    CSiteRecord site;
    site.m_locationCount = 3;
    site.m_apCount = 7;
    const auto back = ReadAll(Encode(list), &site);
    EXPECT_EQ(std::make_pair(site.m_locationCount, site.m_apCount), std::make_pair(3, 7));

    MemorySource src(WithPoints(SmallSiteFile(), Encode(list)));
    PointsTally tally;
    ASSERT_TRUE(TallyPoints(src, site, tally).ok);
    EXPECT_EQ(std::make_tuple(tally.pointGroups, tally.apRecords, tally.pointRecordSize),
              std::make_tuple(2u, 2u, 42u));
}

TEST(SignatureSection, WordsRunBottomRowFirstLeftToRight) {
    // The first words are the bottom row's (y = 99), from its left end; ink is 0.
    const auto bytes =
        EncodeSignature([](int x, int y) { return (x == 3 && y == 99) ? 0u : 0x00FFFFFFu; });
    ASSERT_EQ(bytes.size(), 80000u);
    EXPECT_EQ(HexText(Bytes(bytes.begin(), bytes.begin() + 16)),
              "FF FF FF 00 FF FF FF 00 FF FF FF 00 00 00 00 00");  // little-endian
    // The decoder gives every pixel back at its place.
    const auto ink = [](int x, int y) { return x == 2 * y ? 0u : 0x00FFFFFFu; };
    const std::vector<uint32_t> pixels = DecodeSignature(EncodeSignature(ink).data());
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) ASSERT_EQ(pixels[y * 200 + x], ink(x, y)) << x << "," << y;
}
