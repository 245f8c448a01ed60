#include "throughput/ThroughputProgress.h"

#include <cstdio>

namespace {

std::string Mbps(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

std::string Running(const char* name, const ThroughputProgress& p) {
    return std::string(name) + " " + std::to_string(p.elapsedSeconds) + "/" +
           std::to_string(p.seconds) + " s";
}

}  // namespace

std::string ProgressText(const ThroughputProgress& p) {
    if (p.waitingForBusyServer) return "Server busy, again in 1 s";
    switch (p.phase) {
        case ThroughputPhase::kDownload:
            return Running("Down", p);
        case ThroughputPhase::kUpload:
            return "Down " + Mbps(p.downMbps.value_or(0)) + " Mbit/s  " + Running("Up", p);
        case ThroughputPhase::kUdp:
            return "Down " + Mbps(p.downMbps.value_or(0)) + "  Up " + Mbps(p.upMbps.value_or(0)) +
                   " Mbit/s  " + Running("UDP", p);
    }
    return {};
}
