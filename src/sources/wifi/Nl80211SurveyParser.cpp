#include "sources/wifi/Nl80211SurveyParser.h"

#include <linux/genetlink.h>
#include <linux/nl80211.h>

namespace {

using netlink::Read;

// Fills `entry` from the attributes nested in NL80211_ATTR_SURVEY_INFO;
// false when the nest is malformed or names no frequency.
bool ReadSurveyInfo(const uint8_t* p, size_t n, KernelSurveyEntry& entry) {
    bool hasFrequency = false;
    const bool whole =
        netlink::WalkAttributes(p, n, [&](uint16_t type, const uint8_t* v, size_t len) {
            switch (type) {
                case NL80211_SURVEY_INFO_FREQUENCY:
                    if (len != 4) return false;
                    entry.frequencyMhz = Read<uint32_t>(v);
                    hasFrequency = true;
                    return true;
                case NL80211_SURVEY_INFO_NOISE:
                    if (len != 1) return false;
                    entry.noiseDbm = static_cast<int8_t>(v[0]);
                    entry.hasNoise = true;
                    return true;
                case NL80211_SURVEY_INFO_IN_USE:
                    if (len != 0) return false;
                    entry.inUse = true;
                    return true;
                case NL80211_SURVEY_INFO_TIME:
                    if (len != 8) return false;
                    entry.timeMs = Read<uint64_t>(v);
                    entry.hasTime = true;
                    return true;
                case NL80211_SURVEY_INFO_TIME_BUSY:
                    if (len != 8) return false;
                    entry.timeBusyMs = Read<uint64_t>(v);
                    entry.hasTimeBusy = true;
                    return true;
                default:
                    return true;  // attributes this reader does not use
            }
        });
    return whole && hasFrequency;
}

}  // namespace

void Nl80211SurveyDumpParser::TakeFamilyMessage(const uint8_t* p, size_t n) {
    if (n < GENL_HDRLEN) {
        ++m_dropped;
        return;
    }
    bool found = false, good = false;
    KernelSurveyEntry entry;
    // A malformed attribute after a whole survey nest does not spoil the nest.
    netlink::WalkAttributes(p + GENL_HDRLEN, n - GENL_HDRLEN,
                            [&](uint16_t type, const uint8_t* v, size_t len) {
                                if (type != NL80211_ATTR_SURVEY_INFO || found) return true;
                                found = true;
                                good = ReadSurveyInfo(v, len, entry);
                                return true;
                            });
    if (good)
        m_entries.push_back(entry);
    else if (found)
        ++m_dropped;
}

Nl80211SurveyDumpParser::State Nl80211SurveyDumpParser::Feed(const uint8_t* data, size_t length) {
    m_state = netlink::FeedDump(data, length, m_state, m_error, m_dropped, m_interrupted,
                                [this](const uint8_t* p, size_t n) { TakeFamilyMessage(p, n); });
    return m_state;
}
