#include "RobustSupport.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>

#include "board/ScannerBoard.h"
#include "common/Crc32.h"
#include "survey/SiteLoader.h"
#include "survey/SurveyDocument.h"

std::filesystem::path OfficeCopyIn(const ScratchDir& dir) {
    return dir.Write("office.hss",
                     ReadFileBytes(std::filesystem::path(PELLORIN_SAMPLES) / "office.hss"));
}

bool WaitForScanEnd(std::chrono::milliseconds timeout) {
    if (!WaitUntil(
            [] {
                return theBoard.m_bScanStarted.load() != 0 && theBoard.m_bScanComplete.load() != 0;
            },
            timeout))
        return false;
    theBoard.m_bScanStarted = 0;
    theBoard.m_bScanComplete = 0;
    return true;
}

SurveyDigest DigestOf(const CSiteRecord& site, const CApList& list) {
    CSiteRecord scratch = site;
    const std::vector<uint8_t> points = EncodePointsSection(scratch, list);
    return {points.size(), Crc32(points.data(), points.size())};
}

long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    const std::string key = std::string(field) + ":";
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
    return -1;
}

namespace {
const char* g_surveyor = "surveyor";
int g_reports = -1;
}  // namespace

void SurveyorReportsTo(const char* program, int fd) {
    g_surveyor = program;
    g_reports = fd;
}

void SurveyorReport(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(g_reports, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        std::exit(1);
}

int SurveyorFail(const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", g_surveyor, what.c_str());
    return 1;
}

KillMoment::KillMoment(int round, std::mt19937& random, unsigned changeUs)
    : kind("rds"[round % 3]),
      occurrence(1 + static_cast<int>(random() % 2)),
      delay(random() % (kind == 's' ? 40000 : changeUs)) {}

bool RunAndKill(const char* program, const std::string& site, int first, const KillMoment& when,
                const std::function<char(const std::string&)>& begins) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return false;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const std::string fd = std::to_string(pipeFds[1]), from = std::to_string(first);
        ::execl(program, program, site.c_str(), fd.c_str(), from.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    const int reports = pipeFds[0];
    if (child < 0) {
        ::close(reports);
        return false;
    }
    // The report lines as they come; nullopt at the end of the pipe or after
    // 60 s of silence.
    std::string buffer;
    const auto next = [&]() -> std::optional<std::string> {
        for (size_t nl; (nl = buffer.find('\n')) == std::string::npos;) {
            pollfd p{reports, POLLIN, 0};
            char chunk[4096];
            const ssize_t got =
                ::poll(&p, 1, 60000) > 0 ? ::read(reports, chunk, sizeof chunk) : -1;
            if (got <= 0) return std::nullopt;
            buffer.append(chunk, static_cast<size_t>(got));
        }
        std::string line = buffer.substr(0, buffer.find('\n'));
        buffer.erase(0, line.size() + 1);
        return line;
    };
    // Every line up to the end of the pipe, which comes once the child died.
    bool killed = false;
    int seen = 0;
    for (std::optional<std::string> line; (line = next());)
        if (begins(*line) == when.kind && ++seen == when.occurrence && !killed) {
            std::this_thread::sleep_for(when.delay);
            killed = ::kill(child, SIGKILL) == 0;
        }
    if (!killed) ::kill(child, SIGKILL);
    int status = 0;
    const bool bySignal = ::waitpid(child, &status, 0) == child && WIFSIGNALED(status);
    ::close(reports);
    return killed && bySignal;
}

std::optional<JournalFinding> ReadWithJournal(const std::string& path,
                                              const CSurveyJournal& journal, CSiteRecord& site,
                                              CApList& list) {
    if (!ReadSiteForOpen(path, site)) return std::nullopt;
    JournalFinding found = journal.Inspect(path, site);
    FileSource src(path);
    if ((found.kind != JournalFound::Recoverable || found.contents.begin.keepPoints) &&
        !ReadPoints(src, site, list, nullptr).ok)
        return std::nullopt;
    return found;
}

std::string OpenRecovering(CSurveyDocument& doc, const std::string& path) {
    CSiteLoader loader(path);
    if (const SiteStatus s = loader.ReadPlan(); !s.ok) return s.text;
    SiteOpening opening = doc.Prepare(loader);
    OpenChoice choice;
    choice.keptPoints = true;
    if (opening.journal.kind == JournalFound::Recoverable) {
        choice.recover = OpenChoice::Recover::kJournal;
        choice.keptPoints = opening.journal.contents.begin.keepPoints;
    }
    if (choice.keptPoints)
        if (const SiteStatus s = loader.ReadPoints(); !s.ok) return s.text;
    doc.Adopt(loader, opening, choice);
    return {};
}

size_t PlacesIn(const CApList& list) {
    std::set<std::pair<int32_t, int32_t>> places;
    for (const SurveyEntry& e : AsStored(list)) places.emplace(e.x, e.y);
    return places.size();
}
