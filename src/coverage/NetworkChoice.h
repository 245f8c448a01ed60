#pragma once
// Which network the coverage map shows, and the value each survey point
// gives it:
// - strongest of all (the default): the strongest reading at the point;
// - one SSID: the strongest reading of any access point with that SSID;
// - one access point: its strongest reading (a point that merges two
//   measurements at the same place may hold it twice).
// A point where the chosen network was not heard, and a point that holds
// only a placeholder, counts as nothing heard: kNothingHeard. To a surveyor
// that is a gap, and it must pull the map down around it rather than leave
// the neighbours' colour to spread over it.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "coverage/CoverageLayer.h"
#include "coverage/SurveyPoints.h"

inline constexpr int32_t kNothingHeard = -100;

struct NetworkChoice {
    enum class Kind : uint8_t { StrongestOfAll, Ssid, AccessPoint };
    Kind kind = Kind::StrongestOfAll;
    std::string ssid;  // Kind::Ssid: the SSID's bytes as heard
    MacAddress mac{};  // Kind::AccessPoint

    static NetworkChoice StrongestOfAll() { return {}; }
    static NetworkChoice OfSsid(std::string bytes) { return {Kind::Ssid, std::move(bytes), {}}; }
    static NetworkChoice OfAccessPoint(const MacAddress& mac) {
        return {Kind::AccessPoint, {}, mac};
    }
    // A reading (not a placeholder) of the chosen network.
    bool Hears(const ApRecord& e) const;
    bool operator==(const NetworkChoice&) const = default;
};

// One value per point of `survey`, in list order, into `out` (cleared first;
// its capacity is reused): the signal in whole dBm, limited to -128..127
// (what the site file can hold).
void CollectPointValues(const CApList& survey, const NetworkChoice& choice,
                        std::vector<PointValue>& out);
