#include "SampleReports.h"

#include <cmath>

#include "board/ScannerBoard.h"
#include "boardsim/BoardMessages.h"

void Report(uint8_t mac5, int16_t rssi, uint8_t channel, const char* ssid) {
    const Bytes report =
        ReportMessage({{{0x00, 0x1A, 0x2B, 0x3C, 0x4D, mac5}, rssi}}, {{0, ssid, channel}});
    theBoard.MergeReport(report.data(), report.size());
}

void HearSampleOffice(double x, double y) {
    struct Ap {
        int32_t x, y;
        uint8_t mac5, channel;
        const char* ssid;
    };
    const Ap aps[] = {{150, 150, 0x01, 1, "pellorin-office"},
                      {650, 300, 0x02, 6, "pellorin-office"},
                      {450, 430, 0x03, 11, "caf\xC3\xA9-guest"}};
    for (const Ap& ap : aps) {
        const double d = std::hypot(ap.x - x, ap.y - y);
        const int rssi = static_cast<int>(-28 - 28 * std::log10(1 + d / 12));
        if (rssi > -92) Report(ap.mac5, static_cast<int16_t>(rssi), ap.channel, ap.ssid);
    }
}
