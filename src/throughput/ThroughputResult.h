#pragma once
// What one throughput test at a survey point gives: its figures when it was
// measured, or why it was not. No Qt: the requirements, the export and the
// survey store read it; the iperf3 runner makes it.

#include <cstdint>
#include <optional>
#include <string>

// The figures of a measured test. TCP figures are those iperf3 reports as
// received (download: the client received; upload: the server received).
struct ThroughputFigures {
    double downMbps = 0;
    double upMbps = 0;
    // TCP retransmits of the sending side of each direction (the server's
    // for the download, as it reports them), where it reported them.
    std::optional<int64_t> downRetransmits;
    std::optional<int64_t> upRetransmits;
    // Mean round-trip time of the upload's TCP statistics (the client's own
    // socket); a download has none on the client side.
    std::optional<double> rttMs;
    // Only with a UDP test.
    std::optional<double> udpJitterMs;
    std::optional<double> udpLossPct;
    std::optional<int64_t> udpRateBps;  // the rate it was sent at

    std::string server;          // HOST:PORT as tested
    int64_t startUtcMs = 0;      // when the test began (milliseconds since 1970, UTC)
    double durationSeconds = 0;  // how long the whole test took
    int32_t seconds = 0;         // each direction's length as asked

    // Both directions' retransmits together, when both reported them.
    std::optional<int64_t> Retransmits() const {
        if (!downRetransmits || !upRetransmits) return std::nullopt;
        return *downRetransmits + *upRetransmits;
    }
    bool operator==(const ThroughputFigures&) const = default;
};

// Why a test gave no figures.
enum class ThroughputFault : uint8_t {
    kNone,         // measured
    kNoServer,     // no server set
    kNoProgram,    // iperf3 could not be started
    kUnreachable,  // no way to the server
    kRefused,      // nothing listens at the port
    kBusy,         // the server runs another client's test (after the one retry)
    kGone,         // the server went away during the test
    kNoAnswer,     // the server stopped answering; the test was ended at its bound
    kGarbled,      // iperf3's answer was cut or not what iperf3 writes
    kFailed,       // another error iperf3 named
    kCancelled,    // Escape, a close or an Open ended it
};
inline constexpr int kThroughputFaultCount = 11;

// A short name of the cause, for logs and the survey store ("refused").
const char* ThroughputFaultName(ThroughputFault fault);

struct ThroughputOutcome {
    ThroughputFault fault = ThroughputFault::kNoServer;
    // "throughput not measured: " and this, for the surveyor.
    std::string reason;
    std::optional<ThroughputFigures> figures;  // exactly when fault is kNone

    bool Measured() const { return fault == ThroughputFault::kNone && figures.has_value(); }
};
