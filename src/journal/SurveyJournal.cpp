#include "journal/SurveyJournal.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "aplist/ApList.h"
#include "journal/JournalCapture.h"
#include "journal/SiteBinding.h"
#include "site/SiteRecord.h"

namespace {

std::string FileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string Counted(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Applied points of a replay.
size_t PointsIn(const JournalContents& c, size_t changes) {
    size_t n = 0;
    for (size_t i = 0; i < changes && i < c.changes.size(); ++i)
        n += std::holds_alternative<JournalPoint>(c.changes[i]);
    return n;
}

}  // namespace

std::string RecoverQuestion(const JournalContents& contents, const std::string& when,
                            const std::string& deletionsWhen) {
    const size_t points = contents.PointCount();
    if (points > 0)
        return "Recover " + Counted(points, "survey point", "survey points") + " " + when + "?";
    return "Recover " +
           Counted(contents.DeletionCount(), "deletion of a survey point",
                   "deletions of survey points") +
           " " + deletionsWhen + "?";
}

std::string JournalFinding::Question() const {
    return RecoverQuestion(contents, "recorded after the last save", "made after the last save");
}

CSurveyJournal::CSurveyJournal(Tell tell)
    : m_tell(std::move(tell)),
      m_clock([] { return std::time(nullptr); }),
      m_writer(std::make_unique<JournalWriter>(m_posix)) {}

CSurveyJournal::~CSurveyJournal() {
    // The program is ending: no window is left to show a box in.
    m_tell = [](const std::string& caption, const std::string& text) {
        std::fprintf(stderr, "pellorin: %s: %s\n", caption.c_str(), text.c_str());
    };
    Leave();
}

void CSurveyJournal::UseFileOps(FileOps* ops) {
    Leave();
    m_ops = ops;
    m_writer = std::make_unique<JournalWriter>(Ops());
}

void CSurveyJournal::UseClock(std::function<time_t()> clock) { m_clock = std::move(clock); }

JournalFinding CSurveyJournal::Inspect(const std::string& sitePath, const CSiteRecord& site) const {
    JournalFinding found;
    found.path = JournalPathFor(sitePath);
    // Reading goes through the plain calls: only writing needs to be failed
    // in tests, and a journal that cannot be read is set aside like a foreign one.
    struct stat st {};
    if (::lstat(found.path.c_str(), &st) != 0 && errno == ENOENT) return found;
    if (!m_path.empty() && m_writer->IsItsFile(st)) {
        found.kind = JournalFound::Live;
        return found;
    }
    JournalFile file = ReadJournalFile(found.path);
    if (!file.exists) return found;
    found.kind = JournalFound::Foreign;
    if (!file.error.empty()) {
        found.why = "it cannot be read (" + file.error + ")";
        return found;
    }
    const JournalContents& c = file.contents;
    if (!c.hasBegin) {
        // A journal whose begin was cut short by a crash binds to nothing
        // and holds nothing.
        if (c.end == JournalEnd::TornTail) found.kind = JournalFound::Empty;
        found.why = "it is not a survey journal";
        return found;
    }
    JournalBinding binding;
    const JournalMatch match =
        SiteBindingOf(site, binding) ? MatchJournal(c, binding) : JournalMatch::OtherFile;
    if (match == JournalMatch::OtherFile || match == JournalMatch::Unbound) {
        found.why = "it was written for another version of this site file";
        return found;
    }
    if (match == JournalMatch::Saved || c.changes.empty()) {
        found.kind = JournalFound::Empty;
        return found;
    }
    found.kind = JournalFound::Recoverable;
    found.contents = std::move(file.contents);
    return found;
}

JournalReplay CSurveyJournal::Recover(const JournalFinding& found, CApList& list, CSiteRecord& site,
                                      const ReplaySink& sink) {
    Leave();
    m_told = false;
    m_path = found.path;
    const JournalReplay replay = ReplayJournal(found.contents, list, site, sink);
    m_unsaved = true;
    // Only a torn tail (a write cut short by the crash) may be cut off
    // without a copy: anything else behind the replayed part is kept.
    const bool whole = replay.complete && found.contents.end != JournalEnd::Corrupt;
    std::string aside;
    if (!whole) {
        const JournalStatus copied = CopyJournalAside(Ops(), found.path, Now(), &aside);
        if (!copied.ok) {
            Failed(copied);
            return replay;
        }
    }
    const JournalStatus status = m_writer->Continue(found.path, replay.appliedEnd);
    if (!whole)
        m_tell(kRecoverCaption, "The survey journal is damaged after " +
                                    Counted(PointsIn(found.contents, replay.applied),
                                            "survey point", "survey points") +
                                    "; the survey was recovered up to there. The whole journal "
                                    "was kept as " +
                                    FileName(aside) + ".");
    if (!status.ok) Failed(status);
    return replay;
}

JournalReplay CSurveyJournal::RecoverAside(const JournalFinding& found,
                                           const std::string& asidePath,
                                           const JournalContents& contents, CApList& list,
                                           CSiteRecord& site, const ReplaySink& sink) {
    Leave();
    Settle(found);
    if (Ops().RenameNoReplace(asidePath.c_str(), found.path.c_str()) == 0) {
        JournalFinding back = found;
        back.kind = JournalFound::Recoverable;
        back.contents = contents;
        return Recover(back, list, site, sink);
    }
    const JournalStatus moved = JournalStatus::Fail(errno);
    m_told = false;
    m_path = found.path;
    const JournalReplay replay = ReplayJournal(contents, list, site, sink);
    m_unsaved = true;
    Failed(moved);
    return replay;
}

void CSurveyJournal::Opened(const JournalFinding& found, const CSiteRecord& site, bool keptPoints) {
    Leave();
    Settle(found);
    JournalBegin begin;
    begin.keepPoints = keptPoints;
    if (SiteBindingOf(site, begin.binding)) Begin(begin);
}

void CSurveyJournal::Settle(const JournalFinding& found) {
    m_told = false;
    m_path = found.path;
    switch (found.kind) {
        case JournalFound::Recoverable:  // declined: kept, never replayed later unasked
            SetAside(found.path);
            break;
        case JournalFound::Foreign: {
            std::string aside;
            const JournalStatus moved = SetJournalAside(Ops(), found.path, Now(), &aside);
            if (!moved.ok) ++m_asideFailures;
            m_tell(kRecoverCaption,
                   "The survey journal beside this site was not recovered: " + found.why +
                       (moved.ok ? ". It was kept as " + FileName(aside) + "."
                                 : ". It was left where it is (" + moved.reason + ")."));
            break;
        }
        case JournalFound::Empty:
            // One that stays holds nothing to recover and is found Empty again.
            (void)RemoveJournal(Ops(), found.path);
            break;
        case JournalFound::None:
        case JournalFound::Live:  // settled by Leave
            break;
    }
}

void CSurveyJournal::PointRecorded(const CApList& list, const ApRecord* tail,
                                   const CSiteRecord& site) {
    m_unsaved = true;
    m_discarded = false;
    if (!m_writer->IsOpen()) return;
    JournalPoint point;
    if (!CapturePoint(list, tail, site, point)) {
        m_writer->Close();  // a journal without this point would replay another survey
        Failed(JournalStatus::Fail(EINVAL));
        return;
    }
    const JournalStatus status = m_writer->AppendPoint(point);
    if (!status.ok) Failed(status);
}

void CSurveyJournal::PointDeleted(const JournalDeletion& deletion) {
    if (deletion.removed <= 0) return;
    m_unsaved = true;
    m_discarded = false;
    if (!m_writer->IsOpen()) return;
    const JournalStatus status = m_writer->AppendDeletion(deletion);
    if (!status.ok) Failed(status);
}

void CSurveyJournal::SaveStarting(const CSiteRecord& site, const CApList& list, uint32_t now) {
    if (!m_writer->IsOpen()) return;
    const JournalStatus status = m_writer->AppendSaved({BindingAfterSave(site, list, now)});
    if (!status.ok) Failed(status);
}

void CSurveyJournal::SavedAs(const std::string& sitePath, const CSiteRecord& site) {
    m_writer->Close();
    if (OwnsJournalFile()) (void)RemoveJournal(Ops(), m_path);
    m_writer->Forget();
    m_path = JournalPathFor(sitePath);
    m_told = false;
    Saved(site);
}

void CSurveyJournal::Saved(const CSiteRecord& site) {
    m_writer->Close();
    // A journal that did not go is set aside by the next one; one that comes
    // back after a crash ends with this save and is removed by the next Open.
    if (OwnsJournalFile()) (void)RemoveJournal(Ops(), m_path);
    m_writer->Forget();
    m_unsaved = false;
    m_discarded = false;
    JournalBegin begin;
    begin.keepPoints = true;
    begin.locationCount = site.m_locationCount;
    begin.apCount = site.m_apCount;
    if (!m_path.empty() && SiteBindingOf(site, begin.binding)) Begin(begin);
}

void CSurveyJournal::Discarded() { m_discarded = m_unsaved; }

void CSurveyJournal::Leave() {
    m_writer->Close();
    if (OwnsJournalFile()) {
        if (!m_unsaved)
            (void)RemoveJournal(Ops(), m_path);  // nothing unsaved: one that stays is Empty
        else if (m_discarded)
            SetAside(m_path);
    }
    m_writer->Forget();
    m_path.clear();
    m_unsaved = false;
    m_discarded = false;
}

bool CSurveyJournal::OwnsJournalFile() const {
    if (m_path.empty()) return false;
    struct stat st {};
    return Ops().Lstat(m_path.c_str(), &st) == 0 && m_writer->IsItsFile(st);
}

void CSurveyJournal::SetAside(const std::string& path) {
    const JournalStatus status = SetJournalAside(Ops(), path, Now());
    if (!status.ok) {
        ++m_asideFailures;
        // Nothing is lost, but the next Open of this site finds the journal
        // again and offers its points once more.
        m_tell(kJournalCaption, "The survey journal " + FileName(path) +
                                    " could not be set aside (" + status.reason +
                                    "); it was left where it is.");
    }
}

void CSurveyJournal::Begin(const JournalBegin& begin) {
    const JournalStatus status = m_writer->Create(m_path, begin, Now());
    if (!status.ok) Failed(status);
}

void CSurveyJournal::Failed(const JournalStatus& status) {
    if (m_told) return;
    m_told = true;
    m_tell(kJournalCaption, status.Message());
}
