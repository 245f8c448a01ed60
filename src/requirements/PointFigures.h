#pragma once
// What a survey point says about one network against a requirement: the
// strongest access point heard (the primary), the strongest other access
// point of the same network (the secondary), how many of the network's
// access points are usable, how many access points share or overlap the
// primary's channel, and the primary's signal-to-noise ratio where the
// noise of its channel was measured. No Qt.
//
// "The network" is the chosen SSID; with none chosen, the primary is the
// strongest record of all and the network is the primary's SSID. A point
// where the network was not heard, and a placeholder point, have no primary:
// every figure is unknown except aps_usable, which is 0.
//
// Co-channel and overlap count BSSIDs other than the primary's own, of every
// network (the chosen one included: an access point of the same SSID on the
// same channel takes air time from the primary just as a neighbour's does).
// A BSSID heard twice at a point (a point that merges two measurements)
// counts once, with its strongest reading.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "aplist/ScanReading.h"
#include "coverage/SurveyPoints.h"
#include "sources/wifi/WifiChannel.h"
#include "throughput/ThroughputResult.h"

inline constexpr int32_t kDefaultUsableDbm = -75;
inline constexpr int32_t kDefaultInterferenceFloorDbm = -85;

// The levels the counting figures are taken at.
struct FigureLevels {
    int32_t usableDbm = kDefaultUsableDbm;            // aps_usable: at or above
    int32_t floorDbm = kDefaultInterferenceFloorDbm;  // cochannel, overlap: at or above
};

// The noise floor of one channel at a point, from the adapter's channel
// survey (kUnknown band: a record read back from a site file, which keeps
// the channel number only).
struct ChannelNoise {
    WifiBand band = WifiBand::kUnknown;
    uint8_t channel = 0;
    int32_t dBm = 0;
};

// What was measured at a point besides its records; the survey store holds
// it (absent: nothing was).
struct PointMeasures {
    std::vector<ChannelNoise> noise;
    std::optional<ThroughputFigures> throughput;
};

struct PointFigures {
    int32_t x = 0;
    int32_t y = 0;
    std::string pointName;  // bytes of the first record's name
    int32_t aps = 0;        // access-point records of the point (placeholders not counted)

    bool hasPrimary = false;
    int32_t primaryDbm = 0;
    MacAddress primaryMac{};
    std::string primarySsid;  // bytes as heard
    uint8_t primaryChannel = 0;
    WifiBand primaryBand = WifiBand::kUnknown;

    std::optional<int32_t> secondaryDbm;
    MacAddress secondaryMac{};

    int32_t apsUsable = 0;
    std::optional<int32_t> cochannel;  // unknown without a primary
    std::optional<int32_t> overlap;    // unknown without a primary; 0 off 2.4 GHz
    std::optional<int32_t> noiseDbm;
    std::optional<int32_t> snrDb;

    std::optional<ThroughputFigures> throughput;
};

// The band a record's channel is on: an adapter's records say it; the
// board's (and every record read from a site file, band 0) are 2.4 GHz on
// channels 1 to 14 and of an unknown band above.
WifiBand BandOfRecord(WifiBand stored, uint8_t channel);
// Whether two channels are the same: the same number on bands that agree
// (equal, or one of them unknown).
bool SameChannel(WifiBand a, uint8_t channelA, WifiBand b, uint8_t channelB);

// The figures of the point whose records are first up to, not including,
// end (a run of ForEachPoint). `ssid`: the chosen network's bytes, or
// nothing for all networks. `measures` may be null.
PointFigures FiguresOfPoint(const ApRecord& first, const ApRecord* end,
                            const std::optional<std::string>& ssid, const FigureLevels& levels,
                            const PointMeasures* measures);

// One entry per point of `survey`, in list order; `measures[i]` (when there
// is one) belongs to the i-th point.
std::vector<PointFigures> CollectPointFigures(const CApList& survey,
                                              const std::optional<std::string>& ssid,
                                              const FigureLevels& levels,
                                              const std::vector<PointMeasures>& measures = {});

// The noise floors the survey store keeps for a point (ScanNoise, its band
// numbered as WifiBand numbers them) as the figures take them; a row of no
// known band is left out rather than matched to any channel of its number.
std::vector<ChannelNoise> ChannelNoiseOf(const std::vector<ScanNoise>& stored);

// What the point's information says of the primary's channel:
// "Noise -92 dBm on 6, SNR 38 dB" ("6:1" for 6 GHz channel 1); "" where
// the noise of the primary's channel is unknown.
std::string NoiseSummaryLine(const PointFigures& figures);
