#pragma once
// The colour bands (map/RssiBands.h) of interpolated values, as indices, for
// the parts that work without colours (the coverage grid).

#include <cstdint>

#include "map/RssiBands.h"

inline constexpr int8_t kNoBand = -1;  // nothing to paint

// An interpolated value is first rounded to the nearest whole dBm (halves
// upward, so -39.5 is red and -39.51 orange), then banded like a reading.
// Inline: the coverage grid bands every cell with it.
inline int8_t RssiBandOfValue(double dBm) {
    // Values stay within the readings' range (-128..127); shifted up by 256
    // they are positive, where cutting toward zero is the floor (and much
    // cheaper than std::floor on every cell).
    return RssiBand(static_cast<int32_t>(dBm + 256.5) - 256);
}
