#pragma once
// The per-point export: one row per point group of the survey, in list
// order, with the figures of the chosen network, the throughput measured
// there and the verdict of a requirement. No Qt; the site tool writes the
// rows as CSV or JSON.
//
//   column         what                                         empty where
//   x, y           the point's place, plan pixels
//   point          its name ("TEST"), decoded as the entry export decodes it
//   aps            its access-point records (0 for a placeholder)
//   primary_dbm    the strongest record of the network          no primary
//   primary_mac    its BSSID, 12 upper-case hex digits           no primary
//   primary_ssid   its SSID, decoded                              no primary
//   primary_channel its channel number                            no primary
//   secondary_dbm, secondary_mac  the strongest other BSSID of it  none
//   aps_usable     the network's BSSIDs at or above the usable level
//   cochannel      other BSSIDs on the primary's channel >= floor  no primary
//   overlap        others 1..4 channels away on 2.4 GHz >= floor   no primary
//   noise_dbm, snr_db  the primary channel's noise, primary - noise  not measured
//   down_mbps, up_mbps  TCP throughput (2 decimals)                not measured
//   rtt_ms         mean TCP round-trip time (3 decimals)          not measured
//   retransmits    TCP retransmits of both directions             not measured
//   udp_jitter_ms, udp_loss_pct  the UDP test's (3 and 2 decimals)  no UDP test
//   pass           yes, no or unknown                              no requirement

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "requirements/PointFigures.h"
#include "requirements/Requirement.h"

inline constexpr size_t kPerPointColumnCount = 22;
extern const std::array<const char*, kPerPointColumnCount> kPerPointColumns;

struct ExportCell {
    enum class Kind : uint8_t { kEmpty, kInteger, kDecimal, kText };
    Kind kind = Kind::kEmpty;
    int64_t integer = 0;
    double decimal = 0;  // already rounded to `decimals` places
    int decimals = 0;
    std::string text;   // UTF-8, exact (JSON, a raw CSV)
    std::string shown;  // the same text for people: control characters as "\x11"

    // The cell as CSV shows it, before quoting ("" for an empty cell).
    std::string Text() const;
};

using PerPointRow = std::array<ExportCell, kPerPointColumnCount>;

// `ssid`: the network's bytes, or nothing for all networks; `requirement`
// may be null (then `pass` is empty and the levels are the defaults).
std::vector<PerPointRow> PerPointRows(const CApList& survey, const std::optional<std::string>& ssid,
                                      const Requirement* requirement,
                                      const std::vector<PointMeasures>& measures = {});

// The SSID whose decoded name (as every screen and the report show it:
// "(hidden)" for an empty one) is `name`, among those heard in `survey`.
std::optional<std::string> SsidNamed(const CApList& survey, std::string_view name);
