#pragma once
// Replaying a journal: its points and deletions applied to the survey in
// their order, giving the list, the counters and the circles that the survey
// had. The caller has emptied the list (ClearSurvey) and, when the journal's
// begin says so, loaded the site file's points into it first (ReadPoints,
// painting their circles), as the Open that began the journal did; the sink
// then paints each change as recording and deletion painted it.

#include <cstddef>
#include <cstdint>
#include <functional>

class CApList;
class CSiteRecord;
struct JournalContents;

struct ReplaySink {
    // A point's `records` entries were appended; `site` holds it as its
    // pending point (position, name), with its best RSSI and the counters
    // after it, as RecordPoint left them.
    std::function<void(int32_t records)> point;
    // The run of `removed` records from list position `first` was deleted.
    std::function<void(int32_t first, int32_t removed)> deletion;
};

struct JournalReplay {
    size_t applied = 0;  // changes applied (or skipped), from the first on
    size_t skipped = 0;  // deletions left out (MissingRun::Skip)
    // False when change number `applied` (a deletion) did not find its run
    // where the journal says it was; it and all after it were left out.
    bool complete = true;
    // Where the record of the last change applied ends in the journal file:
    // a journal that goes on after the replay is cut there.
    uint64_t appliedEnd = 0;
};

// What a deletion whose run is not where the journal says does to a replay:
// end it there (the survey is not the one the journal began on), or, for a
// journal applied to another version of its file by position, leave that
// deletion out and go on.
enum class MissingRun { Stop, Skip };

// Sets `site`'s counters to the journal's begin, then applies the changes.
JournalReplay ReplayJournal(const JournalContents& journal, CApList& list, CSiteRecord& site,
                            const ReplaySink& sink = {}, MissingRun missing = MissingRun::Stop);
