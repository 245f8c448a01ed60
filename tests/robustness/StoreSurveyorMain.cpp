// store_surveyor SITE FD FIRST: surveys SITE through the survey document,
// with its journal and survey store beside the site, until it is killed (the
// store kill test runs it). Opening recovers the journal, as the surveyor
// answering Yes would. The changes come in a fixed order: points
// (StoreKillPoints.h, numbered from FIRST), deletions of a random point,
// saves. A number whose place the survey already holds is passed over:
// points at one place that a deletion brings together are one point group
// of the saved file, with both scans' readings, and the test knows a point
// by its place.
//
// Reports on descriptor FD, one line per step, each in a single write:
//   O <points>        the site is open with this many points
//   P <r|d|s>         a point is about to be recorded or deleted, or a save
//   D <points>        it is done; the survey has this many points
// Exit status 1 when the site does not open or a save fails.

#include "RobustSupport.h"
#include "StoreKillPoints.h"
#include "survey/SurveyDocument.h"

namespace {

std::string Points() { return std::to_string(PlacesIn(surveyList)); }

bool Surveyed(std::pair<int32_t, int32_t> place) {
    for (const ApRecord* e = surveyList.First(); e != nullptr;
         e = e->next == surveyList.Sentinel() ? nullptr : e->next)
        if (e->x == place.first && e->y == place.second) return true;
    return false;
}

// What a scan at point n heard, as a source merges it.
void Hear(int n) {
    const std::lock_guard<std::mutex> hold(scanListLock);
    for (int a = 0; a < storekill::ApsOf(n); ++a) {
        ApRecord* r = nullptr;
        if (scanList.NewRecord(r) != CApList::kOk) std::abort();
        r->mac[5] = static_cast<uint8_t>(a + 1);
        FormatMacText(r->mac, r->macText);
        std::snprintf(r->ssid, sizeof r->ssid, "ap%d", a + 1);
        r->channel = 6;
        r->readingCount = storekill::ReadingsOf(n, a);
        r->rssi = int64_t{storekill::DbmOf(n, a)} * r->readingCount;
        r->hasBeacon = 1;
        scanList.AddTail(r);
        scanList.BeginBatch();
        for (int i = 0; i < r->readingCount; ++i)
            scanList.LogReading(r->mac, storekill::DbmOf(n, a), ReadingSource::kBoard);
    }
}

}  // namespace

int main(int argc, char** argv) {
    SurveyorReportsTo("store_surveyor", argc == 4 ? std::atoi(argv[2]) : -1);
    if (argc != 4) return SurveyorFail("usage: store_surveyor SITE FD FIRST");
    const std::string path = argv[1];
    const int first = std::atoi(argv[3]);

    CSurveyDocument doc([](const std::string& caption, const std::string& text) {
        std::fprintf(stderr, "store_surveyor: told: %s: %s\n", caption.c_str(), text.c_str());
    });
    if (const std::string why = OpenRecovering(doc, path); !why.empty()) return SurveyorFail(why);
    if (!doc.Store().IsOpen()) return SurveyorFail("no survey store");
    SurveyorReport("O " + Points());

    std::mt19937 random(static_cast<unsigned>(first));
    int taken = 0;
    const char pattern[] = "rrdrsrds";
    for (unsigned step = 0;; ++step) {
        switch (pattern[step % 8]) {
            case 'r': {
                int n = (first + taken++) % storekill::kPlaces;
                while (Surveyed(storekill::PlaceOf(n))) n = (first + taken++) % storekill::kPlaces;
                const auto [x, y] = storekill::PlaceOf(n);
                doc.BeginPoint(x, y);
                Hear(n);
                SurveyorReport("P r");
                doc.Apply(RecordScanCommand{});
                break;
            }
            case 'd': {
                if (surveyList.IsEmpty()) continue;
                ApRecord* r = nullptr;
                surveyList.GetAt(r, static_cast<int32_t>(random() % surveyList.Count()) + 1);
                if (!doc.SelectNearestPoint(r->x, r->y)) return SurveyorFail("no point to delete");
                SurveyorReport("P d");
                doc.Apply(DeletePointCommand::OfSelection(*doc.Site()));
                break;
            }
            default: {
                SurveyorReport("P s");
                if (!doc.Save(NoInk, static_cast<uint32_t>(100000 + first * 10 + step)).ok)
                    return SurveyorFail("a save failed");
                break;
            }
        }
        SurveyorReport("D " + Points());
    }
}
