#pragma once
// What the journal records of a recorded point, taken from the survey as the
// recording left it: the entries RecordPoint appended and the counters.

#include <cstdint>

#include "journal/JournalFormat.h"

class CApList;
class CSiteRecord;
struct ApRecord;

// The point RecordPoint appended to `list` after `tail` (the list's Last()
// taken just before RecordPoint), with `site`'s counters and best RSSI after
// it. False when the appended entries do not share one position and name
// (never so for RecordPoint).
[[nodiscard]] bool CapturePoint(const CApList& list, const ApRecord* tail, const CSiteRecord& site,
                                JournalPoint& out);
