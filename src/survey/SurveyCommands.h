#pragma once
// The edits of a survey, as named commands that CSurveyDocument applies (and
// nothing else makes): the scan just finished becomes a point, a recorded
// point goes. Each edit's result says what it changed, so the journal, the
// map and the window are told exactly that and never work it out from a
// difference of counts.

#include <cstdint>

class CSiteRecord;

// The scan in scanList becomes the pending point's records (one per access
// point heard, or the "FILL" placeholder when none was).
struct RecordScanCommand {};

// The run of records of the point at (x, y) that starts at list position
// `firstRecord` (1-based) goes.
struct DeletePointCommand {
    int32_t firstRecord = 0;
    int32_t x = 0;
    int32_t y = 0;
    // The point a tap-and-hold selected on `site`.
    static DeletePointCommand OfSelection(const CSiteRecord& site);
};

// What recording did.
struct RecordedPoint {
    int32_t x = 0;  // where the records say the point is
    int32_t y = 0;
    int16_t bestRssi = -90;   // picks the circle's colour
    int32_t firstRecord = 0;  // list position of its first record
    int32_t records = 0;      // how many were appended
    bool heard = false;       // false: the placeholder, nothing was heard
};

// What a deletion took away (records 0: nothing, the point was not there).
struct DeletedPoint {
    int32_t firstRecord = 0;
    int32_t records = 0;
    int32_t x = 0;
    int32_t y = 0;
};
