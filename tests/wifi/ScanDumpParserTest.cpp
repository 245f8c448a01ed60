// The kernel's scan dump read from raw netlink bytes: whole dumps, what the
// kernel may leave out, and bytes that are cut short or wrong (an interrupted
// dump is marked: WifiCoreTest, AnInterruptedDumpIsTakenOnceMore).

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>

#include "ScanDumpMessages.h"
#include "sources/wifi/Nl80211ScanParser.h"

namespace {

using namespace scandump;
using State = Nl80211ScanDumpParser::State;

constexpr auto Parse = scandump::Parse<Nl80211ScanDumpParser>;

// A BSS as one line: first and last BSSID byte, MHz, each optional field as
// present:value, the SSID.
std::string Describe(const KernelBss& b) {
    char line[128];
    std::snprintf(
        line, sizeof line, "%02X..%02X %u mbm%d:%d ago%d:%u boot%d:%llu ssid%d:", b.bssid[0],
        b.bssid[5], b.frequencyMhz, b.hasSignalMbm, b.signalMbm, b.hasSeenMsAgo, b.seenMsAgo,
        b.hasLastSeenBoottime, static_cast<unsigned long long>(b.lastSeenBoottimeNs), b.hasSsid);
    return line + std::string(b.ssid, b.ssid + b.ssidLength);
}

TEST(ScanDumpParserTest, AWholeDumpGivesEveryBssWithItsFields) {
    // In one datagram, or one message per datagram, under any family id.
    for (uint16_t family : {uint16_t{16}, uint16_t{0x1c}, uint16_t{0xffff}}) {
        Bytes second = Entry(SixGhzBss());
        std::memcpy(second.data() + 4, &family, 2);
        const Bytes first = Entry(Bss{});
        for (const auto& datagrams : {std::vector<Bytes>{Cat(Cat(first, second), Done())},
                                      std::vector<Bytes>{first, second, Done()}}) {
            const Nl80211ScanDumpParser p = Parse(datagrams);
            ASSERT_EQ(p.GetState(), State::kDone);
            EXPECT_EQ(p.Dropped(), 0u);
            std::vector<std::string> got;
            for (const KernelBss& b : p.Entries()) got.push_back(Describe(b));
            EXPECT_EQ(got,
                      (std::vector<std::string>{
                          "00..55 2437 mbm1:-5400 ago1:100 boot0:0 ssid1:CorpNet",
                          "00..66 5955 mbm1:-9150 ago0:0 boot1:123456789012345 ssid1:\xff\x41"}));
        }
    }
}

TEST(ScanDumpParserTest, SsidComesFromTheElementsOrTheBeaconAndOnlyWhenWhole) {
    struct Row {
        const char* what;
        Bytes elements;  // NL80211_BSS_INFORMATION_ELEMENTS, when not empty
        Bytes beacon;    // NL80211_BSS_BEACON_IES, when not empty
        bool hasSsid;
        std::string ssid;
        Bytes laterElements = {};  // a second NL80211_BSS_INFORMATION_ELEMENTS
    };
    const Row rows[] = {
        {"elements", SsidElements("Net"), {}, true, "Net"},
        {"NUL inside", SsidElements(std::string("a\0b", 3)), {}, true, std::string("a\0b", 3)},
        {"hidden", SsidElements(""), {}, true, ""},
        {"beacon only", {}, SsidElements("Beacon"), true, "Beacon"},
        {"elements first", SsidElements("Probe"), SsidElements("Beacon"), true, "Probe"},
        {"no SSID element", {1, 2, 0x82, 0x84}, {}, false, ""},
        {"33 bytes", SsidElements(std::string(33, 's')), {}, false, ""},
        {"32 bytes", SsidElements(std::string(32, 's')), {}, true, std::string(32, 's')},
        {"element cut", {0, 9, 'N', 'e', 't'}, {}, false, ""},
        {"header cut", {1, 2, 0x82, 0x84, 0}, {}, false, ""},
        {"cut, beacon whole", {0, 9, 'N'}, SsidElements("Beacon"), true, "Beacon"},
        {"elements twice, the last cut", SsidElements("Net"), {}, false, "", {0, 9, 'N'}},
        {"elements twice, the last whole", {0, 9, 'N'}, {}, true, "Net", SsidElements("Net")},
    };
    for (const Row& row : rows) {
        Bss s;
        s.ssid.reset();
        Bytes nest = BssNest(s);
        if (!row.elements.empty())
            nest = Cat(nest, Attr(NL80211_BSS_INFORMATION_ELEMENTS, row.elements));
        if (!row.beacon.empty()) nest = Cat(nest, Attr(NL80211_BSS_BEACON_IES, row.beacon));
        if (!row.laterElements.empty())
            nest = Cat(nest, Attr(NL80211_BSS_INFORMATION_ELEMENTS, row.laterElements));
        const Nl80211ScanDumpParser p = Parse({EntryWithNest(nest), Done()});
        ASSERT_EQ(p.Entries().size(), 1u) << row.what;
        const KernelBss& b = p.Entries()[0];
        EXPECT_EQ(b.hasSsid, row.hasSsid) << row.what;
        EXPECT_EQ(std::string(b.ssid, b.ssid + b.ssidLength), row.ssid) << row.what;
    }
}

TEST(ScanDumpParserTest, MalformedBssEntriesAreDroppedWholeAndTheRestIsRead) {
    auto withAttr = [](uint16_t type, const Bytes& payload) {
        return EntryWithNest(Cat(BssNest(Bss{}), Attr(type, payload)));
    };
    // An attribute claiming more than there is.
    const Bytes cutNest =
        Cat(BssNest(Bss{}), Cat(Value<uint16_t>(40), Value<uint16_t>(NL80211_BSS_SIGNAL_MBM)));
    Bytes nestWithoutBssid = BssNest(Bss{});
    nestWithoutBssid.erase(nestWithoutBssid.begin(), nestWithoutBssid.begin() + 12);
    const Bytes bad[] = {
        EntryWithNest(cutNest),
        EntryWithNest(nestWithoutBssid),
        withAttr(NL80211_BSS_BSSID, {1, 2, 3, 4, 5}),
        withAttr(NL80211_BSS_FREQUENCY, {1, 2}),
        withAttr(NL80211_BSS_SIGNAL_MBM, {1, 2, 3, 4, 5, 6, 7, 8}),
        withAttr(NL80211_BSS_SIGNAL_UNSPEC, {}),
        withAttr(NL80211_BSS_LAST_SEEN_BOOTTIME, {1, 2, 3, 4}),
        withAttr(NL80211_BSS_CAPABILITY, {1}),
        EntryWithNest(Cat(BssNest(Bss{}), {3, 0, 0, 0})),  // an attribute shorter than its header
        EntryWithNest(Cat(BssNest(Bss{}), {8, 0})),        // a header cut in two
    };
    for (const Bytes& entry : bad) {
        const Nl80211ScanDumpParser p = Parse({Cat(Cat(entry, Entry(SixGhzBss())), Done())});
        EXPECT_EQ(p.GetState(), State::kDone);
        ASSERT_EQ(p.Entries().size(), 1u);
        EXPECT_EQ(p.Entries()[0].bssid[5], 0x66);
        EXPECT_EQ(p.Dropped(), 1u);
    }
    // A message without the BSS nest, or too short for its header, is no entry.
    EXPECT_EQ(Parse({Message({NL80211_CMD_NEW_SCAN_RESULTS, 1, 0, 0})}).Entries().size(), 0u);
    EXPECT_EQ(Parse({Message({NL80211_CMD_NEW_SCAN_RESULTS})}).Dropped(), 1u);
}

TEST(ScanDumpParserTest, TheKernelsErrorsEndTheDumpAndCutMessagesAreNotRead) {
    struct Row {
        const char* what;
        std::vector<Bytes> datagrams;
        State state;
        int error;
        size_t entries;
    };
    Bytes longer = Entry(Bss{});
    const uint32_t tooLong = static_cast<uint32_t>(longer.size() + 4);
    std::memcpy(longer.data(), &tooLong, 4);
    Bytes tiny = Entry(Bss{});
    const uint32_t tooShort = 8;
    std::memcpy(tiny.data(), &tooShort, 4);
    const Row rows[] = {
        {"no such device", {Error(-ENODEV)}, State::kFailed, ENODEV, 0},
        {"an ack", {Error(0)}, State::kDone, 0, 0},
        {"dump failed at its end", {Entry(Bss{}), Done(-EBUSY)}, State::kFailed, EBUSY, 1},
        {"error without its code", {Message({}, NLMSG_ERROR)}, State::kFailed, EBADMSG, 0},
        {"overrun", {Message({}, NLMSG_OVERRUN)}, State::kFailed, ENOBUFS, 0},
        {"the least error code", {Error(INT32_MIN)}, State::kFailed, EBADMSG, 0},
        {"no end yet", {Entry(Bss{}), Message({}, NLMSG_NOOP)}, State::kMore, 0, 1},
        {"message longer than the datagram", {longer, Done()}, State::kDone, 0, 0},
        {"message shorter than its header", {Cat(tiny, Entry(Bss{})), Done()}, State::kDone, 0, 0},
        {"bytes after the end", {Cat(Done(), Entry(Bss{}))}, State::kDone, 0, 0},
        {"a few stray bytes", {{1, 2, 3}, Entry(Bss{}), Done()}, State::kDone, 0, 1},
    };
    for (const Row& row : rows) {
        const Nl80211ScanDumpParser p = Parse(row.datagrams);
        EXPECT_EQ(p.GetState(), row.state) << row.what;
        EXPECT_EQ(p.ErrorCode(), row.error) << row.what;
        EXPECT_EQ(p.Entries().size(), row.entries) << row.what;
    }
}

TEST(ScanDumpParserTest, StationsAreReadWithTheirSignalsBesideTheEntries) {
    const Bytes mac = {0xAA, 0xBB, 0xCC, 0x00, 0x11, 0x22};
    const Nl80211ScanDumpParser p =
        Parse({Cat(Cat(StationEntry(mac, -47, -49), StationEntry(mac, std::nullopt, std::nullopt)),
                   Cat(Entry(Bss{}, NLM_F_MULTI | NLM_F_DUMP_INTR), Done()))});
    ASSERT_EQ(p.GetState(), State::kDone);
    ASSERT_EQ(p.Stations().size(), 2u);
    EXPECT_EQ(p.Stations()[0].mac[5], 0x22);
    EXPECT_TRUE(p.Stations()[0].hasSignal && p.Stations()[0].hasSignalAvg);
    EXPECT_EQ(p.Stations()[0].signalDbm, -47);
    EXPECT_EQ(p.Stations()[0].signalAvgDbm, -49);
    EXPECT_FALSE(p.Stations()[1].hasSignal || p.Stations()[1].hasSignalAvg);
    EXPECT_EQ(p.Entries().size(), 1u);
    // A station with a MAC of the wrong size, or a signal of two bytes, is dropped.
    const Bytes genl = {NL80211_CMD_NEW_STATION, 1, 0, 0};
    const Bytes badMac =
        Message(Cat(Cat(genl, Attr(NL80211_ATTR_MAC, {1, 2, 3})), Attr(NL80211_ATTR_STA_INFO, {})));
    const Bytes badSignal =
        Message(Cat(Cat(genl, Attr(NL80211_ATTR_MAC, mac)),
                    Attr(NL80211_ATTR_STA_INFO, Attr(NL80211_STA_INFO_SIGNAL, {1, 2}))));
    const Nl80211ScanDumpParser bad = Parse({Cat(Cat(badMac, badSignal), Done())});
    EXPECT_EQ(bad.Stations().size(), 0u);
    EXPECT_EQ(bad.Dropped(), 2u);
}

TEST(ScanDumpParserTest, EveryCutOfADumpIsReadSafelyAndNeverTakenForWhole) {
    const Bytes whole = Cat(Cat(Entry(Bss{}), Entry(SixGhzBss())), Done());
    for (size_t n = 0; n < whole.size(); ++n) {
        const Nl80211ScanDumpParser p = Parse({Bytes(whole.begin(), whole.begin() + n)});
        EXPECT_NE(p.GetState(), State::kDone) << n;
        EXPECT_LE(p.Entries().size(), 2u);
    }
}

}  // namespace
