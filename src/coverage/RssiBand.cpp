#include "coverage/RssiBand.h"

int8_t RssiBand(int32_t dBm) {
    if (dBm >= -39) return 0;
    if (dBm >= -49) return 1;
    if (dBm >= -59) return 2;
    if (dBm >= -69) return 3;
    if (dBm >= -79) return 4;
    return 5;
}

int8_t RssiBandOfValue(double dBm) {
    // Values stay within the readings' range (-128..127); shifted up by 256
    // they are positive, where cutting toward zero is the floor (and much
    // cheaper than std::floor on every cell).
    return RssiBand(static_cast<int32_t>(dBm + 256.5) - 256);
}

int32_t BandReading(int8_t band) {
    static constexpr int32_t kTops[kBandCount] = {-39, -40, -50, -60, -70, -80};
    return band >= 0 && band < kBandCount ? kTops[band] : -128;
}
