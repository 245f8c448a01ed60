#pragma once
// Whether a journal belongs to a site file exactly as it lies on the disk:
// the same size, the same lastSaveTime and the same header and points
// section (CRC-32). A journal of another file, or of this file before a save
// elsewhere, must never be replayed onto it.

#include "journal/JournalFormat.h"

class IByteSource;
struct JournalContents;

// The binding of `site`; false when the file is too short for a header or its
// pointsOffset lies outside it.
bool ComputeSiteBinding(IByteSource& site, JournalBinding& out);

enum class JournalMatch {
    Matches,
    OtherFile,  // the journal was begun on another file, or on another version of this one
    Unbound,    // the journal has no whole begin record
};
JournalMatch MatchJournal(const JournalContents& journal, IByteSource& site);
