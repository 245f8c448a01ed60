#pragma once
// The six colour bands of the point circles and the legend, as indices, for
// the parts that work without colours (the coverage grid). The window maps
// an index to the colour the circles use.

#include <cstdint>

inline constexpr int8_t kNoBand = -1;  // nothing to paint
inline constexpr int kBandCount = 6;

// 0: -39 dBm and above (red), 1: -49..-40 (orange), 2: -59..-50 (yellow),
// 3: -69..-60 (green), 4: -79..-70 (blue), 5: -80 and below (black).
int8_t RssiBand(int32_t dBm);

// An interpolated value is first rounded to the nearest whole dBm (halves
// upward, so -39.5 is red and -39.51 orange), then banded like a reading.
int8_t RssiBandOfValue(double dBm);

// A reading in `band` (its strongest), to look up the band's colour with
// the circles' own function.
int32_t BandReading(int8_t band);
