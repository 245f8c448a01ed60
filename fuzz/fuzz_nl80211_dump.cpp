// Arbitrary bytes as the kernel's answer to an nl80211 scan or station dump,
// through the parser, the combination with NetworkManager's list (its first
// access point the connected one) and the merge into a scan list. The parser must never read
// outside a datagram (each is an exact-size heap copy, so ASan sees any overread) and what it gives
// must be sound.
//
// Input: byte 0 chooses how the rest is cut into datagrams (Datagrams.h).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Datagrams.h"
#include "aplist/ApList.h"
#include "sources/wifi/Nl80211ScanParser.h"
#include "sources/wifi/WifiScan.h"
#include "sources/wifi/WifiSignal.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_nl80211_dump: %s\n", what.c_str());
    std::abort();
}

std::string MacText(const uint8_t mac[6]) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

void Check(const Nl80211ScanDumpParser& parser) {
    for (const KernelBss& b : parser.Entries()) {
        if (b.ssidLength > 32) Fail("an SSID longer than 32 bytes");
        if (!b.hasSsid && b.ssidLength != 0) Fail("an SSID length without an SSID");
    }
    // What NetworkManager would list for the same access points, all heard now.
    std::vector<NmAccessPoint> aps;
    for (const KernelBss& b : parser.Entries()) {
        NmAccessPoint ap;
        ap.hwAddress = MacText(b.bssid);
        ap.frequencyMhz = b.frequencyMhz;
        ap.strength = b.signalUnspec;
        ap.lastSeen = 0;
        ap.ssid.assign(b.ssid, b.ssid + b.ssidLength);
        ap.connected = aps.empty();
        ap.stationStrength = b.signalUnspec & 1;
        aps.push_back(ap);
    }
    KernelScan kernel;
    kernel.answered = true;
    kernel.entries = parser.Entries();
    kernel.stations = parser.Stations();
    kernel.dumpBoottimeNs = int64_t{1} << 40;
    const WifiScanResult result = CombineScan(aps, kernel, 0);
    if (result.readings.size() + result.unusable + result.staleSkipped != aps.size())
        Fail("access points went missing in the combination");
    for (const WifiReading& r : result.readings) {
        const WifiChannel c = ChannelOfFrequency(r.frequencyMhz);
        if (c.band != r.channel.band || c.number != r.channel.number) Fail("a wrong channel");
        if (r.dbm < -150 || r.dbm > 30) Fail("a dBm no receiver gives");
    }
    CApList list;
    MergeWifiReadings(list, result.readings);
    for (ApRecord* rec = list.First(); rec != nullptr && rec != list.Sentinel(); rec = rec->next)
        if (rec->ssid[31] != 0 || rec->readingCount < 1) Fail("an unsound record");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    Nl80211ScanDumpParser parser;
    FeedDatagrams(parser, data, size, "fuzz_nl80211_dump");
    Check(parser);
    return 0;
}
