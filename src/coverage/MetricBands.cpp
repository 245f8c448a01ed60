#include "coverage/MetricBands.h"

#include <cmath>

namespace {

constexpr uint32_t kDarkGreen = 0x008000, kGreen = 0x00C000, kYellow = 0xFFE000, kOrange = 0xFF8000,
                   kRed = 0xE00000, kGrey = 0x909090;

constexpr MetricBand kSecondary[] = {
    {-67, kGreen, "-67 dBm and above"},
    {-75, kYellow, "-75 thru -68 dBm"},
    {-85, kOrange, "-85 thru -76 dBm"},
    {kNoLowerBound, kRed, "below -85 dBm, or none"},
};
constexpr MetricBand kUsable[] = {
    {3, kGreen, "3 and more"},
    {2, kYellow, "2"},
    {1, kOrange, "1"},
    {kNoLowerBound, kRed, "none"},
};
// lowerIsBetter: `from` is the band's upper bound.
constexpr MetricBand kCochannelBands[] = {
    {0, kGreen, "none"},
    {1, kYellow, "1"},
    {2, kOrange, "2"},
    {-kNoLowerBound, kRed, "3 and more"},
};
constexpr MetricBand kSnrBands[] = {
    {40, kDarkGreen, "40 dB and above"},  {25, kGreen, "25 thru 39 dB"},
    {20, kYellow, "20 thru 24 dB"},       {15, kOrange, "15 thru 19 dB"},
    {kNoLowerBound, kRed, "below 15 dB"},
};
constexpr MetricBand kVerdicts[] = {
    {kPassValue, kGreen, "passes"},
    {kUnknownValue, kGrey, "unknown"},
    {kNoLowerBound, kRed, "fails"},
};
constexpr MetricBand kRates[] = {
    {100, kDarkGreen, "100 Mbit/s and above"}, {50, kGreen, "50 thru 99.99 Mbit/s"},
    {20, kYellow, "20 thru 49.99 Mbit/s"},     {5, kOrange, "5 thru 19.99 Mbit/s"},
    {kNoLowerBound, kRed, "below 5 Mbit/s"},
};

constexpr MetricBands kTable[kMetricCount] = {
    {Metric::kSecondarySignal, "Secondary signal", "dBm", true, false, kSecondary},
    {Metric::kUsableAps, "Usable access points", "", true, false, kUsable},
    {Metric::kCochannel, "Co-channel access points", "", true, true, kCochannelBands},
    {Metric::kSnr, "SNR", "dB", true, false, kSnrBands},
    {Metric::kPassFail, "Requirement", "", true, false, kVerdicts},
    {Metric::kDownload, "Download", "Mbit/s", false, false, kRates},
    {Metric::kUpload, "Upload", "Mbit/s", false, false, kRates},
};

}  // namespace

const MetricBands& BandsOf(Metric metric) { return kTable[static_cast<size_t>(metric)]; }

int8_t MetricBandOf(Metric metric, double value) {
    const MetricBands& t = BandsOf(metric);
    if (t.wholeNumbers) value = std::floor(value + 0.5);
    for (size_t i = 0; i + 1 < t.bands.size(); ++i)
        if (t.lowerIsBetter ? value <= t.bands[i].from : value >= t.bands[i].from)
            return static_cast<int8_t>(i);
    return static_cast<int8_t>(t.bands.size() - 1);
}
