#pragma once
// Reads the kernel's answer to an nl80211 dump (NL80211_CMD_GET_SCAN or
// NL80211_CMD_GET_STATION with NLM_F_DUMP) from raw netlink bytes, whatever
// delivered them: the live socket, a capture, a test or a fuzzer. Nothing in the bytes is trusted:
// every length is checked before it is used, a malformed BSS is dropped whole, and the parser never
// reads outside the datagram it is given.
//
// A datagram holds netlink messages, each NLMSG_ALIGN'ed (host byte order):
//   nlmsghdr  len u32 (header included), type u16, flags u16, seq u32, pid u32
//             (flags: NLM_F_DUMP_INTR, the dump changed while it was read)
//   type NLMSG_DONE   end of the dump (an int32 error may follow: < 0 failed)
//   type NLMSG_ERROR  int32 -errno, then the request's header (0: an ack)
//   type >= 16        the generic-netlink family (its id differs from boot to
//                     boot, so it is not compared): genlmsghdr cmd u8,
//                     version u8, reserved u16, then attributes
// An attribute is nla_len u16 (header included), nla_type u16 (top two bits
// are flags), payload, padded to 4. NL80211_ATTR_BSS nests the BSS's own:
//   BSSID 6 bytes, FREQUENCY u32 MHz, SIGNAL_MBM u32 read as int32 (hundredths
//   of dBm), SIGNAL_UNSPEC u8 (0..100), SEEN_MS_AGO u32, LAST_SEEN_BOOTTIME u64
//   ns, CAPABILITY u16, INFORMATION_ELEMENTS and BEACON_IES (elements: id u8,
//   length u8, data; the SSID is element 0 with at most 32 bytes).
// A station's message has NL80211_ATTR_MAC (6 bytes) and NL80211_ATTR_STA_INFO
// nesting STA_INFO_SIGNAL and STA_INFO_SIGNAL_AVG (u8 read as int8 dBm).

#include <cstddef>
#include <cstdint>
#include <vector>

struct KernelBss {
    uint8_t bssid[6] = {};
    uint32_t frequencyMhz = 0;  // 0: not given
    bool hasSignalMbm = false;
    int32_t signalMbm = 0;
    bool hasSignalUnspec = false;
    uint8_t signalUnspec = 0;
    bool hasSeenMsAgo = false;
    uint32_t seenMsAgo = 0;
    bool hasLastSeenBoottime = false;
    uint64_t lastSeenBoottimeNs = 0;
    bool hasCapability = false;
    uint16_t capability = 0;
    bool hasSsid = false;  // from the information elements, else the beacon's
    uint8_t ssidLength = 0;
    uint8_t ssid[32] = {};
};

// A station the interface is associated with (for a client, its access point).
struct KernelStation {
    uint8_t mac[6] = {};
    bool hasSignal = false;  // the last frame's signal
    int8_t signalDbm = 0;
    bool hasSignalAvg = false;  // the average over recent frames
    int8_t signalAvgDbm = 0;
};

class Nl80211ScanDumpParser {
public:
    enum class State { kMore, kDone, kFailed };

    // Takes one datagram as read from the socket. Bytes after the end of the
    // dump are ignored.
    State Feed(const uint8_t* data, size_t length);

    State GetState() const { return m_state; }
    const std::vector<KernelBss>& Entries() const { return m_entries; }
    const std::vector<KernelStation>& Stations() const { return m_stations; }
    // A message carried NLM_F_DUMP_INTR: entries may be missing or repeated.
    bool Interrupted() const { return m_interrupted; }
    // The errno the kernel answered with (positive), when the state is kFailed.
    int ErrorCode() const { return m_error; }
    // BSS entries and messages refused as malformed.
    size_t Dropped() const { return m_dropped; }

private:
    void TakeFamilyMessage(const uint8_t* p, size_t n);
    void Fail(int error);

    State m_state = State::kMore;
    std::vector<KernelBss> m_entries;
    std::vector<KernelStation> m_stations;
    bool m_interrupted = false;
    int m_error = 0;
    size_t m_dropped = 0;
};
