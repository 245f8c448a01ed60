// The pure side of the throughput test: the surveyor's texts for the server,
// the seconds and the UDP rate; the causes of iperf3's errors; when the
// surveyor is told; the scan screen's progress line.

#include <gtest/gtest.h>

#include "throughput/IperfErrors.h"
#include "throughput/ThroughputNotices.h"
#include "throughput/ThroughputProgress.h"
#include "throughput/ThroughputRequest.h"
#include "throughput/ThroughputSummary.h"

namespace {

TEST(ThroughputRequestTest, ServersSecondsAndRates) {
    const std::pair<const char*, const char*> servers[] = {
        {"wlan-test", "wlan-test:5201"},
        {"10.0.0.5:5202", "10.0.0.5:5202"},
        {"::1", "[::1]:5201"},
        {"[fe80::1%wlan0]:6000", "[fe80::1%wlan0]:6000"},

        {"", "no host"},

        {"host:", "no port after the colon"},
        {"host:0", "the port is not 1 to 65535"},

        {"-s", "a host cannot begin with -"},
        {"a b", "not a host name or address"},
        {"host;rm", "not a host name or address"},
        {"[::1", "no ] after the IPv6 address"},
        {"[host]:1", "brackets hold an IPv6 address"},
        {"h%eth0", "not a host name or address"},
    };
    for (const auto& [text, expected] : servers) {
        const Parsed<IperfServer> p = ParseIperfServer(text);
        const std::string got = p.value ? p.value->Text() : p.error;
        EXPECT_NE(got.find(expected), std::string::npos) << text << " -> " << got;
    }
    EXPECT_EQ(ParseIperfSeconds("1").value, 1);
    EXPECT_EQ(ParseIperfSeconds("30").value, 30);
    for (const char* bad : {"0", "31", "", "3s", "-1"})
        EXPECT_FALSE(ParseIperfSeconds(bad).value) << bad;
    const std::pair<const char*, int64_t> rates[] = {
        {"10M", 10000000},  {"1.5m", 1500000},  {"800K", 800000},
        {"250000", 250000}, {"1G", 1000000000}, {"999", 0},
        {"101G", 0},        {"10Mb", 0},        {"", 0},
        {"M", 0},           {"1/10", 0},        {"-5M", 0},
    };
    for (const auto& [text, bps] : rates)
        EXPECT_EQ(ParseUdpRate(text).value.value_or(0), bps) << text;
    ThroughputRequest r;
    EXPECT_EQ(r.TestSeconds(), 6);
    r.udpRateBps = 1000000;
    EXPECT_EQ(r.TestSeconds(), 9);
}

TEST(IperfErrorsTest, IperfsWordsGiveTheirCauses) {
    using F = ThroughputFault;
    // A busy server's, a closed port's and a server stopped in a download
    // ("the server has terminated"): ThroughputRunnerTest meets them from the
    // real iperf3.
    const std::pair<const char*, F> rows[] = {
        {"unable to connect to server: No route to host", F::kUnreachable},
        {"unable to connect to server: Connection timed out", F::kUnreachable},
        {"control socket has closed unexpectedly", F::kGone},
        {"unable to write to stream socket: Connection reset by peer", F::kGone},
        {"unable to receive control message: Broken pipe", F::kGone},
        {"test authorization failed", F::kFailed},
    };
    for (const auto& [text, fault] : rows) EXPECT_EQ(ClassifyIperfError(text), fault) << text;
    EXPECT_EQ(FaultReason(F::kNoAnswer, "h:1", {}, 11),
              "the iperf3 server h:1 stopped answering; the test was ended after 11 s");
    EXPECT_EQ(FaultReason(F::kGone, "h:1", "the server has terminated"),
              "the iperf3 server h:1 went away during the test (the server has terminated)");
}

TEST(ThroughputNoticesTest, OncePerCauseUntilAMeasurement) {
    using F = ThroughputFault;
    CThroughputNotices notices;
    const auto told = [&](F f) { return notices.ShouldTell({f, "", {}}); };
    // A measurement (kNone) makes every cause news again.
    const std::pair<F, bool> steps[] = {
        {F::kRefused, true},   {F::kRefused, false}, {F::kBusy, true},   {F::kCancelled, false},
        {F::kNoServer, false}, {F::kNone, false},    {F::kRefused, true}};
    for (size_t i = 0; i < std::size(steps); ++i)
        EXPECT_EQ(told(steps[i].first), steps[i].second) << i;
    notices.Reset();
    EXPECT_TRUE(told(F::kRefused));
}

TEST(ThroughputProgressTest, TheLineOfEachPhase) {
    using P = ThroughputPhase;
    const std::pair<ThroughputProgress, const char*> rows[] = {
        {{P::kDownload, 2, 3, false, {}, {}}, "Down 2/3 s"},
        {{P::kUpload, 1, 3, false, 94.126, {}}, "Down 94.1 Mbit/s  Up 1/3 s"},
        {{P::kUdp, 0, 3, false, 94.1, 40.25}, "Down 94.1  Up 40.2 Mbit/s  UDP 0/3 s"},
        {{P::kUdp, 0, 3, true, 94.1, 40.25}, "Server busy, again in 1 s"},
    };
    for (const auto& [p, text] : rows) EXPECT_EQ(ProgressText(p), text);
}

}  // namespace

// The point information's lines: only the figures a test reported.
TEST(ThroughputSummaryTest, TheLinesOfEachOutcome) {
    ThroughputFigures tcp;
    tcp.downMbps = 94.149, tcp.upMbps = 40.24;
    ThroughputFigures full = tcp;
    full.downRetransmits = 2, full.upRetransmits = 1, full.rttMs = 0.126;
    full.udpJitterMs = 0.0124, full.udpLossPct = 0.5;
    ThroughputFigures rttOnly = tcp;
    rttOnly.rttMs = 3, rttOnly.downRetransmits = 4;  // the upload's did not come: no sum
    const struct {
        ThroughputOutcome outcome;
        std::vector<std::string> lines;
    } rows[] = {
        {{ThroughputFault::kNone, "", tcp}, {"Down 94.1 Mbit/s  Up 40.2 Mbit/s"}},
        {{ThroughputFault::kNone, "", rttOnly},
         {"Down 94.1 Mbit/s  Up 40.2 Mbit/s", "RTT 3.00 ms"}},
        {{ThroughputFault::kNone, "", full},
         {"Down 94.1 Mbit/s  Up 40.2 Mbit/s", "RTT 0.13 ms  Retransmits 3",
          "UDP jitter 0.012 ms  loss 0.50 %"}},
        // A fault never shows figures, whatever came with it.
        {{ThroughputFault::kGone, "gone", full}, {"throughput not measured: gone"}},
    };
    for (const auto& row : rows) EXPECT_EQ(ThroughputSummaryLines(row.outcome), row.lines);
}
