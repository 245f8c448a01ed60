#include "SurveyEntries.h"

#include <cstdlib>
#include <cstring>

#include "survey/SiteLoader.h"

void AddEntry(CApList& list, int32_t x, int32_t y, uint8_t channel, int64_t rssi, const char* ssid,
              const char* name, uint8_t macLast) {
    ApRecord* rec = nullptr;
    if (list.NewRecord(rec) != CApList::kOk) std::abort();  // out of memory
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

bool ReadSiteForOpen(const std::string& path, CSiteRecord& site) {
    CSiteLoader loader(path);
    if (!loader.ReadPlan().ok) return false;
    site = loader.Site();
    return true;
}

namespace {

std::string Text(const char* field, size_t capacity) {
    return std::string(field, strnlen(field, capacity));
}

template <typename Take>
std::vector<SurveyEntry> Entries(const CApList& list, Take take) {
    std::vector<SurveyEntry> out;
    for (const ApRecord* r = list.First(); r != nullptr;
         r = r->next == list.Sentinel() ? nullptr : r->next)
        out.push_back(take(*r));
    return out;
}

}  // namespace

std::vector<SurveyEntry> AllEntries(const CApList& list) {
    return Entries(list, [](const ApRecord& r) {
        return SurveyEntry(r.x, r.y, Text(r.pointName, sizeof r.pointName),
                           std::string(reinterpret_cast<const char*>(r.mac), 6),
                           Text(r.macText, sizeof r.macText), Text(r.ssid, sizeof r.ssid),
                           r.channel, r.rssi);
    });
}

std::vector<SurveyEntry> AsStored(const CApList& list) {
    return Entries(list, [](const ApRecord& r) {
        const std::string name = Text(r.pointName, sizeof r.pointName);
        if (r.channel == 0) return SurveyEntry{r.x, r.y, name, "", "", "", 0, 0};
        return SurveyEntry{r.x, r.y, name, "", r.macText, r.ssid, r.channel, r.rssi};
    });
}

bool ReadStoredPoints(const std::string& path, std::vector<SurveyEntry>& out) {
    FileSource src(path);
    CSiteRecord site;
    MapBitmap map;
    CApList list;
    if (!src.Status().ok || !ReadSiteHeader(src, site).ok ||
        !ReadMapBitmap(src, site.BitmapOffset(), map).ok ||
        !ReadPoints(src, site, list, nullptr).ok)
        return false;
    out = AsStored(list);
    return true;
}
