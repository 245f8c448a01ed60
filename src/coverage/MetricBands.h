#pragma once
// The colour bands of the metrics the coverage map can show besides the
// primary signal (which keeps the six RSSI bands of the point circles,
// RssiBand.h): one row per metric, its bands from the best value down. A
// value falls in the first band whose lower bound it reaches; whole-number
// metrics are rounded first to the nearest whole (halves upward), as an RSSI
// value is. Good values are green, bad ones red. No Qt.
//
//   metric             unit     bands (lower bounds)
//   secondary signal   dBm      -67, -75, -85, below
//   usable APs         count    3, 2, 1, 0
//   co-channel count   count    0, 1, 2, 3 and more (lower is better)
//   SNR                dB       40, 25, 20, 15, below
//   pass/fail          verdict  pass, unknown, fail
//   download, upload   Mbit/s   100, 50, 20, 5, below

#include <cstdint>
#include <span>

enum class Metric : uint8_t {
    kSecondarySignal,
    kUsableAps,
    kCochannel,
    kSnr,
    kPassFail,
    kDownload,
    kUpload,
};
inline constexpr int kMetricCount = 7;

// The value kPassFail bands: a point's verdict as a number.
inline constexpr double kPassValue = 2, kUnknownValue = 1, kFailValue = 0;

struct MetricBand {
    double from;        // lower bound, inclusive (kNoLowerBound: the last band)
    uint32_t colour;    // 0xRRGGBB
    const char* label;  // for the legend
};
inline constexpr double kNoLowerBound = -1e300;

struct MetricBands {
    Metric metric;
    const char* name;  // "Secondary signal"
    const char* unit;  // "dBm"; empty for counts and verdicts
    bool wholeNumbers;
    // Ascending values are worse (co-channel count): the bands run from the
    // lowest value up, and a value falls in the first band it does not exceed.
    bool lowerIsBetter;
    std::span<const MetricBand> bands;
};

const MetricBands& BandsOf(Metric metric);
// The band index of a value (an interpolated one included).
int8_t MetricBandOf(Metric metric, double value);
