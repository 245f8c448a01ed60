// A synthetic survey of the sample office: each point hears the access
// points in range, weaker with distance, in the order a scan lists them
// (weakest first).

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "SampleGen.h"
#include "aplist/ApList.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"
#include "site/SiteSave.h"

namespace {

struct AccessPoint {
    int x, y;
    uint8_t channel;
    uint8_t mac[6];
    const char* ssid;
};

// The third SSID holds a Latin-1 byte (0xE9), as older access points send.
const AccessPoint kAps[] = {
    {120, 140, 1, {0x00, 0x1A, 0x2B, 0x3C, 0x00, 0x01}, "pellorin-office"},
    {660, 140, 6, {0x00, 0x1A, 0x2B, 0x3C, 0x00, 0x02}, "pellorin-office"},
    {460, 420, 11, {0x00, 0x1A, 0x2B, 0x3C, 0x00, 0x03}, "caf\xE9-guest"},
};

struct SurveyPoint {
    int x, y;
    bool nothingHeard;
};

const SurveyPoint kPoints[] = {
    {100, 180, false}, {300, 110, false}, {460, 110, false}, {660, 200, false},
    {100, 270, false}, {400, 270, false}, {400, 270, false},  // measured twice
    {700, 270, false}, {90, 420, false},  {240, 420, true},   // the server room hears nothing
    {460, 360, false}, {540, 470, false}, {700, 440, false},
};

uint32_t SaveTime() {
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH"))
        return static_cast<uint32_t>(std::strtoul(fixed, nullptr, 10));
    return static_cast<uint32_t>(std::time(nullptr));
}

void AddRecord(CApList& list, const SurveyPoint& pt, const AccessPoint* ap, int rssi) {
    ApRecord* r = nullptr;
    if (list.NewRecord(r) != CApList::kOk) return;
    r->x = pt.x;
    r->y = pt.y;
    if (ap == nullptr) {
        std::strcpy(r->pointName, "FILL");
        std::strcpy(r->macText, "000000000000");
        std::strcpy(r->ssid, "FILL");
        r->channel = 0;
        r->rssi = 0;
    } else {
        std::strcpy(r->pointName, "TEST");
        std::memcpy(r->mac, ap->mac, 6);
        FormatMacText(r->mac, r->macText);
        std::strncpy(r->ssid, ap->ssid, sizeof r->ssid - 1);
        r->channel = ap->channel;
        r->rssi = rssi;
    }
    list.AddTail(r);
}

// A signature of two loops and a flourish.
uint32_t SignaturePixel(int x, int y) {
    const double t = x / 199.0;
    const int curve = 50 + static_cast<int>(25 * std::sin(t * 12.0) * (1.0 - t * 0.6));
    const bool ink =
        (x > 10 && x < 190 && std::abs(y - curve) <= 1) || (y == 85 && x > 30 && x < 170);
    return ink ? 0u : 0x00FFFFFFu;
}

}  // namespace

int RecordSampleSurvey(const QString& sitePath, const QString& outPath) {
    if (QFileInfo(outPath).exists() &&
        QFileInfo(sitePath).canonicalFilePath() == QFileInfo(outPath).canonicalFilePath()) {
        std::fputs("The output must be another file than the input.\n", stderr);
        return 1;
    }
    QFile::remove(outPath);
    if (!QFile::copy(sitePath, outPath)) {
        std::fprintf(stderr, "Cannot copy %s to %s\n", qPrintable(sitePath), qPrintable(outPath));
        return 1;
    }
    const std::string out = QFile::encodeName(outPath).toStdString();
    FileSource src(out);
    CSiteRecord site;
    SiteStatus status = src.Status().ok ? ReadSiteHeader(src, site) : src.Status();
    if (!status.ok) {
        std::fprintf(stderr, "%s\n", status.text.c_str());
        return 1;
    }

    CApList list;
    for (const SurveyPoint& pt : kPoints) {
        if (pt.nothingHeard) {
            AddRecord(list, pt, nullptr, 0);
            continue;
        }
        std::vector<std::pair<int, const AccessPoint*>> heard;
        for (const AccessPoint& ap : kAps) {
            const double d = std::hypot(pt.x - ap.x, pt.y - ap.y);
            const int rssi = -32 - static_cast<int>(d / 9.0);
            if (rssi >= -92) heard.emplace_back(rssi, &ap);
        }
        std::stable_sort(heard.begin(), heard.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [rssi, ap] : heard) AddRecord(list, pt, ap, rssi);
    }
    status = SaveSiteFile(out, site, SignaturePixel, list, SaveTime());
    if (!status.ok) {
        std::fprintf(stderr, "%s\n", status.text.c_str());
        return 1;
    }
    return 0;
}
