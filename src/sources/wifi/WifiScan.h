#pragma once
// One adapter scan put together: what NetworkManager listed, what the kernel's
// scan dump answered for the same interface, and the moment the scan was
// asked for. Only access points heard by this scan become readings. The
// kernel's channel survey, taken after the scan, gives the scan's noise
// floors: NetworkManager knows none.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "aplist/ScanReading.h"
#include "sources/wifi/Nl80211ScanParser.h"
#include "sources/wifi/Nl80211SurveyParser.h"
#include "sources/wifi/WifiReading.h"

// What NetworkManager says of one access point (its AccessPoint properties).
struct NmAccessPoint {
    std::vector<uint8_t> ssid;  // Ssid: any bytes, empty when hidden
    std::string hwAddress;      // HwAddress: "AA:BB:CC:DD:EE:FF"
    uint32_t frequencyMhz = 0;  // Frequency
    uint8_t strength = 0;       // Strength, percent
    int32_t lastSeen = -1;      // LastSeen: CLOCK_BOOTTIME seconds, -1 never
    uint32_t flags = 0;         // Flags: bit 0 privacy
    // The device's ActiveAccessPoint, and whether NetworkManager last set its
    // Strength from the station's signal (its 6 s refresh) rather than from
    // a scan's entry.
    bool connected = false;
    bool stationStrength = false;
};

// The kernel's answer to the scan dump and the station dump, or why there is none.
struct KernelScan {
    bool answered = false;
    std::string error;  // when not answered
    std::vector<KernelBss> entries;
    bool interrupted = false;  // marked NLM_F_DUMP_INTR even when taken again
    // When the dump was asked for: SEEN_MS_AGO counts back from a moment no
    // earlier than this, so an entry's age is never taken as younger than it is.
    int64_t dumpBoottimeNs = 0;
    std::vector<KernelStation> stations;    // the interface's stations (its access point)
    std::string stationError;               // why there are none, when the dump failed
    std::vector<KernelSurveyEntry> survey;  // the channel survey, one entry per channel
    std::string surveyError;                // why there is none, when the dump failed
};

// The kernel's raw answers to the three dumps of one scan, as read from the
// socket or from a capture: for each, the datagrams of the attempt that
// counts, or why nothing could be read.
struct KernelDumpAnswer {
    std::string failure;  // empty: `datagrams` hold the answer
    std::vector<std::vector<uint8_t>> datagrams;
};
struct KernelDumps {
    std::string interfaceName;
    int64_t dumpBoottimeNs = 0;  // when the scan dump was asked for
    KernelDumpAnswer scan, station, survey;
};

// `take` once more when its answer is marked NLM_F_DUMP_INTR (the kernel's
// list changed while it was read: entries may be missing or repeated); the
// second answer counts whatever it is.
KernelDumpAnswer TakeAgainIfInterrupted(const std::function<KernelDumpAnswer()>& take);

// The answers read: entries, stations, the channel survey and the reasons for
// what is missing, each reason as "nl80211 scan dump for wlan0: REASON".
KernelScan ReadKernelDumps(const KernelDumps& dumps);

// Why a dump the parser was fed is no answer; empty when it is one.
std::string DumpOutcome(const Nl80211ScanDumpParser& parser);
std::string DumpOutcome(const Nl80211SurveyDumpParser& parser);

// Noise floors a receiver can report, in dBm. A driver that fills the
// attribute without measuring sends 0; nothing at or above 0 dBm, nor below
// the weakest signal any requirement speaks of, is a noise floor.
inline constexpr int kLeastNoiseDbm = -120;
inline constexpr int kMostNoiseDbm = -1;

// The noise floors of a channel survey, one per channel that has one, in the
// survey's order (timeMs left 0: the scan list stamps them). An entry
// without noise (the driver does not measure it), with an implausible one or
// on a frequency outside the three bands gives none: unknown, never a default.
std::vector<ScanNoise> NoiseOfSurvey(const std::vector<KernelSurveyEntry>& survey);

struct WifiScanResult {
    std::vector<WifiReading> readings;  // one per access point heard
    size_t kernelDbm = 0;               // readings whose dBm the kernel gave
    size_t derivedDbm = 0;              // readings whose dBm came from the percentage
    bool connectedHeard = false;        // the connected access point is among the readings ...
    DbmSource connectedSource = DbmSource::kKernel;  // ... with its dBm from here
    size_t staleSkipped = 0;       // listed by NetworkManager, not heard by this scan
    size_t unusable = 0;           // listed with a HwAddress that is no MAC address
    std::string kernelError;       // why the kernel gave no dBm at all, if it did not
    std::vector<ScanNoise> noise;  // NoiseOfSurvey of the kernel's channel survey
    std::string surveyError;       // why there was no survey, if there was none
};

// CLOCK_BOOTTIME now, in nanoseconds: the clock of LastSeen, LastScan and the
// kernel's LAST_SEEN_BOOTTIME.
int64_t BoottimeNowNs();

// Whether NetworkManager's LastScan (boot-time milliseconds, -1 never) tells
// of a scan that ended at or after the request. Both are compared in whole
// milliseconds: LastScan is truncated to them, so a scan ending in the
// request's own millisecond counts.
bool ScanEndedSinceRequest(int64_t lastScanMs, int64_t requestBoottimeNs);

// The standard-error line that says which dBm a scan's readings carry
// ("pellorin: Wi-Fi readings carry ..."), from its counts; "" when nothing was heard.
std::string DbmKindLine(const WifiScanResult& counts);
// The line that says whether the scan's points carry noise floors
// ("pellorin: Wi-Fi noise floors ...").
std::string NoiseKindLine(const WifiScanResult& result);

// "AA:BB:CC:DD:EE:FF" (either case) into six bytes; false for anything else.
bool ParseHwAddress(const std::string& text, uint8_t mac[6]);

// Access points last seen before the request's second are left out (they are
// NetworkManager's memory of earlier scans). A reading takes the kernel's dBm
// when the dump has a fresh entry with the same BSSID (the same frequency
// preferred) and a plausible SIGNAL_MBM; otherwise the dBm of the percentage.
// A kernel entry is fresh when it was last seen at or after the request. The
// connected access point without such an entry takes the kernel's station
// signal (the average, else the last frame's), else the inverse of the
// mapping NetworkManager last used for its percentage. The noise floors are
// the kernel's survey's, whether or not anything was heard.
WifiScanResult CombineScan(const std::vector<NmAccessPoint>& accessPoints, const KernelScan& kernel,
                           int64_t requestBoottimeNs);
