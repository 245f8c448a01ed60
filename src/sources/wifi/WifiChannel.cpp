#include "sources/wifi/WifiChannel.h"

#include <cstdio>

WifiChannel ChannelOfFrequency(uint32_t mhz) {
    if (mhz == 2484) return {WifiBand::k24GHz, 14};
    if (mhz >= 2412 && mhz < 2484)
        return {WifiBand::k24GHz, static_cast<uint8_t>((mhz - 2407) / 5)};
    if (mhz >= 4910 && mhz <= 4980)
        return {WifiBand::k5GHz, static_cast<uint8_t>((mhz - 4000) / 5)};
    if (mhz >= 5005 && mhz < 5925) return {WifiBand::k5GHz, static_cast<uint8_t>((mhz - 5000) / 5)};
    if (mhz == 5935) return {WifiBand::k6GHz, 2};
    if (mhz >= 5955 && mhz <= 7115)
        return {WifiBand::k6GHz, static_cast<uint8_t>((mhz - 5950) / 5)};
    return {};
}

bool HasGridCell(WifiBand band, uint8_t channel) {
    return (band == WifiBand::kBoard || band == WifiBand::k24GHz) && channel >= 1 && channel <= 14;
}

void FormatChannel(WifiBand band, uint8_t channel, char out[8]) {
    if (band == WifiBand::k6GHz)
        std::snprintf(out, 8, "6:%u", unsigned{channel});
    else
        std::snprintf(out, 8, "%u", unsigned{channel});
}
