#include "coverage/RssiBand.h"

int8_t RssiBandOfValue(double dBm) {
    // Values stay within the readings' range (-128..127); shifted up by 256
    // they are positive, where cutting toward zero is the floor (and much
    // cheaper than std::floor on every cell).
    return RssiBand(static_cast<int32_t>(dBm + 256.5) - 256);
}
