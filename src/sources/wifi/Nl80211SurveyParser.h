#pragma once
// Reads the kernel's answer to an nl80211 channel-survey dump
// (NL80211_CMD_GET_SURVEY with NLM_F_DUMP and NL80211_ATTR_IFINDEX, which
// needs no privilege) from raw netlink bytes, whatever delivered them. Each
// message of the dump describes one channel the adapter has surveyed:
//   genlmsghdr, NL80211_ATTR_IFINDEX, NL80211_ATTR_SURVEY_INFO nesting
//     NL80211_SURVEY_INFO_FREQUENCY  u32 MHz (an entry without it is dropped)
//     NL80211_SURVEY_INFO_NOISE      u8, read as s8 dBm (absent: the driver
//                                    does not measure it; unknown, never a
//                                    default)
//     NL80211_SURVEY_INFO_IN_USE     flag (no payload): the channel the
//                                    adapter is on
//     NL80211_SURVEY_INFO_TIME, _TIME_BUSY  u64 ms on the channel, and busy
// A garbled or cut entry is dropped on its own and the rest is read; the
// parser never reads outside the datagram it is given.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sources/wifi/NetlinkMessages.h"

struct KernelSurveyEntry {
    uint32_t frequencyMhz = 0;
    bool hasNoise = false;
    int8_t noiseDbm = 0;
    bool inUse = false;
    bool hasTime = false;
    uint64_t timeMs = 0;
    bool hasTimeBusy = false;
    uint64_t timeBusyMs = 0;
};

class Nl80211SurveyDumpParser {
public:
    using State = netlink::DumpState;

    // Takes one datagram as read from the socket.
    State Feed(const uint8_t* data, size_t length);

    State GetState() const { return m_state; }
    const std::vector<KernelSurveyEntry>& Entries() const { return m_entries; }
    // The errno the kernel answered with (positive), when the state is kFailed.
    int ErrorCode() const { return m_error; }
    // Entries and messages refused as malformed.
    size_t Dropped() const { return m_dropped; }
    // The kernel's survey changed while it was dumped: take it again.
    bool Interrupted() const { return m_interrupted; }

private:
    void TakeFamilyMessage(const uint8_t* p, size_t n);

    State m_state = State::kMore;
    std::vector<KernelSurveyEntry> m_entries;
    int m_error = 0;
    size_t m_dropped = 0;
    bool m_interrupted = false;
};
