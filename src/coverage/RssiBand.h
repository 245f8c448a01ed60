#pragma once
// The colour bands (map/RssiBands.h) of interpolated values, as indices, for
// the parts that work without colours (the coverage grid).

#include <cstdint>

#include "map/RssiBands.h"

inline constexpr int8_t kNoBand = -1;  // nothing to paint

// An interpolated value is first rounded to the nearest whole dBm (halves
// upward, so -39.5 is red and -39.51 orange), then banded like a reading.
int8_t RssiBandOfValue(double dBm);
