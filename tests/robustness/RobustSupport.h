#pragma once
// Helpers for the robustness tests and the surveyor programs they run (which
// include only this for what they share): the end of a scan, survey digests,
// the surveyors' reports and their kills, and the process's resident memory. The board's
// pseudo-terminal, its frames and report messages, hex, scratch directories and bounded waits come
// from tests/support.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BoardFrame.h"
#include "BoardPty.h"
#include "ScratchDir.h"
#include "SurveyEntries.h"
#include "TestBytes.h"
#include "WaitUntil.h"
#include "journal/SurveyJournal.h"
#include "site/SiteSave.h"

class CSurveyDocument;

// A copy of samples/office.hss as office.hss in `dir`; its path.
std::filesystem::path OfficeCopyIn(const ScratchDir& dir);

// Waits until the scan a tap started has ended, as the view sees it, and
// takes both flags down as the view does; false after `timeout`.
bool WaitForScanEnd(std::chrono::milliseconds timeout = std::chrono::seconds(5));

// The points section a save of `list` would write for `site`: its size and
// CRC-32, which stand for the survey as the file keeps it.
struct SurveyDigest {
    uint64_t size = 0;
    uint32_t crc = 0;
    bool operator==(const SurveyDigest&) const = default;
};
SurveyDigest DigestOf(const CSiteRecord& site, const CApList& list);

// The surveyor's side: after SurveyorReportsTo, each report line goes to
// the pipe in a single write (a short write ends the program with status
// 1); SurveyorFail says why on standard error and gives the exit status 1.
void SurveyorReportsTo(const char* program, int fd);
void SurveyorReport(const std::string& line);
int SurveyorFail(const std::string& what);

// When a kill test kills its surveyor: once the `occurrence`-th change of
// `kind` ('r' a point recorded, 'd' one deleted, 's' a save) has begun, after
// `delay`. Round r's: the kinds in turn, the first or second of them, within
// `changeUs` microseconds (a save: within 40 ms).
struct KillMoment {
    KillMoment(int round, std::mt19937& random, unsigned changeUs);
    char kind;
    int occurrence;
    std::chrono::microseconds delay;
};

// Starts the surveyor `program` as PROGRAM SITE FD FIRST with its reports
// coming on a pipe and kills it with SIGKILL at `when`: `begins`, given each
// report line in turn, says which change begins with it (0: none). Then reads
// what it reported before it died and waits for it. True when it was killed
// at the moment chosen (not for want of reports) and died of it.
bool RunAndKill(const char* program, const std::string& site, int first, const KillMoment& when,
                const std::function<char(const std::string&)>& begins);

// Reads the site at `path` as Open does, what `journal` finds beside it, and
// the file's points into `list` unless a recovery begins without them;
// nullopt when the site or its points do not read.
std::optional<JournalFinding> ReadWithJournal(const std::string& path,
                                              const CSurveyJournal& journal, CSiteRecord& site,
                                              CApList& list);

// Opens the site at `path` into `doc` as the window does, answering Yes to
// a recovery and keeping the file's points; the reason when it does not open.
std::string OpenRecovering(CSurveyDocument& doc, const std::string& path);
// The number of distinct places in `list`.
size_t PlacesIn(const CApList& list);

// A field of this process's /proc/self/status in kB ("VmRSS", "VmSize"); -1
// when it is not there.
long StatusKb(const char* field);
