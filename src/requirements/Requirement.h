#pragma once
// What the network must deliver at every place of the floor, and the
// verdict of a survey point against it. No Qt.
//
// A requirement is a built-in profile or a list of criteria:
//   data       primary=-70,snr=20
//   voice      primary=-67,secondary=-75,snr=25,cochannel=1
//   location   aps=3@-75
//   custom     NAME=VALUE[,NAME=VALUE...] of
//     primary=DBM     primary signal at least DBM (-120..0)
//     secondary=DBM   secondary signal at least DBM (-120..0)
//     snr=DB          SNR at least DB (0..100)
//     cochannel=N[@DBM]  at most N other BSSIDs on the primary's channel at or
//                     above DBM (default -85)
//     aps=N[@DBM]     at least N of the network's BSSIDs at or above DBM
//                     (default -75)
//     down=MBPS, up=MBPS  TCP throughput at least MBPS (0..100000)
// Every threshold is inclusive: -67 dBm passes "primary=-67".
//
// Verdict of a criterion at a point: fail where its figure is below (above,
// for cochannel) the threshold, and where a signal figure cannot exist: no
// primary (the network was not heard, or a placeholder) fails primary,
// secondary, snr and cochannel; no secondary fails secondary. Unknown where
// the figure was not measured: the noise of the primary's channel (snr), a
// throughput test (down, up). The point fails where any criterion fails,
// else is unknown where any is unknown, else passes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "requirements/PointFigures.h"

enum class Criterion : uint8_t { kPrimary, kSecondary, kSnr, kCochannel, kAps, kDown, kUp };
inline constexpr int kCriterionCount = 7;
// "primary", "secondary", ... as a list of criteria names them.
const char* CriterionName(Criterion c);

enum class Verdict : uint8_t { kPass, kUnknown, kFail };  // in rising severity
// "yes", "unknown", "no", as the export writes them.
const char* VerdictWord(Verdict v);
// The more severe of two verdicts.
inline Verdict Worse(Verdict a, Verdict b) { return a > b ? a : b; }

struct Requirement {
    std::string name;  // the profile's name, or "custom"
    std::optional<int32_t> primaryDbm;
    std::optional<int32_t> secondaryDbm;
    std::optional<int32_t> snrDb;
    std::optional<int32_t> cochannelMax;
    int32_t cochannelFloorDbm = kDefaultInterferenceFloorDbm;
    std::optional<int32_t> apsMin;
    int32_t apsLevelDbm = kDefaultUsableDbm;
    std::optional<double> downMbps;
    std::optional<double> upMbps;

    bool Has(Criterion c) const;
    // The levels its counting criteria are taken at.
    FigureLevels Levels() const { return {apsLevelDbm, cochannelFloorDbm}; }
    bool operator==(const Requirement&) const = default;
};

// The criteria as a custom list, in the order above: parsing it gives the
// same criteria back ("primary=-67,secondary=-75,snr=25,cochannel=1").
std::string RequirementCriteria(const Requirement& r);

struct RequirementParse {
    std::optional<Requirement> requirement;
    std::string error;  // one line naming the bad part, when there is none
};
// A profile's name or a list of criteria, as the surveyor types it.
RequirementParse ParseRequirement(std::string_view text);

struct PointVerdict {
    // Only the criteria the requirement has are set.
    std::array<std::optional<Verdict>, kCriterionCount> criteria{};
    Verdict overall = Verdict::kPass;

    std::optional<Verdict> Of(Criterion c) const { return criteria[static_cast<size_t>(c)]; }
};

// `f` taken at r.Levels().
PointVerdict Evaluate(const Requirement& r, const PointFigures& f);
// The overall verdict of a set of criterion verdicts.
Verdict Combine(const std::array<std::optional<Verdict>, kCriterionCount>& criteria);
// A throughput figure as the export shows it and the criterion compares it:
// rounded to hundredths of a Mbit/s, halves upward.
double RoundedMbps(double mbps);
