#pragma once
// What the surveyor reads of a point's throughput test in the point's
// information, line by line. No Qt: the dialog only lays the lines out.
//
//   measured      "Down 94.1 Mbit/s  Up 40.2 Mbit/s"
//                 "RTT 0.12 ms  Retransmits 3"     (the parts reported; no line without)
//                 "UDP jitter 0.012 ms  loss 0.00 %"   (with a UDP test only)
//   not measured  "throughput not measured: REASON"    (one line; the dialog wraps it)

#include <string>
#include <vector>

#include "throughput/ThroughputResult.h"

std::vector<std::string> ThroughputSummaryLines(const ThroughputOutcome& outcome);

// "throughput not measured: " and the outcome's reason.
std::string NotMeasuredText(const ThroughputOutcome& outcome);
