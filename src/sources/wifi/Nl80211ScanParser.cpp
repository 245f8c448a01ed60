#include "sources/wifi/Nl80211ScanParser.h"

#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>

#include <cerrno>
#include <cstring>

#include "sources/wifi/NetlinkMessages.h"

namespace {

using netlink::Read;
using netlink::WalkAttributes;

// The SSID element of an information-element list, when there is a whole one.
bool FindSsid(const uint8_t* p, size_t n, uint8_t& length, uint8_t ssid[32]) {
    size_t at = 0;
    while (n - at >= 2) {
        const uint8_t id = p[at];
        const uint8_t len = p[at + 1];
        if (len > n - at - 2) return false;
        if (id == 0) {
            if (len > 32) return false;
            length = len;
            std::memset(ssid, 0, 32);
            std::memcpy(ssid, p + at + 2, len);
            return true;
        }
        at += 2 + size_t{len};
    }
    return false;
}

// Fills `bss` from the nested attributes of NL80211_ATTR_BSS; false when the
// nest is malformed or has no BSSID.
bool ReadBss(const uint8_t* p, size_t n, KernelBss& bss) {
    bool hasBssid = false;
    // The SSIDs of the two element lists; of a repeated attribute the last counts.
    struct Elements {
        bool found = false;
        uint8_t length = 0;
        uint8_t ssid[32] = {};
    } probe, beacon;
    const bool whole = WalkAttributes(p, n, [&](uint16_t type, const uint8_t* v, size_t len) {
        switch (type) {
            case NL80211_BSS_BSSID:
                if (len != 6) return false;
                std::memcpy(bss.bssid, v, 6);
                hasBssid = true;
                return true;
            case NL80211_BSS_FREQUENCY:
                if (len != 4) return false;
                bss.frequencyMhz = Read<uint32_t>(v);
                return true;
            case NL80211_BSS_SIGNAL_MBM:
                if (len != 4) return false;
                bss.signalMbm = Read<int32_t>(v);
                bss.hasSignalMbm = true;
                return true;
            case NL80211_BSS_SIGNAL_UNSPEC:
                if (len != 1) return false;
                bss.signalUnspec = v[0];
                bss.hasSignalUnspec = true;
                return true;
            case NL80211_BSS_SEEN_MS_AGO:
                if (len != 4) return false;
                bss.seenMsAgo = Read<uint32_t>(v);
                bss.hasSeenMsAgo = true;
                return true;
            case NL80211_BSS_LAST_SEEN_BOOTTIME:
                if (len != 8) return false;
                bss.lastSeenBoottimeNs = Read<uint64_t>(v);
                bss.hasLastSeenBoottime = true;
                return true;
            case NL80211_BSS_CAPABILITY:
                if (len != 2) return false;
                bss.capability = Read<uint16_t>(v);
                bss.hasCapability = true;
                return true;
            case NL80211_BSS_INFORMATION_ELEMENTS:
                probe.found = FindSsid(v, len, probe.length, probe.ssid);
                return true;
            case NL80211_BSS_BEACON_IES:
                beacon.found = FindSsid(v, len, beacon.length, beacon.ssid);
                return true;
            default:
                return true;  // attributes this reader does not use
        }
    });
    if (!whole || !hasBssid) return false;
    const Elements& from = probe.found ? probe : beacon;
    if (from.found) {
        bss.hasSsid = true;
        bss.ssidLength = from.length;
        std::memcpy(bss.ssid, from.ssid, sizeof bss.ssid);
    }
    return true;
}

// Fills `station` from the attributes of a station message; false without a
// whole MAC address or with a malformed STA_INFO nest.
bool ReadStation(const uint8_t* p, size_t n, KernelStation& station) {
    bool hasMac = false, good = true;
    WalkAttributes(p, n, [&](uint16_t type, const uint8_t* v, size_t len) {
        if (type == NL80211_ATTR_MAC) {
            if (len != 6) return good = false;
            std::memcpy(station.mac, v, 6);
            hasMac = true;
        } else if (type == NL80211_ATTR_STA_INFO) {
            good = WalkAttributes(v, len, [&](uint16_t info, const uint8_t* w, size_t wlen) {
                if (info != NL80211_STA_INFO_SIGNAL && info != NL80211_STA_INFO_SIGNAL_AVG)
                    return true;
                if (wlen != 1) return false;
                const int8_t dbm = static_cast<int8_t>(w[0]);
                if (info == NL80211_STA_INFO_SIGNAL) {
                    station.hasSignal = true;
                    station.signalDbm = dbm;
                } else {
                    station.hasSignalAvg = true;
                    station.signalAvgDbm = dbm;
                }
                return true;
            });
            if (!good) return false;
        }
        return true;
    });
    return good && hasMac;
}

// The errno of a negative netlink error code.
int ErrnoOf(int32_t error) { return error == INT32_MIN ? EBADMSG : -error; }

}  // namespace

void Nl80211ScanDumpParser::Fail(int error) {
    m_state = State::kFailed;
    m_error = error;
}

void Nl80211ScanDumpParser::TakeFamilyMessage(const uint8_t* p, size_t n) {
    if (n < GENL_HDRLEN) {
        ++m_dropped;
        return;
    }
    const uint8_t* attrs = p + GENL_HDRLEN;
    const size_t length = n - GENL_HDRLEN;
    bool found = false, station = false;
    KernelBss bss;
    bool good = false;
    // A malformed attribute after a whole BSS nest does not spoil the nest.
    WalkAttributes(attrs, length, [&](uint16_t type, const uint8_t* v, size_t len) {
        station = station || type == NL80211_ATTR_STA_INFO;
        if (type != NL80211_ATTR_BSS || found) return true;
        found = true;
        good = ReadBss(v, len, bss);
        return true;
    });
    if (good)
        m_entries.push_back(bss);
    else if (found)
        ++m_dropped;
    if (found || !station) return;
    KernelStation s;
    if (ReadStation(attrs, length, s))
        m_stations.push_back(s);
    else
        ++m_dropped;
}

Nl80211ScanDumpParser::State Nl80211ScanDumpParser::Feed(const uint8_t* data, size_t length) {
    size_t at = 0;
    while (m_state == State::kMore && length - at >= NLMSG_HDRLEN) {
        const uint32_t len = Read<uint32_t>(data + at);
        const uint16_t type = Read<uint16_t>(data + at + 4);
        if (len < NLMSG_HDRLEN || len > length - at) {
            ++m_dropped;  // the rest of this datagram cannot be delimited
            break;
        }
        if (Read<uint16_t>(data + at + 6) & NLM_F_DUMP_INTR) m_interrupted = true;
        const uint8_t* payload = data + at + NLMSG_HDRLEN;
        const size_t payloadLength = len - NLMSG_HDRLEN;
        if (type == NLMSG_DONE) {
            const int32_t error = payloadLength >= 4 ? Read<int32_t>(payload) : 0;
            if (error < 0)
                Fail(ErrnoOf(error));
            else
                m_state = State::kDone;
        } else if (type == NLMSG_ERROR) {
            if (payloadLength < 4)
                Fail(EBADMSG);
            else if (const int32_t error = Read<int32_t>(payload); error < 0)
                Fail(ErrnoOf(error));
            else
                m_state = State::kDone;  // an acknowledgement ends the answer as well
        } else if (type == NLMSG_OVERRUN) {
            Fail(ENOBUFS);
        } else if (type >= NLMSG_MIN_TYPE) {
            TakeFamilyMessage(payload, payloadLength);
        }
        const size_t step = NLMSG_ALIGN(size_t{len});
        at = step < length - at ? at + step : length;
    }
    return m_state;
}
