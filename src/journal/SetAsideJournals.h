#pragma once
// Journals set aside beside a site (recovery declined, a second survey of
// the site, a damaged journal's copy) still hold real points. These are the
// ones that belong to the very version of the site file that is open, so
// their points can be replayed onto it as a recovery replays the live one.

#include <ctime>
#include <string>
#include <vector>

#include "journal/JournalReader.h"

class CSiteRecord;

struct SetAsideJournal {
    std::string path;
    time_t setAside = 0;  // when it was set aside (from its name)
    JournalContents contents;
    // "Recover 3 survey points kept aside on 2026-12-07 06:15?" (local time)
    std::string Question() const;
};

// The journals set aside from the journal of `sitePath` ("office.hss.journal.
// 20261207-051500", "-2", ...) that are bound to the file `site` was read
// from (its fingerprint) and hold points or deletions, newest first. Reads
// only; a journal that cannot be read, or of another version, is left out.
std::vector<SetAsideJournal> FindSetAsideJournals(const std::string& sitePath,
                                                  const CSiteRecord& site);
