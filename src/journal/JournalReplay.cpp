#include "journal/JournalReplay.h"

#include <cstring>

#include "aplist/ApList.h"
#include "journal/JournalReader.h"
#include "site/PointRun.h"

namespace {

void AddEntries(const JournalPoint& point, CApList& list) {
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
    }
}

}  // namespace

JournalReplay ReplayJournal(const JournalContents& journal, CApList& list) {
    JournalReplay out;
    out.locationCount = journal.begin.locationCount;
    out.apCount = journal.begin.apCount;
    for (const JournalChange& change : journal.changes) {
        if (const auto* p = std::get_if<JournalPoint>(&change)) {
            AddEntries(*p, list);
            out.locationCount = p->locationCount;
            out.apCount = p->apCount;
            out.bestRssi = p->strength;
            out.marks.push_back({JournalMark::Kind::Circle, p->circleX, p->circleY, p->strength,
                                 static_cast<int32_t>(p->entries.size())});
        } else {
            const auto& d = std::get<JournalDeletion>(change);
            // The run must be there as it was when the point was deleted.
            if (CountPointRun(list, d.firstIndex, d.x, d.y) != d.removed) {
                out.complete = false;
                break;
            }
            RemovePointRun(list, d.firstIndex, d.x, d.y);
            out.marks.push_back({JournalMark::Kind::EraseDisc, d.discX, d.discY, 0, d.removed});
        }
        ++out.applied;
    }
    return out;
}
