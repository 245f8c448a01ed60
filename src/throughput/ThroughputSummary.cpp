#include "throughput/ThroughputSummary.h"

#include <cstdio>

namespace {

std::string Fixed(double v, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

}  // namespace

std::string NotMeasuredText(const ThroughputOutcome& outcome) {
    return "throughput not measured: " + outcome.reason;
}

std::vector<std::string> ThroughputSummaryLines(const ThroughputOutcome& outcome) {
    if (!outcome.Measured()) return {NotMeasuredText(outcome)};
    const ThroughputFigures& f = *outcome.figures;
    std::vector<std::string> lines;
    lines.push_back("Down " + Fixed(f.downMbps, 1) + " Mbit/s  Up " + Fixed(f.upMbps, 1) +
                    " Mbit/s");
    std::string tcp;
    if (f.rttMs) tcp = "RTT " + Fixed(*f.rttMs, 2) + " ms";
    if (const auto retransmits = f.Retransmits())
        tcp +=
            (tcp.empty() ? "" : "  ") + std::string("Retransmits ") + std::to_string(*retransmits);
    if (!tcp.empty()) lines.push_back(tcp);
    if (f.udpJitterMs || f.udpLossPct) {
        std::string udp = "UDP";
        if (f.udpJitterMs) udp += " jitter " + Fixed(*f.udpJitterMs, 3) + " ms";
        if (f.udpLossPct)
            udp +=
                std::string(f.udpJitterMs ? "  loss " : " loss ") + Fixed(*f.udpLossPct, 2) + " %";
        lines.push_back(udp);
    }
    return lines;
}
