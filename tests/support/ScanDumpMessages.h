#pragma once
// An nl80211 scan dump as the kernel sends it, built byte by byte (host byte
// order) for the parser's tests, the fuzzer's seeds and the scanner's tests.
// Header-only, so that the seed generator needs no test library.

#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace scandump {

using Bytes = std::vector<uint8_t>;

template <typename T>
Bytes Value(T v) {
    Bytes b(sizeof v);
    std::memcpy(b.data(), &v, sizeof v);
    return b;
}

inline Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// One attribute, padded to 4 bytes.
inline Bytes Attr(uint16_t type, const Bytes& payload) {
    Bytes b = Cat(Cat(Value<uint16_t>(static_cast<uint16_t>(NLA_HDRLEN + payload.size())),
                      Value<uint16_t>(type)),
                  payload);
    b.resize(NLA_ALIGN(b.size()), 0);
    return b;
}

// One netlink message, padded to 4 bytes. The type is the family id the
// kernel happens to give nl80211 (any value from 16 on) unless told.
inline Bytes Message(const Bytes& payload, uint16_t type = 0x1c, uint16_t flags = NLM_F_MULTI) {
    Bytes b = Cat(Cat(Cat(Value<uint32_t>(static_cast<uint32_t>(NLMSG_HDRLEN + payload.size())),
                          Value<uint16_t>(type)),
                      Cat(Value<uint16_t>(flags), Value<uint32_t>(7))),
                  Cat(Value<uint32_t>(4242), payload));
    b.resize(NLMSG_ALIGN(b.size()), 0);
    return b;
}

inline Bytes Done(int32_t error = 0) { return Message(Value(error), NLMSG_DONE); }
inline Bytes Error(int32_t error) {
    return Message(Cat(Value(error), Bytes(NLMSG_HDRLEN, 0)), NLMSG_ERROR, 0);
}

// Information elements: an SSID element, and another element after it.
inline Bytes SsidElements(const std::string& ssid) {
    Bytes b = {0, static_cast<uint8_t>(ssid.size())};
    b.insert(b.end(), ssid.begin(), ssid.end());
    return Cat(b, {1, 2, 0x82, 0x84});  // supported rates
}

struct Bss {
    uint8_t bssid[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    uint32_t frequency = 2437;
    std::optional<int32_t> mbm = -5400;
    std::optional<uint64_t> lastSeenNs;
    std::optional<uint32_t> seenMsAgo = 100;
    std::optional<std::string> ssid = std::string("CorpNet");
};

// A second kind of BSS: 6 GHz, a weak signal, its age as LAST_SEEN_BOOTTIME
// and an SSID that is not UTF-8.
inline Bss SixGhzBss() {
    Bss s;
    s.bssid[5] = 0x66;
    s.frequency = 5955;
    s.mbm = -9150;
    s.seenMsAgo.reset();
    s.lastSeenNs = 123456789012345ull;
    s.ssid = std::string("\xff\x41", 2);
    return s;
}

// The attributes nested in NL80211_ATTR_BSS.
inline Bytes BssNest(const Bss& s) {
    Bytes n = Attr(NL80211_BSS_BSSID, Bytes(s.bssid, s.bssid + 6));
    n = Cat(n, Attr(NL80211_BSS_FREQUENCY, Value(s.frequency)));
    if (s.mbm) n = Cat(n, Attr(NL80211_BSS_SIGNAL_MBM, Value(*s.mbm)));
    if (s.seenMsAgo) n = Cat(n, Attr(NL80211_BSS_SEEN_MS_AGO, Value(*s.seenMsAgo)));
    if (s.lastSeenNs) n = Cat(n, Attr(NL80211_BSS_LAST_SEEN_BOOTTIME, Value(*s.lastSeenNs)));
    if (s.ssid) n = Cat(n, Attr(NL80211_BSS_INFORMATION_ELEMENTS, SsidElements(*s.ssid)));
    return n;
}

// A message of the dump: the generic-netlink header, the interface, the BSS.
inline Bytes EntryWithNest(const Bytes& nest, uint16_t flags = NLM_F_MULTI) {
    const Bytes genl = {NL80211_CMD_NEW_SCAN_RESULTS, 1, 0, 0};
    return Message(Cat(Cat(genl, Attr(NL80211_ATTR_IFINDEX, Value<uint32_t>(3))),
                       Attr(NLA_F_NESTED | NL80211_ATTR_BSS, nest)),
                   0x1c, flags);
}
inline Bytes Entry(const Bss& s, uint16_t flags = NLM_F_MULTI) {
    return EntryWithNest(BssNest(s), flags);
}

// A message of the station dump: the station's MAC and the signals given.
inline Bytes StationEntry(const Bytes& mac, std::optional<int8_t> signal,
                          std::optional<int8_t> average) {
    Bytes info;
    if (signal) info = Cat(info, Attr(NL80211_STA_INFO_SIGNAL, {static_cast<uint8_t>(*signal)}));
    if (average)
        info = Cat(info, Attr(NL80211_STA_INFO_SIGNAL_AVG, {static_cast<uint8_t>(*average)}));
    const Bytes genl = {NL80211_CMD_NEW_STATION, 1, 0, 0};
    return Message(Cat(
        Cat(Cat(genl, Attr(NL80211_ATTR_IFINDEX, Value<uint32_t>(3))), Attr(NL80211_ATTR_MAC, mac)),
        Attr(NLA_F_NESTED | NL80211_ATTR_STA_INFO, info)));
}

// A parser fed each datagram from an exact-size copy on the heap, so that any
// read past its end is caught.
template <typename Parser>
Parser Parse(const std::vector<Bytes>& datagrams) {
    Parser parser;
    for (const Bytes& d : datagrams) {
        const auto copy = std::make_unique<uint8_t[]>(d.size());
        if (!d.empty()) std::memcpy(copy.get(), d.data(), d.size());
        parser.Feed(copy.get(), d.size());
    }
    return parser;
}

}  // namespace scandump
