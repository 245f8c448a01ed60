#pragma once
// One row of greys averaged along x into target pixels, for the desktop
// map's plan when its palette is grey: each target pixel takes `taps`
// greys from its start with shares out of 256 (shares of 0 padding the
// pixels that take fewer), rounded to a whole grey, as the colour lanes of
// the same palette would give. With SSE2 four target pixels are summed at
// once (taps of 4 or 8); the sums are those of the plain loop. No Qt.

#include <cstddef>
#include <cstdint>
#include <vector>

struct GreyTaps {
    int32_t taps = 0;            // per target pixel
    std::vector<int32_t> start;  // the first grey of each, into the row
    std::vector<int16_t> share;  // `taps` of each, out of 256 in all
};

// out[i] = (sum of share x grey + 128) / 256 for each of the `start.size()`
// target pixels. `greys` holds every grey the taps reach.
void AverageGreyRow(const uint16_t* greys, const GreyTaps& taps, uint16_t* out);
