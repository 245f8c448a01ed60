#pragma once
// What the journal records of a change, taken from the survey as the change
// left it: the entries RecordPoint appended, the counters, the circle; the
// run a deletion removed and its erase disc.

#include <cstdint>

#include "journal/JournalFormat.h"

class CApList;
class CSiteRecord;
struct ApRecord;

// The last record of `list` now (its sentinel when empty): RecordPoint will
// append after it. Take it just before RecordPoint.
const ApRecord* SurveyTail(const CApList& list);

// The point RecordPoint appended to `list` after `tail`, with `site`'s
// counters and best RSSI after it and the circle's centre (the map centre
// when the scan ended). False when the appended entries do not share one
// position and name (never so for RecordPoint).
bool CapturePoint(const CApList& list, const ApRecord* tail, const CSiteRecord& site,
                  int32_t circleX, int32_t circleY, JournalPoint& out);

// The deletion DeleteSelectedPoint made of `site`'s selected point (its run
// is m_selApCount records long: the run SelectNearestPoint counted), with the
// centre of the erase disc (the tap-and-hold position).
JournalDeletion CaptureDeletion(const CSiteRecord& site, int32_t discX, int32_t discY);
