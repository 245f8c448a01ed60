#pragma once
// Which site file a survey store belongs to: the site file's version as the
// journal binds itself to it (size, lastSaveTime, CRC-32 of header and
// points section) and, apart from it, the floor plan (CRC-32 and length of
// the map bitmap section). A store of another version of the file keeps
// what belongs to the plan (its scale) while the plan is the same, and
// never its points' readings.

#include <cstdint>
#include <string>

#include "journal/JournalFormat.h"

class CApList;
class CSiteRecord;

struct StoreBinding {
    JournalBinding site;
    uint32_t planCrc = 0;
    uint64_t planBytes = 0;
    bool SamePlan(const StoreBinding& o) const {
        return planCrc == o.planCrc && planBytes == o.planBytes;
    }
    bool operator==(const StoreBinding&) const = default;
};

// The binding of the file `site` was read from (or last saved as), from its
// fingerprint; false without one.
bool StoreBindingOf(const CSiteRecord& site, StoreBinding& out);
// The binding the file has after SaveSiteFile(path, site, pixel, list, now):
// a save never changes the plan.
StoreBinding StoreBindingAfterSave(const StoreBinding& before, const CSiteRecord& site,
                                   const CApList& list, uint32_t now);

// "office.hss" -> "office.hss.survey".
std::string StorePathFor(const std::string& sitePath);
