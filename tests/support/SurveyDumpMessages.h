#pragma once
// An nl80211 channel-survey dump as the kernel sends it, for the parser's
// tests and the fuzzer's seeds (header-only, on the scan dump's builder).

#include <optional>

#include "ScanDumpMessages.h"

namespace surveydump {

using scandump::Bytes;

struct Survey {
    uint32_t frequency = 2437;
    std::optional<uint8_t> noise = static_cast<uint8_t>(-92);
    bool inUse = false;
    std::optional<uint64_t> time = 1000, busy = 250;
};

// The attributes nested in NL80211_ATTR_SURVEY_INFO.
inline Bytes SurveyNest(const Survey& s) {
    using namespace scandump;
    Bytes n = Attr(NL80211_SURVEY_INFO_FREQUENCY, Value(s.frequency));
    if (s.noise) n = Cat(n, Attr(NL80211_SURVEY_INFO_NOISE, {*s.noise}));
    if (s.inUse) n = Cat(n, Attr(NL80211_SURVEY_INFO_IN_USE, {}));
    if (s.time) n = Cat(n, Attr(NL80211_SURVEY_INFO_TIME, Value(*s.time)));
    if (s.busy) n = Cat(n, Attr(NL80211_SURVEY_INFO_TIME_BUSY, Value(*s.busy)));
    return n;
}

// A message of the dump: the generic-netlink header, the interface, the nest.
inline Bytes SurveyEntry(const Bytes& nest, uint16_t flags = NLM_F_MULTI) {
    using namespace scandump;
    const Bytes genl = {NL80211_CMD_NEW_SURVEY_RESULTS, 1, 0, 0};
    return Message(Cat(Cat(genl, Attr(NL80211_ATTR_IFINDEX, Value<uint32_t>(3))),
                       Attr(NLA_F_NESTED | NL80211_ATTR_SURVEY_INFO, nest)),
                   0x1c, flags);
}

}  // namespace surveydump
