#include "coverage/SurveyPoints.h"

#include <cstring>

std::string_view SsidBytes(const ApRecord& e) {
    const void* nul = std::memchr(e.ssid, 0, sizeof e.ssid);
    const size_t n =
        nul ? static_cast<size_t>(static_cast<const char*>(nul) - e.ssid) : sizeof e.ssid;
    return {e.ssid, n};
}

MacAddress MacOf(const ApRecord& e) {
    MacAddress mac;
    std::memcpy(mac.data(), e.mac, mac.size());
    return mac;
}
