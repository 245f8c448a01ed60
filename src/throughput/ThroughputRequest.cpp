#include "throughput/ThroughputRequest.h"

#include <charconv>
#include <cmath>

namespace {

std::string Quoted(std::string_view s) {
    std::string q(1, '"');
    q.append(s);
    q += '"';
    return q;
}

// Letters, digits and the marks of names and addresses. Nothing iperf3
// could take for an option or a device, nothing a shell would read.
bool HostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_' || c == ':';
}

std::optional<int64_t> Digits(std::string_view s) {
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace

std::string IperfServer::Text() const {
    const std::string h = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return h + ":" + std::to_string(port);
}

Parsed<IperfServer> ParseIperfServer(std::string_view text) {
    const std::string bad = "iperf3 server " + Quoted(text) + ": ";
    IperfServer s;
    std::string_view host = text, port;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string_view::npos) return {{}, bad + "no ] after the IPv6 address"};
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return {{}, bad + "expected :PORT after ]"};
            port = rest.substr(1);
            if (port.empty()) return {{}, bad + "no port after the colon"};
        }
        // A scope (fe80::1%wlan0) belongs to a bracketed address only.
        const size_t scope = host.find('%');
        if (scope == 0 || (scope != host.npos && host.find('%', scope + 1) != host.npos))
            return {{}, bad + "not a host name or address"};
        for (size_t i = 0; i < host.size(); ++i)
            if (i != scope && !HostCharacter(host[i]))
                return {{}, bad + "not a host name or address"};
        if (host.find(':') == std::string_view::npos)
            return {{}, bad + "brackets hold an IPv6 address"};
    } else if (const size_t colon = text.find(':');
               colon != std::string_view::npos && text.find(':', colon + 1) == text.npos) {
        host = text.substr(0, colon);  // name:port or v4:port
        port = text.substr(colon + 1);
        if (port.empty()) return {{}, bad + "no port after the colon"};
    }
    if (host.empty()) return {{}, bad + "no host"};
    if (host.front() == '-') return {{}, bad + "a host cannot begin with -"};
    if (text.front() != '[')
        for (const char c : host)
            if (!HostCharacter(c)) return {{}, bad + "not a host name or address"};
    s.host = std::string(host);
    if (!port.empty()) {
        const std::optional<int64_t> p = Digits(port);
        if (!p || *p < 1 || *p > 65535) return {{}, bad + "the port is not 1 to 65535"};
        s.port = static_cast<uint16_t>(*p);
    }
    return {s, {}};
}

Parsed<int32_t> ParseIperfSeconds(std::string_view text) {
    const std::optional<int64_t> v = Digits(text);
    if (!v || *v < kMinIperfSeconds || *v > kMaxIperfSeconds)
        return {{}, "iperf3 seconds " + Quoted(text) + ": a whole number from 1 to 30"};
    return {static_cast<int32_t>(*v), {}};
}

Parsed<int64_t> ParseUdpRate(std::string_view text) {
    const std::string bad = "UDP rate " + Quoted(text) + ": ";
    std::string_view number = text;
    double unit = 1;
    if (!number.empty()) {
        switch (number.back()) {
            case 'k':
            case 'K':
                unit = 1e3;
                break;
            case 'm':
            case 'M':
                unit = 1e6;
                break;
            case 'g':
            case 'G':
                unit = 1e9;
                break;
            default:
                break;
        }
        if (unit != 1) number.remove_suffix(1);
    }
    bool digit = false, point = false;
    for (const char c : number) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return {{}, bad + "bits per second, such as 10M, 800K or 250000"};
    }
    if (!digit) return {{}, bad + "bits per second, such as 10M, 800K or 250000"};
    double v = 0;
    std::from_chars(number.data(), number.data() + number.size(), v);
    const double bps = std::floor(v * unit + 0.5);
    if (bps < 1e3 || bps > 1e11) return {{}, bad + "outside 1K to 100G bits per second"};
    return {static_cast<int64_t>(bps), {}};
}
