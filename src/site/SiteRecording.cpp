// The recording side of CSiteRecord: a finished scan becomes survey records,
// and a tap-and-hold finds and describes a recorded point. It meets
// whatever measures only in scanList and its lock.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "aplist/ApList.h"
#include "site/SiteRecord.h"

namespace {

// Copies a NUL-terminated text into a fixed field, cut to fit, NUL-padded.
template <size_t N>
void CopyText(char (&dst)[N], const char* src) {
    std::memset(dst, 0, N);
    if (src == nullptr) return;
    for (size_t i = 0; i + 1 < N && src[i] != '\0'; ++i) dst[i] = src[i];
}

constexpr int64_t kSelectStart = 5000;
constexpr int64_t kSelectLimit = 3200;

}  // namespace

void CSiteRecord::ClearSurvey() {
    surveyList.RemoveAll();
    m_locationCount = 0;
    m_apCount = 0;
}

void CSiteRecord::SetPlanSize(int32_t width, int32_t height) {
    m_planWidth = width;
    m_planHeight = height;
}

void CSiteRecord::BeginPoint(int32_t x, int32_t y, const char* name) {
    if (m_planWidth > 0 && m_planHeight > 0) {
        x = std::clamp(x, 0, m_planWidth - 1);
        y = std::clamp(y, 0, m_planHeight - 1);
    }
    m_pendingX = x;
    m_pendingY = y;
    CopyText(m_pendingName, name);
    std::lock_guard<std::mutex> hold(scanListLock);
    scanList.RemoveAll();
}

int CSiteRecord::RecordPoint() {
    m_bestRssi = -90;
    m_locationCount += 1;

    std::lock_guard<std::mutex> hold(scanListLock);
    if (scanList.IsEmpty()) {
        ApRecord* fill = nullptr;
        if (surveyList.NewRecord(fill) == CApList::kOk) {
            fill->channel = 0;
            CopyText(fill->macText, "000000000000");
            std::memset(fill->mac, 0, sizeof fill->mac);
            CopyText(fill->ssid, "FILL");
            fill->rssi = 0;
            fill->x = m_pendingX;
            fill->y = m_pendingY;
            CopyText(fill->pointName, "FILL");
            surveyList.AddTail(fill);
        }
        return 0;
    }

    for (ApRecord* r = scanList.First(); r != nullptr; scanList.GetNext(r)) {
        if (r->hasBeacon != 1) continue;
        ApRecord* n = nullptr;
        if (surveyList.NewRecord(n) != CApList::kOk) continue;  // that AP is left out
        n->channel = r->channel;
        std::memcpy(n->macText, r->macText, sizeof n->macText);
        n->macText[sizeof n->macText - 1] = '\0';
        std::memcpy(n->mac, r->mac, sizeof n->mac);
        std::memcpy(n->ssid, r->ssid, sizeof n->ssid);
        n->ssid[sizeof n->ssid - 1] = '\0';
        // A merge always counts at least one reading; a zero count would
        // otherwise divide by zero.
        const int64_t count = r->readingCount > 0 ? r->readingCount : 1;
        n->rssi = r->rssi / count;  // C++ division truncates toward zero
        n->x = m_pendingX;
        n->y = m_pendingY;
        std::memcpy(n->pointName, m_pendingName, sizeof n->pointName);
        n->pointName[sizeof n->pointName - 1] = '\0';
        surveyList.AddTail(n);
        m_apCount += 1;
        if (n->rssi > m_bestRssi) m_bestRssi = static_cast<int16_t>(n->rssi);
    }
    return 1;
}

int CSiteRecord::SelectNearestPoint(int32_t x, int32_t y) {
    if (surveyList.IsEmpty()) return 0;

    // Positions and distances are wide: a survey may hold more than 32,767
    // records, and far-apart coordinates would overflow a 32-bit square.
    int64_t best = kSelectStart;
    int32_t bestX = 0, bestY = 0, bestPos = 0;
    int32_t pos = 1;
    for (ApRecord* r = surveyList.First(); r != nullptr; surveyList.GetNext(r), ++pos) {
        const int64_t dx = static_cast<int64_t>(r->x) - x;
        const int64_t dy = static_cast<int64_t>(r->y) - y;
        if (std::llabs(dx) >= kSelectStart || std::llabs(dy) >= kSelectStart) continue;
        const int64_t d = dx * dx + dy * dy;
        if (d < best) {
            best = d;
            bestX = r->x;
            bestY = r->y;
            bestPos = pos;
        }
    }
    if (best > kSelectLimit) return 0;

    m_selX = bestX;
    m_selY = bestY;
    m_selApCount = 0;
    m_selBestRssi = -120;
    m_selFirstIndex = bestPos;
    std::memset(m_selBestMac, 0, sizeof m_selBestMac);
    std::memset(m_selBestSsid, 0, sizeof m_selBestSsid);

    ApRecord* r = nullptr;
    surveyList.GetAt(r, bestPos);
    for (; r != nullptr; surveyList.GetNext(r)) {
        if (static_cast<double>(r->x) != m_selX || static_cast<double>(r->y) != m_selY) break;
        m_selApCount += 1;
        if (r->rssi > m_selBestRssi) {
            std::memcpy(m_selBestMac, r->macText, sizeof m_selBestMac);
            m_selBestMac[sizeof m_selBestMac - 1] = '\0';
            std::memcpy(m_selBestSsid, r->ssid, sizeof m_selBestSsid);
            m_selBestSsid[sizeof m_selBestSsid - 1] = '\0';
            m_selBestRssi = static_cast<int32_t>(r->rssi);
        }
    }
    return 1;
}
