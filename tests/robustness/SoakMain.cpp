// soak_test SECONDS [SCAN_MS]: the simulated board streams survey scans back
// to back through the real worker on a pseudo-terminal while points are
// recorded after each scan, older points are deleted once the survey holds
// 100 of them, and a copy of samples/office.hss is saved every 20 points.
// Fails (exit 1) when a scan goes unrecorded, a save fails, the saved file
// does not read back with exactly the survey, or resident memory after the
// warm-up grows by 5 % or more.

#include <deque>

#include "CountingNotifier.h"
#include "RobustSupport.h"
#include "board/ScannerBoard.h"
#include "boardsim/PtyBoardSim.h"
#include "link/BoardStartup.h"
#include "link/BoardWorker.h"
#include "site/PointRun.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t kSurveyPoints = 100;  // then each new point costs the oldest

int Fail(const char* what) { return SurveyorFail(std::string("FAILED: ") + what); }

}  // namespace

int main(int argc, char** argv) {
    SurveyorReportsTo("soak", -1);  // it reports only on failure
    const double seconds = argc > 1 ? std::atof(argv[1]) : 120;
    const int64_t scanMs = argc > 2 ? std::atoll(argv[2]) : 60;
    const auto warmUp = std::chrono::duration<double>(std::min(20.0, seconds / 5));

    ScratchDir dir;
    const fs::path sitePath = OfficeCopyIn(dir);
    CSiteRecord site;
    if (!ReadSiteForOpen(sitePath.string(), site)) return Fail("samples/office.hss does not open");

    CountingNotifier draws;
    BoardStartupOptions options;
    options.simulate = true;
    options.simScanMs = scanMs;
    options.notifier = &draws;
    options.message = [](const std::string& text) {
        std::fprintf(stderr, "soak: %s\n", text.c_str());
    };
    options.openPause = options.greetPause = options.closePause = std::chrono::milliseconds(0);
    CBoardStartup startup(std::move(options));
    startup.RunBlocking();
    if (!startup.Simulator()) return Fail("no simulated board");
    if (!WaitUntil([] {
            char s[32];
            theBoard.GetSerial(s);
            return std::string(s) != "XXXXXX";
        }))
        return Fail("the simulated board did not answer the greeting");

    long scans = 0, saves = 0, deleted = 0, missed = 0;
    std::deque<std::pair<int32_t, int32_t>> points;  // recorded and not deleted, oldest first
    long rssStart = -1, rssPeak = 0;
    const auto start = Clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start); };
    while (elapsed().count() < seconds) {
        // Walk a path through the office, never twice on one spot in a row.
        const int32_t x = static_cast<int32_t>(40 + (scans * 37) % 720);
        const int32_t y = static_cast<int32_t>(40 + (scans * 53) % 480);
        startup.Simulator()->SetSurveyorPosition(x, y);
        site.BeginPoint(x, y, "TEST");
        theBoard.StartSurveyScan(true);  // as a tap does
        if (!WaitForScanEnd(std::chrono::seconds(10))) {
            if (++missed > 3) break;
            continue;
        }
        site.RecordPoint();
        ++scans;
        points.emplace_back(x, y);
        if (points.size() > kSurveyPoints) {
            const auto [ox, oy] = points.front();
            points.pop_front();
            if (site.SelectNearestPoint(ox, oy) == 1 && site.m_selX == ox && site.m_selY == oy) {
                RemovePointRun(surveyList, site.m_selFirstIndex, site.m_selX, site.m_selY);
                ++deleted;
            }
        }
        if (scans % 20 == 0) {
            if (!SaveSiteFile(sitePath.string(), site, NoInk, surveyList, 1000 + saves).ok)
                return Fail("a save failed");
            ++saves;
        }
        const long rss = StatusKb("VmRSS");
        // Warm-up ends once the survey is full and older points are being
        // deleted: from then on the survey's size stays the same.
        if (rssStart < 0 && deleted > 0 && elapsed() >= warmUp) rssStart = rss;
        if (rssStart >= 0 && rss > rssPeak) rssPeak = rss;
    }
    const double duration = elapsed().count();
    const long rssEnd = StatusKb("VmRSS");
    const uint64_t simScans = startup.Simulator()->Stats().scans;
    const double cpu = startup.Worker()->CpuSeconds();
    startup.Stop();

    if (!SaveSiteFile(sitePath.string(), site, NoInk, surveyList, 9999).ok)
        return Fail("the last save failed");
    std::vector<SurveyEntry> stored;
    const bool readBack = ReadStoredPoints(sitePath, stored);

    const double growth = rssStart > 0 ? 100.0 * (rssEnd - rssStart) / rssStart : 0;
    std::printf(
        "soak: %.1f s, %ld scans (board sent %llu), %ld deleted, %ld saves, %d entries in the "
        "survey\n"
        "soak: resident memory after warm-up %ld kB, at the end %ld kB (peak %ld kB, %+.2f %%)\n"
        "soak: worker CPU %.2f s (%.2f %% of one core), %d draws\n",
        duration, scans, static_cast<unsigned long long>(simScans), deleted, saves,
        surveyList.Count(), rssStart, rssEnd, rssPeak, growth, cpu, 100 * cpu / duration,
        draws.Count());

    if (missed > 0) return Fail("a scan never finished");
    if (static_cast<uint64_t>(scans) != simScans)
        return Fail("a scan the board ran went unrecorded");
    if (scans == 0) return Fail("no scan at all");
    if (!readBack) return Fail("the saved site does not open");
    if (stored != AsStored(surveyList)) return Fail("the saved points differ from the survey");
    if (rssStart < 0) return Fail("the run was too short to warm up");
    if (growth >= 5.0) return Fail("resident memory grew by 5 % or more");
    std::printf("soak: passed\n");
    return 0;
}
