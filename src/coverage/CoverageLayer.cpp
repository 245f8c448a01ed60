#include "coverage/CoverageLayer.h"

#include <algorithm>
#include <cmath>

#include "coverage/RssiBand.h"

namespace {

bool IsRate(const std::optional<Metric>& m) {
    return m == Metric::kDownload || m == Metric::kUpload;
}

}  // namespace

int32_t CoverageLayer::Scale() const { return IsRate(metric) ? 100 : 1; }

int32_t CoverageLayer::Fixed(double value) const {
    double lo = -128, hi = 127;
    if (metric == Metric::kUsableAps || metric == Metric::kCochannel) lo = 0;
    if (metric == Metric::kPassFail) lo = kFailValue, hi = kPassValue;
    if (IsRate(metric)) lo = 0, hi = 10000;
    const double fixed = std::floor(std::clamp(value, lo, hi) * Scale() + 0.5);
    return std::isnan(fixed) ? static_cast<int32_t>(lo) : static_cast<int32_t>(fixed);
}

int CoverageLayer::BandCount() const {
    return metric ? static_cast<int>(BandsOf(*metric).bands.size()) : kBandCount;
}

int8_t CoverageLayer::BandOf(double value) const {
    return metric ? MetricBandOf(*metric, value) : RssiBandOfValue(value);
}

uint32_t CoverageLayer::Colour(int8_t band) const {
    return metric ? BandsOf(*metric).bands[static_cast<size_t>(band)].colour : kRssiBands[band].rgb;
}
