#pragma once
// What a running throughput test has done so far, for the scan screen. No Qt.
//
// iperf3 3.12 writes its JSON only when a run ends (interval reports stay in
// it until then; a streamed JSON came with later versions), so the figure of
// a direction is known when that direction is done: while a direction runs,
// the screen shows how many of its seconds have gone, and the figures of the
// directions already measured.

#include <cstdint>
#include <optional>
#include <string>

enum class ThroughputPhase : uint8_t { kDownload, kUpload, kUdp };

struct ThroughputProgress {
    ThroughputPhase phase = ThroughputPhase::kDownload;
    int32_t elapsedSeconds = 0;  // of this direction, whole seconds gone
    int32_t seconds = 0;         // this direction's length
    bool waitingForBusyServer = false;
    std::optional<double> downMbps;  // once the download is done
    std::optional<double> upMbps;    // once the upload is done

    bool operator==(const ThroughputProgress&) const = default;
};

// One line of at most about 40 characters:
//   "Down 2/3 s"  "Down 94.1 Mbit/s  Up 1/3 s"  "Down 94.1  Up 40.2 Mbit/s  UDP 0/3 s"
//   "Server busy, again in 1 s"
std::string ProgressText(const ThroughputProgress& p);
