#pragma once
// Replaying a journal: its points and deletions applied to the survey list in
// their order, giving the list, the counters and the marks on the map that
// the survey had. Pure: the caller has emptied the list (ClearSurvey) and,
// when the journal's begin says so, loaded the site file's points into it
// first (ReadPoints, painting their circles), as the Open that began the
// journal did.

#include <cstddef>
#include <cstdint>
#include <vector>

class CApList;
struct JournalContents;

// A mark painted into the map, in paint order: a point's circle (centre,
// strength choosing the colour, the survey records it stands for), or the
// white disc that erased a deleted point (centre, the records deleted).
struct JournalMark {
    enum class Kind : uint8_t { Circle, EraseDisc };
    Kind kind = Kind::Circle;
    int32_t x = 0;
    int32_t y = 0;
    int16_t strength = 0;  // circles only
    int32_t records = 0;
    bool operator==(const JournalMark&) const = default;
};

struct JournalReplay {
    int32_t locationCount = 0;  // the site record's counters afterwards
    int32_t apCount = 0;
    int16_t bestRssi = -90;  // of the last point recorded
    std::vector<JournalMark> marks;
    size_t applied = 0;  // changes applied, from the first on
    // False when change number `applied` (a deletion) did not find its run
    // where the journal says it was; it and all after it were left out.
    bool complete = true;
};

JournalReplay ReplayJournal(const JournalContents& journal, CApList& list);
