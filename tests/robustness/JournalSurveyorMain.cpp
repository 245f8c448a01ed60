// journal_surveyor SITE FD FIRST: surveys SITE as the program does, with the
// simulated board through the real worker and the survey journal beside the
// site, until it is killed (the journal kill test runs it). Opening the site
// recovers its journal, as the surveyor answering Yes would. The changes
// come in a fixed order: points, deletions of a random point, saves. Points
// are taken at distinct places numbered from FIRST.
//
// Reports on descriptor FD, one line per step, each in a single write:
//   O <size> <crc>     the site is open; the survey it holds (DigestOf)
//   P <r|d|s> <size> <crc>
//                      a point was recorded (r) or deleted (d) in memory and
//                      is about to be journalled, or a save begins (s); the
//                      survey now
//   D                  the journal holds it / the save and the new journal
//                      are done
// Exit status 1 when the site does not open, a scan never ends or a save
// fails.

#include "RobustSupport.h"
#include "board/ScannerBoard.h"
#include "boardsim/PtyBoardSim.h"
#include "link/BoardStartup.h"
#include "site/PointRun.h"

namespace {

std::string Text(const SurveyDigest& d) {
    return std::to_string(d.size) + " " + std::to_string(d.crc);
}

}  // namespace

int main(int argc, char** argv) {
    SurveyorReportsTo("journal_surveyor", argc == 4 ? std::atoi(argv[2]) : -1);
    if (argc != 4) return SurveyorFail("usage: journal_surveyor SITE FD FIRST");
    const std::string path = argv[1];
    const int first = std::atoi(argv[3]);

    CSiteRecord site;
    CSurveyJournal journal([](const std::string&, const std::string& text) {
        std::fprintf(stderr, "journal_surveyor: told: %s\n", text.c_str());
    });
    const std::optional<JournalFinding> found = ReadWithJournal(path, journal, site, surveyList);
    if (!found) return SurveyorFail("the site or its points do not read");
    if (found->kind == JournalFound::Recoverable)
        journal.Recover(*found, surveyList, site, {});
    else
        journal.Opened(*found, site, true);
    SurveyorReport("O " + Text(DigestOf(site, surveyList)));

    BoardStartupOptions options;
    options.simulate = true;
    options.simScanMs = 5;
    options.openPause = options.greetPause = options.closePause = std::chrono::milliseconds(0);
    CBoardStartup startup(std::move(options));
    startup.RunBlocking();
    if (startup.Simulator() == nullptr) return SurveyorFail("no simulated board");

    std::mt19937 random(static_cast<unsigned>(first));
    int taken = 0;
    const char pattern[] = "rrdrsrds";
    for (unsigned step = 0;; ++step) {
        switch (pattern[step % 8]) {
            case 'r': {
                const int n = first + taken++;
                const int32_t x = 20 + n % 30 * 25;
                const int32_t y = 20 + n / 30 % 20 * 25;
                startup.Simulator()->SetSurveyorPosition(x, y);
                site.BeginPoint(x, y, "TEST");
                theBoard.StartSurveyScan(true);  // as a tap does
                if (!WaitForScanEnd(std::chrono::seconds(30)))
                    return SurveyorFail("a scan never ended");
                const ApRecord* tail = surveyList.Last();
                site.RecordPoint();
                SurveyorReport("P r " + Text(DigestOf(site, surveyList)));
                journal.PointRecorded(surveyList, tail, site);
                SurveyorReport("D");
                break;
            }
            case 'd': {
                if (surveyList.IsEmpty()) break;
                ApRecord* r = nullptr;
                surveyList.GetAt(r, static_cast<int32_t>(random() % surveyList.Count()) + 1);
                if (site.SelectNearestPoint(r->x, r->y) != 1)
                    return SurveyorFail("no point to delete");
                const int32_t removed =
                    RemovePointRun(surveyList, site.m_selFirstIndex, site.m_selX, site.m_selY);
                SurveyorReport("P d " + Text(DigestOf(site, surveyList)));
                journal.PointDeleted({site.m_selFirstIndex, static_cast<int32_t>(site.m_selX),
                                      static_cast<int32_t>(site.m_selY), removed});
                SurveyorReport("D");
                break;
            }
            default: {
                SurveyorReport("P s " + Text(DigestOf(site, surveyList)));
                const auto now = static_cast<uint32_t>(100000 + first * 10 + step);
                journal.SaveStarting(site, surveyList, now);
                if (!SaveSiteFile(path, site, NoInk, surveyList, now).ok)
                    return SurveyorFail("a save failed");
                journal.Saved(site);
                SurveyorReport("D");
                break;
            }
        }
    }
}
