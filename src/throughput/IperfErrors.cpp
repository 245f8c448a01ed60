#include "throughput/IperfErrors.h"

namespace {

bool Has(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace

const char* ThroughputFaultName(ThroughputFault fault) {
    static constexpr const char* kNames[kThroughputFaultCount] = {
        "measured", "no server", "no iperf3", "unreachable", "refused",  "busy",
        "gone",     "no answer", "garbled",   "failed",      "cancelled"};
    const auto i = static_cast<size_t>(fault);
    return i < kThroughputFaultCount ? kNames[i] : "failed";
}

ThroughputFault ClassifyIperfError(std::string_view text) {
    if (Has(text, "the server is busy")) return ThroughputFault::kBusy;
    if (Has(text, "unable to connect to server"))
        return Has(text, "Connection refused") ? ThroughputFault::kRefused
                                               : ThroughputFault::kUnreachable;
    for (std::string_view gone :
         {"the server has terminated", "control socket has closed", "stream socket",
          "control message", "unable to receive results", "Connection reset", "Broken pipe"})
        if (Has(text, gone)) return ThroughputFault::kGone;
    return ThroughputFault::kFailed;
}

std::string FaultReason(ThroughputFault fault, const std::string& server, const std::string& detail,
                        int boundSeconds) {
    const std::string words = detail.empty() ? std::string() : " (" + detail + ")";
    switch (fault) {
        case ThroughputFault::kNone:
            return {};
        case ThroughputFault::kNoServer:
            return "no iperf3 server is set";
        case ThroughputFault::kNoProgram:
            return "the iperf3 program could not be started" + words;
        case ThroughputFault::kUnreachable:
            return "the iperf3 server " + server + " cannot be reached" + words;
        case ThroughputFault::kRefused:
            return "nothing answers at " + server + ": is \"iperf3 -s\" running there?";
        case ThroughputFault::kBusy:
            return "the iperf3 server " + server +
                   " is busy with another client's test (tried again after a second)";
        case ThroughputFault::kGone:
            return "the iperf3 server " + server + " went away during the test" + words;
        case ThroughputFault::kNoAnswer:
            return "the iperf3 server " + server + " stopped answering; the test was ended after " +
                   std::to_string(boundSeconds) + " s";
        case ThroughputFault::kGarbled:
            return "iperf3's answer could not be read" + words;
        case ThroughputFault::kFailed:
            return "iperf3 failed" + words;
        case ThroughputFault::kCancelled:
            return "the test was cancelled";
    }
    return {};
}
