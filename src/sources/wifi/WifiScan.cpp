#include "sources/wifi/WifiScan.h"

#include <time.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "sources/wifi/NetlinkMessages.h"
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

// The station's signal of the connected access point, in dBm, when the kernel has a usable one.
bool StationSignal(const KernelScan& kernel, const uint8_t mac[6], int16_t& dbm) {
    for (const KernelStation& st : kernel.stations) {
        if (std::memcmp(st.mac, mac, 6) != 0) continue;
        // 0 dBm is what drivers without a signal report.
        if (st.hasSignalAvg && st.signalAvgDbm < 0) {
            dbm = st.signalAvgDbm;
            return true;
        }
        if (st.hasSignal && st.signalDbm < 0) {
            dbm = st.signalDbm;
            return true;
        }
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Outcome(bool done, bool failed, int error) {
    if (done) return {};
    if (!failed) return "the answer did not end";
    char buffer[128];
    return strerror_r(error, buffer, sizeof buffer);  // GNU: thread-safe
}

// Whether any message of the answer carries NLM_F_DUMP_INTR (only the
// message headers are read, whichever dump it answers).
bool Interrupted(const KernelDumpAnswer& answer) {
    netlink::DumpState state = netlink::DumpState::kMore;
    int error = 0;
    size_t dropped = 0;
    bool interrupted = false;
    for (const std::vector<uint8_t>& d : answer.datagrams)
        state = netlink::FeedDump(d.data(), d.size(), state, error, dropped, interrupted,
                                  [](const uint8_t*, size_t) {});
    return interrupted;
}

}  // namespace

std::string DumpOutcome(const Nl80211ScanDumpParser& parser) {
    using State = Nl80211ScanDumpParser::State;
    return Outcome(parser.GetState() == State::kDone, parser.GetState() == State::kFailed,
                   parser.ErrorCode());
}

std::string DumpOutcome(const Nl80211SurveyDumpParser& parser) {
    using State = Nl80211SurveyDumpParser::State;
    return Outcome(parser.GetState() == State::kDone, parser.GetState() == State::kFailed,
                   parser.ErrorCode());
}

KernelDumpAnswer TakeAgainIfInterrupted(const std::function<KernelDumpAnswer()>& take) {
    KernelDumpAnswer answer = take();
    if (!answer.failure.empty()) return answer;
    return Interrupted(answer) ? take() : answer;
}

KernelScan ReadKernelDumps(const KernelDumps& dumps) {
    KernelScan scan;
    scan.dumpBoottimeNs = dumps.dumpBoottimeNs;
    const auto read = [&](const KernelDumpAnswer& answer, const char* what, auto& parser) {
        std::string why = answer.failure;
        if (why.empty()) {
            for (const std::vector<uint8_t>& d : answer.datagrams) parser.Feed(d.data(), d.size());
            why = DumpOutcome(parser);
        }
        return why.empty() ? why
                           : std::string("nl80211 ") + what + " dump for " + dumps.interfaceName +
                                 ": " + why;
    };
    Nl80211ScanDumpParser bss, stations;
    scan.error = read(dumps.scan, "scan", bss);
    scan.answered = scan.error.empty();
    if (scan.answered) {
        scan.entries = bss.Entries();
        scan.interrupted = bss.Interrupted();
    }
    scan.stationError = read(dumps.station, "station", stations);
    if (scan.stationError.empty()) scan.stations = stations.Stations();
    // Each channel's entry stands on its own: those read whole count even
    // when the answer was cut or failed after them.
    Nl80211SurveyDumpParser survey;
    scan.surveyError = read(dumps.survey, "survey", survey);
    scan.survey = survey.Entries();
    return scan;
}

std::vector<ScanNoise> NoiseOfSurvey(const std::vector<KernelSurveyEntry>& survey) {
    std::vector<ScanNoise> out;
    for (const KernelSurveyEntry& e : survey) {
        const WifiChannel channel = ChannelOfFrequency(e.frequencyMhz);
        if (!e.hasNoise || e.noiseDbm < kLeastNoiseDbm || e.noiseDbm > kMostNoiseDbm ||
            channel.number == 0 || channel.band == WifiBand::kUnknown)
            continue;
        ScanNoise n;
        n.band = static_cast<uint8_t>(channel.band);
        n.channel = channel.number;
        n.dbm = e.noiseDbm;
        out.push_back(n);
    }
    return out;
}

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
    result.noise = NoiseOfSurvey(kernel.survey);
    result.surveyError = kernel.surveyError;
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
        } else if (ap.connected && StationSignal(kernel, r.mac, r.dbm)) {
            r.source = DbmSource::kKernelStation;
        } else if (ap.connected && ap.stationStrength) {
            r.dbm = DbmFromStationPercent(ap.strength);
            r.source = DbmSource::kStationPercent;
        } else {
            r.dbm = DbmFromPercent(ap.strength);
            r.source = DbmSource::kPercent;
        }
        const bool kernelFigure =
            r.source == DbmSource::kKernel || r.source == DbmSource::kKernelStation;
        ++(kernelFigure ? result.kernelDbm : result.derivedDbm);
        if (ap.connected) {
            result.connectedHeard = true;
            result.connectedSource = r.source;
        }
        result.readings.push_back(r);
    }
    return result;
}

std::string DbmKindLine(const WifiScanResult& counts) {
    if (counts.kernelDbm + counts.derivedDbm == 0) return {};
    std::string line = "pellorin: Wi-Fi readings carry ";
    if (counts.derivedDbm == 0)
        line += "the kernel's dBm";
    else if (counts.kernelDbm == 0)
        line +=
            "dBm derived from NetworkManager's percentage (" +
            (counts.kernelError.empty() ? std::string("the kernel's scan results had none of them")
                                        : counts.kernelError) +
            ")";
    else
        line +=
            "the kernel's dBm where it had the access point, else dBm derived from "
            "NetworkManager's percentage";
    if (counts.connectedHeard && counts.connectedSource == DbmSource::kKernelStation)
        line += "; the connected access point's is the kernel's station signal";
    else if (counts.connectedHeard && counts.connectedSource == DbmSource::kStationPercent)
        line +=
            "; the connected access point's is derived from the percentage NetworkManager "
            "makes of its station signal";
    return line;
}

std::string NoiseKindLine(const WifiScanResult& result) {
    if (!result.noise.empty()) return "pellorin: Wi-Fi points carry the kernel's noise floors";
    return "pellorin: Wi-Fi points carry no noise floor (" +
           (result.surveyError.empty() ? std::string("the driver's channel survey measures none")
                                       : result.surveyError) +
           "); SNR is unknown";
}
