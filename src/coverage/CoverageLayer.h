#pragma once
// What the coverage map shows: the chosen network's signal (the six RSSI
// bands of the point circles), or one metric of MetricBands.h. The layer
// says how the grid takes a point's value and bands a cell's. No Qt.
//
// Values reach the grid as whole numbers of the layer's unit, so that its
// sums stay whole (CoverageGrid.h):
//
//   layer               fixed-point unit       range
//   signal, secondary   1 dBm                  -128 .. 127
//   SNR                 1 dB                   -128 .. 127
//   usable, co-channel  1 access point         0 .. 127
//   pass/fail           the verdict's value    kFailValue .. kPassValue
//   download, upload    0.01 Mbit/s            0 .. 10,000 Mbit/s
//
// A throughput above 10 Gbit/s is mapped as 10 Gbit/s: the bands end at
// 100 Mbit/s, and the limit keeps a cell's sums within 64 bits.
//
// Pass/fail is not interpolated: a verdict is a category, so a cell takes
// the verdict of its nearest point within R (as the share of the floor that
// passes takes it, requirements/AreaShare.h).

#include <cstdint>
#include <optional>

#include "coverage/MetricBands.h"

struct CoverageLayer {
    std::optional<Metric> metric;  // nothing: the signal

    static CoverageLayer Signal() { return {}; }
    static CoverageLayer Of(Metric m) { return {m}; }

    // Fixed-point units per whole unit of the metric.
    int32_t Scale() const;
    // `value` (in the metric's unit) as the grid takes it: rounded to the
    // fixed-point unit, halves upward, and limited to the range above.
    int32_t Fixed(double value) const;
    // A cell takes its nearest point's value instead of the weighted mean.
    bool Nearest() const { return metric == Metric::kPassFail; }

    int BandCount() const;
    // The band of a value in the metric's unit.
    int8_t BandOf(double value) const;
    // 0xRRGGBB of band `band`.
    uint32_t Colour(int8_t band) const;

    bool operator==(const CoverageLayer&) const = default;
};

// A survey point and the value it gives the layer, in the layer's
// fixed-point unit (CoverageLayer::Fixed).
struct PointValue {
    int32_t x = 0;
    int32_t y = 0;
    int32_t value = 0;
    bool operator==(const PointValue&) const = default;
};
