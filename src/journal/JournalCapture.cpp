#include "journal/JournalCapture.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "aplist/ApList.h"
#include "site/SiteRecord.h"

namespace {

template <size_t N, size_t M>
void CopyText(char (&dst)[N], const char (&src)[M]) {
    std::memset(dst, 0, N);
    std::memcpy(dst, src, strnlen(src, std::min(N, M) - 1));
}

}  // namespace

bool CapturePoint(const CApList& list, const ApRecord* tail, const CSiteRecord& site,
                  JournalPoint& out) {
    out = JournalPoint{};
    out.x = site.m_pendingX;
    out.y = site.m_pendingY;
    CopyText(out.name, site.m_pendingName);
    out.strength = site.m_bestRssi;
    out.locationCount = site.m_locationCount;
    out.apCount = site.m_apCount;
    const ApRecord* end = list.Sentinel();
    if (tail->next != end) {
        out.x = tail->next->x;
        out.y = tail->next->y;
        CopyText(out.name, tail->next->pointName);  // "FILL" for the placeholder
    }
    for (const ApRecord* r = tail->next; r != end; r = r->next) {
        if (r->x != out.x || r->y != out.y || strncmp(r->pointName, out.name, sizeof out.name) != 0)
            return false;
        JournalEntry& e = out.entries.emplace_back();
        e.channel = r->channel;
        // The average of 16-bit readings always fits; clamped, never wrapped.
        e.rssi = static_cast<int32_t>(std::clamp<int64_t>(
            r->rssi, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
        std::memcpy(e.mac, r->mac, sizeof e.mac);
        CopyText(e.macText, r->macText);
        CopyText(e.ssid, r->ssid);
    }
    return true;
}
