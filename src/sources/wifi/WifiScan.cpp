#include "sources/wifi/WifiScan.h"

#include <time.h>

#include <algorithm>
#include <cstring>

#include "sources/wifi/WifiSignal.h"

namespace {

constexpr int64_t kNsPerMs = 1000000;
constexpr int64_t kNsPerSecond = 1000000000;

bool FreshKernelEntry(const KernelBss& bss, int64_t dumpNs, int64_t requestNs) {
    if (bss.hasLastSeenBoottime)
        return bss.lastSeenBoottimeNs >= static_cast<uint64_t>(std::max<int64_t>(requestNs, 0));
    if (bss.hasSeenMsAgo) return dumpNs - int64_t{bss.seenMsAgo} * kNsPerMs >= requestNs;
    return false;  // an entry of unknown age is not used
}

const KernelBss* KernelMatch(const KernelScan& kernel, const uint8_t mac[6], uint32_t mhz,
                             int64_t requestNs) {
    const KernelBss* match = nullptr;
    for (const KernelBss& bss : kernel.entries) {
        if (std::memcmp(bss.bssid, mac, 6) != 0 || !bss.hasSignalMbm ||
            !PlausibleMbm(bss.signalMbm) ||
            !FreshKernelEntry(bss, kernel.dumpBoottimeNs, requestNs))
            continue;
        if (bss.frequencyMhz == mhz) return &bss;
        if (match == nullptr) match = &bss;
    }
    return match;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

int64_t BoottimeNowNs() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return int64_t{ts.tv_sec} * kNsPerSecond + ts.tv_nsec;
}

bool ScanEndedSinceRequest(int64_t lastScanMs, int64_t requestBoottimeNs) {
    return lastScanMs >= 0 && lastScanMs >= requestBoottimeNs / kNsPerMs;
}

bool ParseHwAddress(const std::string& text, uint8_t mac[6]) {
    if (text.size() != 17) return false;
    for (size_t i = 0; i < 6; ++i) {
        const int hi = HexDigit(text[3 * i]);
        const int lo = HexDigit(text[3 * i + 1]);
        if (hi < 0 || lo < 0 || (i < 5 && text[3 * i + 2] != ':')) return false;
        mac[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return true;
}

WifiScanResult CombineScan(const std::vector<NmAccessPoint>& accessPoints, const KernelScan& kernel,
                           int64_t requestBoottimeNs) {
    WifiScanResult result;
    if (!kernel.answered) result.kernelError = kernel.error;
    const int64_t requestSecond = requestBoottimeNs / kNsPerSecond;
    for (const NmAccessPoint& ap : accessPoints) {
        if (ap.lastSeen < 0 || ap.lastSeen < requestSecond) {
            ++result.staleSkipped;
            continue;
        }
        WifiReading r;
        if (!ParseHwAddress(ap.hwAddress, r.mac)) {
            ++result.unusable;
            continue;
        }
        r.ssidLength = static_cast<uint8_t>(std::min<size_t>(ap.ssid.size(), sizeof r.ssid));
        if (r.ssidLength > 0)
            std::memcpy(r.ssid, ap.ssid.data(), r.ssidLength);  // a hidden SSID has no data()
        r.frequencyMhz = ap.frequencyMhz;
        r.channel = ChannelOfFrequency(ap.frequencyMhz);
        r.privacy = ap.flags & 1;
        if (const KernelBss* bss = KernelMatch(kernel, r.mac, ap.frequencyMhz, requestBoottimeNs)) {
            r.dbm = DbmFromMbm(bss->signalMbm);
            r.source = DbmSource::kKernel;
            if (bss->hasCapability) {
                r.privacy = (bss->capability >> 4) & 1;
                r.capabilityFlag = (bss->capability >> 13) & 1;
            }
            ++result.kernelDbm;
        } else {
            r.dbm = DbmFromPercent(ap.strength);
            r.source = DbmSource::kPercent;
            ++result.derivedDbm;
        }
        result.readings.push_back(r);
    }
    return result;
}
