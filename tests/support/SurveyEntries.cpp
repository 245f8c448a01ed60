#include "SurveyEntries.h"

#include <cstring>

void AddEntry(CApList& list, int32_t x, int32_t y, uint8_t channel, int64_t rssi, const char* ssid,
              const char* name, uint8_t macLast) {
    ApRecord* rec = nullptr;
    list.NewRecord(rec);
    rec->x = x;
    rec->y = y;
    std::strncpy(rec->pointName, name, sizeof rec->pointName - 1);
    rec->channel = channel;
    rec->rssi = rssi;
    const uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, macLast};
    std::memcpy(rec->mac, mac, 6);
    FormatMacText(rec->mac, rec->macText);
    std::strncpy(rec->ssid, ssid, sizeof rec->ssid - 1);
    list.AddTail(rec);
}

bool ReadSurvey(IByteSource& src, CSiteRecord& site, CApList& into, int* circles) {
    if (!ReadSiteHeader(src, site).ok) return false;
    return ReadPoints(src, site, into,
                      [circles](int32_t, int32_t, int16_t) {
                          if (circles != nullptr) ++*circles;
                      })
        .ok;
}
