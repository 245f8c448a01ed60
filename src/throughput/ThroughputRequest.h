#pragma once
// What a throughput test is asked to do: the iperf3 server, each
// direction's seconds and the optional UDP rate, and the parsers of the
// surveyor's texts for them (--iperf, --iperf-seconds, --iperf-udp). No Qt.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr uint16_t kDefaultIperfPort = 5201;
inline constexpr int32_t kDefaultIperfSeconds = 3;
inline constexpr int32_t kMinIperfSeconds = 1;
inline constexpr int32_t kMaxIperfSeconds = 30;

struct IperfServer {
    std::string host;  // a name, an IPv4 address or an IPv6 address (without brackets)
    uint16_t port = kDefaultIperfPort;

    // "host:port", "[v6]:port".
    std::string Text() const;
    bool operator==(const IperfServer&) const = default;
};

struct ThroughputRequest {
    IperfServer server;
    int32_t seconds = kDefaultIperfSeconds;  // of each direction
    std::optional<int64_t> udpRateBps;       // a UDP test at this rate, bits/s

    // Seconds the test's directions take together (down, up, UDP).
    int32_t TestSeconds() const { return seconds * (udpRateBps ? 3 : 2); }
};

// Each parser gives its value, or an error of one line naming the text.
template <class T>
struct Parsed {
    std::optional<T> value;
    std::string error;
};

// HOST[:PORT]: "wlan-test", "10.0.0.5:5202", "[fe80::1%wlan0]:5201", "::1"
// (an IPv6 address without brackets has no port).
Parsed<IperfServer> ParseIperfServer(std::string_view text);
// 1 to 30.
Parsed<int32_t> ParseIperfSeconds(std::string_view text);
// Bits per second with an optional K, M or G (x1000 each, as iperf3 reads
// them): "10M", "1.5M", "800K", "250000". 1 Kbit/s to 100 Gbit/s.
Parsed<int64_t> ParseUdpRate(std::string_view text);
