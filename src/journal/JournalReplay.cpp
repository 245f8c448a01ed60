#include "journal/JournalReplay.h"

#include <cstring>

#include "aplist/ApList.h"
#include "journal/JournalReader.h"
#include "site/PointRun.h"
#include "site/SiteRecord.h"

namespace {

int32_t AddEntries(const JournalPoint& point, CApList& list) {
    int32_t added = 0;
    for (const JournalEntry& e : point.entries) {
        ApRecord* r = nullptr;
        if (list.NewRecord(r) != CApList::kOk) continue;  // as recording leaves it out
        r->x = point.x;
        r->y = point.y;
        std::memcpy(r->pointName, point.name, sizeof r->pointName);
        r->channel = e.channel;
        r->rssi = e.rssi;
        std::memcpy(r->mac, e.mac, sizeof r->mac);
        std::memcpy(r->macText, e.macText, sizeof r->macText);
        std::memcpy(r->ssid, e.ssid, sizeof r->ssid);
        list.AddTail(r);
        ++added;
    }
    return added;
}

}  // namespace

JournalReplay ReplayJournal(const JournalContents& journal, CApList& list, CSiteRecord& site,
                            const ReplaySink& sink, MissingRun missing) {
    JournalReplay out;
    out.appliedEnd = journal.beginEnd;
    site.m_locationCount = journal.begin.locationCount;
    site.m_apCount = journal.begin.apCount;
    for (const JournalChange& change : journal.changes) {
        if (const auto* p = std::get_if<JournalPoint>(&change)) {
            const int32_t added = AddEntries(*p, list);
            site.m_pendingX = p->x;
            site.m_pendingY = p->y;
            std::memcpy(site.m_pendingName, p->name, sizeof site.m_pendingName);
            site.m_bestRssi = p->strength;
            site.m_locationCount = p->locationCount;
            site.m_apCount = p->apCount;
            if (sink.point) sink.point(added);
        } else {
            const auto& d = std::get<JournalDeletion>(change);
            // The run must be there as it was when the point was deleted.
            if (CountPointRun(list, d.firstIndex, d.x, d.y) == d.removed) {
                RemovePointRun(list, d.firstIndex, d.x, d.y);
                if (sink.deletion) sink.deletion(d.firstIndex, d.removed);
            } else if (missing == MissingRun::Skip) {
                ++out.skipped;
            } else {
                out.complete = false;
                break;
            }
        }
        if (out.applied < journal.changeEnds.size())
            out.appliedEnd = journal.changeEnds[out.applied];
        ++out.applied;
    }
    // Nothing was left out: the journal goes on after all its records.
    if (out.complete) out.appliedEnd = journal.validEnd;
    return out;
}
