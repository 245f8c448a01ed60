#pragma once
// The value a survey point gives each metric of the coverage map, from its
// figures (PointFigures.h) and, for pass/fail, a requirement's verdict. No
// Qt; the window hands CollectMetricValues to the coverage map.
//
//   metric             value                                unknown (no value)
//   secondary signal   secondary_dbm; kNothingHeard where   -
//                      no secondary was heard (a gap pulls
//                      the map down, as for the signal)
//   usable APs         aps_usable                           -
//   co-channel count   cochannel                            no primary
//   SNR                snr_db                               noise not measured
//   pass/fail          kPassValue, kUnknownValue, kFailValue  no requirement
//   download, upload   TCP Mbit/s (2 decimals)              not measured
//
// A point without a value gives the map nothing: what nobody measured is
// left blank rather than coloured.

#include <optional>
#include <string>
#include <vector>

#include "coverage/CoverageLayer.h"
#include "coverage/NetworkChoice.h"
#include "requirements/PointFigures.h"
#include "requirements/Requirement.h"

// The value in the metric's unit; `requirement` may be null.
std::optional<double> MetricValueOf(Metric metric, const PointFigures& f,
                                    const Requirement* requirement);

// The network a choice of the map means to the figures: the SSID chosen,
// the SSID an access point chosen was heard with (nothing for all networks,
// or an access point the survey does not hold).
std::optional<std::string> FiguresNetwork(const CApList& survey, const NetworkChoice& choice);

// One value per point of `survey` that has one, in list order, into `out`
// (cleared first), in the layer's fixed-point unit. The figures are taken at
// the requirement's levels (the defaults without one); `measures[i]` belongs
// to the i-th point.
void CollectMetricValues(const CApList& survey, const NetworkChoice& choice, Metric metric,
                         const Requirement* requirement, const std::vector<PointMeasures>& measures,
                         std::vector<PointValue>& out);
