// Arbitrary bytes as iperf3's --json answer, through the reader (Qt's JSON
// classes). It must never crash, and what it accepts must be figures a
// network can give; what it refuses must carry no figure at all.
//
// Input: byte 0 chooses the run (mod 3: download, upload, UDP); the rest is
// the answer.

#include <QByteArray>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "throughput/IperfJson.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_iperf_json: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const auto run = static_cast<ThroughputPhase>(data[0] % 3);
    const QByteArray answer(reinterpret_cast<const char*>(data + 1),
                            static_cast<qsizetype>(size - 1));
    const IperfReading r = ReadIperfJson(answer, run);
    if (!r.Ok()) {
        if (r.error.empty() && r.fault == ThroughputFault::kGarbled)
            Fail("garbled without a reason");
        if (r.mbps != 0 || r.retransmits || r.rttMs || r.jitterMs || r.lossPct)
            Fail("a figure of an answer refused");
        return 0;
    }
    if (!std::isfinite(r.mbps) || r.mbps < 0 || r.mbps > 1e7) Fail("a rate no network gives");
    if (r.retransmits && *r.retransmits < 0) Fail("retransmits below 0");
    if (r.rttMs && (run != ThroughputPhase::kUpload || !(*r.rttMs > 0) || *r.rttMs > 60000))
        Fail("an RTT not of an upload's own socket");
    if ((run == ThroughputPhase::kUdp) != (r.jitterMs.has_value() && r.lossPct.has_value()))
        Fail("UDP figures of another run");
    if (r.jitterMs && (*r.jitterMs < 0 || *r.jitterMs > 60000)) Fail("a jitter out of range");
    if (r.lossPct && (*r.lossPct < 0 || *r.lossPct > 100)) Fail("a loss out of 0..100");
    return 0;
}
