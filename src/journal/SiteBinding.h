#pragma once
// Whether a journal belongs to a site file exactly as it lies on the disk:
// the same size, the same lastSaveTime and the same header and points
// section (CRC-32). A journal of another file, or of this file before a save
// elsewhere, must never be replayed onto it.

#include <cstdint>

#include "journal/JournalFormat.h"

class CApList;
class CSiteRecord;
class IByteSource;
struct JournalContents;

// The binding of `site`; false when the file is too short for a header or its
// pointsOffset lies outside it.
[[nodiscard]] bool ComputeSiteBinding(IByteSource& site, JournalBinding& out);
// The binding of the file `site` was read from (or last saved as), from its
// fingerprint without reading the file again; false without a fingerprint.
[[nodiscard]] bool SiteBindingOf(const CSiteRecord& site, JournalBinding& out);
// The binding of the file SaveSiteFile(path, site, pixel, list, now) leaves.
JournalBinding BindingAfterSave(const CSiteRecord& site, const CApList& list, uint32_t now);

enum class JournalMatch {
    Matches,
    Saved,      // the journal ends with the save that wrote this very file
    OtherFile,  // the journal was begun on another file, or on another version of this one
    Unbound,    // the journal has no whole begin record
};
JournalMatch MatchJournal(const JournalContents& journal, const JournalBinding& site);
JournalMatch MatchJournal(const JournalContents& journal, IByteSource& site);
