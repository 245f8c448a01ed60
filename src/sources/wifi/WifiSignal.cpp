#include "sources/wifi/WifiSignal.h"

int16_t DbmFromPercent(int percent) {
    if (percent >= 100) return -40;
    if (percent <= 0) return -100;
    // -40 - ceil(3 * (100 - p) / 5), with the ceiling in integers.
    return static_cast<int16_t>(-40 - (3 * (100 - percent) + 4) / 5);
}

int16_t DbmFromStationPercent(int percent) {
    if (percent >= 100) return -20;
    if (percent <= 30) return -90;
    return static_cast<int16_t>(percent - 120);
}

bool PlausibleMbm(int32_t mbm) { return mbm >= -15000 && mbm <= 3000; }

int16_t DbmFromMbm(int32_t mbm) {
    if (!PlausibleMbm(mbm)) return mbm < 0 ? -150 : 30;
    return static_cast<int16_t>(mbm / 100);
}
