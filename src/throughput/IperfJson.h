#pragma once
// Reads the JSON iperf3 3.12 writes with --json at the end of one client run
// (Qt's JSON classes). Nothing is taken on trust: an answer that is not a
// JSON object, is cut short, lacks a member the figures come from or holds
// one of the wrong type or beyond what any network gives is garbled, never
// a figure; an "error" member is iperf3's own failure, and wins over any
// figures beside it (a server that went away mid-test leaves partial ones).
//
//   member                               run          becomes
//   error (text)                         any          the failure, classified
//   end.sum_received.bits_per_second     TCP          Mbit/s as received (0..1e13 bit/s)
//   end.sum_sent.retransmits (optional)  TCP          retransmits of the sender (whole, >= 0)
//   end.streams[].sender.mean_rtt        TCP upload   mean RTT, us (0..6e7; 0 = none, left out)
//   end.sum.jitter_ms                    UDP          jitter, ms (0..60000)
//   end.sum.lost_percent                 UDP          loss, % (0..100)
//   end.sum.bits_per_second              UDP          Mbit/s as received (0..1e13 bit/s)
//
// In a download (reverse) run the client does not send, and iperf3 fills the
// sender's mean_rtt with 0: the round-trip time comes from the upload only.

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <string>

#include "throughput/ThroughputProgress.h"
#include "throughput/ThroughputResult.h"

struct IperfReading {
    ThroughputFault fault = ThroughputFault::kGarbled;  // kNone: the figures below hold
    std::string error;  // iperf3's words, or what was wrong with the answer

    double mbps = 0;
    std::optional<int64_t> retransmits;
    std::optional<double> rttMs;
    std::optional<double> jitterMs;
    std::optional<double> lossPct;

    bool Ok() const { return fault == ThroughputFault::kNone; }
};

IperfReading ReadIperfJson(const QByteArray& json, ThroughputPhase run);
